#pragma once

#include <QString>
#include <stdexcept>

// Raised by the report engine: a template that cannot be read, an object of another kind than
// the operation needs (an invalid type cast), a data field the row does not have, or output
// that cannot be written. The text is ready for the general error box.
class ReportError : public std::runtime_error {
  public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
