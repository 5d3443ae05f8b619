#pragma once

#include <QString>
#include <stdexcept>

// Raised when a file cannot be read, written, copied or replaced. The text names the file and
// what failed, in Chinese, ready for a message box.
class FileError : public std::runtime_error {
  public:
    explicit FileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
