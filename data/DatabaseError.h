#pragma once

#include <QString>
#include <stdexcept>

// Raised by every database step that fails: opening, keying, preparing, binding, stepping or
// committing. The text is the engine's own message, suitable for the general error box.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
