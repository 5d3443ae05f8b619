#pragma once

#include <QString>
#include <stdexcept>

// Raised by the xls module (see Xls.h) when a file is not an Excel 97-2003 workbook it can read:
// not a compound file, damaged or truncated, encrypted, an older BIFF version, or a workbook
// without the sheet asked for. The text says what is wrong, in Chinese, ready for a message box.
class XlsError : public std::runtime_error {
  public:
    explicit XlsError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
