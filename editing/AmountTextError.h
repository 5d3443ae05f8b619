#pragma once

#include <QString>
#include <stdexcept>

// Raised when the text of a number box of the record editor cannot be read as a number. The
// text names the box and what it holds, ready for a message box.
class AmountTextError : public std::runtime_error {
  public:
    AmountTextError(const QString& caption, const QString& text)
        : std::runtime_error(caption.toStdString()),
          message_(QStringLiteral("“%1”中的“%2”不是有效的数字，请改正！").arg(caption, text)) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
