#pragma once

#include <QString>
#include <stdexcept>

// Raised when a backup archive cannot be read, is damaged, or does not hold a usable copy of the
// data folder. The text says what was wrong, in Chinese.
class ArchiveError : public std::runtime_error {
  public:
    explicit ArchiveError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

  private:
    QString message_;
};
