#pragma once

#include <QString>
#include <stdexcept>

// Raised by every database step that fails: opening, keying, preparing, binding, stepping or
// committing. The text is the engine's own message, suitable for the general error box.
//
// `rowRefused` tells a statement that failed on its values (a constraint, a wrong type, a value
// too big) from a failure of the database itself (full disk, failing file, no memory), after
// which the rest of a batch cannot be trusted to land in the same transaction.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message, bool rowRefused = false)
        : std::runtime_error(message.toStdString()), message_(message), rowRefused_(rowRefused) {}
    const QString& message() const { return message_; }
    bool rowRefused() const { return rowRefused_; }

  private:
    QString message_;
    bool rowRefused_ = false;
};
