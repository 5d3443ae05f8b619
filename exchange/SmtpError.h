#pragma once

#include <QString>
#include <stdexcept>

// Raised by the SMTP client. Connection covers everything that leaves the client without a
// usable connection (server unreachable, TLS or certificate refused, login refused, connection
// cut or silent past the time-out); Rejected is one message the server refused while the
// session itself stayed sound. The text is the client's own, with the server's reply when one
// came, ready for the general error box.
class SmtpError : public std::runtime_error {
  public:
    enum class Kind { Connection, Rejected };

    SmtpError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}
    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }

  private:
    Kind kind_;
    QString message_;
};
