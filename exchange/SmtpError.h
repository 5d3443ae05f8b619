#pragma once

#include <QString>
#include <stdexcept>

// Raised by the SMTP client. Connection covers everything that leaves the client without a
// usable connection (server unreachable, TLS or certificate refused, login refused, connection
// cut or silent past the time-out); Rejected is one message the server refused while the
// session itself stayed sound. The text is the client's own, with the server's reply when one
// came, ready for the general error box. `reply` is the server's reply code to a refused message
// (451, 550, ...), 0 when there was none.
class SmtpError : public std::runtime_error {
  public:
    enum class Kind { Connection, Rejected };

    SmtpError(Kind kind, const QString& message, int reply = 0)
        : std::runtime_error(message.toStdString()),
          kind_(kind),
          message_(message),
          reply_(reply) {}
    Kind kind() const { return kind_; }
    const QString& message() const { return message_; }
    int reply() const { return reply_; }
    // A 4xx reply: the server asks to try again later (rate limit, greylisting).
    bool isTemporary() const { return kind_ == Kind::Rejected && reply_ >= 400 && reply_ < 500; }

  private:
    Kind kind_;
    QString message_;
    int reply_;
};
