#pragma once

#include <QString>
#include <stdexcept>

// Raised by the spreadsheet export and import when a workbook cannot be written or a file or
// sheet cannot be read. The text says what failed, in Chinese, ready for a message box.
class SpreadsheetError : public std::runtime_error {
  public:
    explicit SpreadsheetError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
