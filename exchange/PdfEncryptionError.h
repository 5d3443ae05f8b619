#pragma once

#include <QString>
#include <stdexcept>

// Raised when a PDF payslip cannot be encrypted; the text is QPDF's own.
class PdfEncryptionError : public std::runtime_error {
  public:
    explicit PdfEncryptionError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
