#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The SMTP client of a mail run, over libcurl: one session from open() to close(). open()
// connects, uses TLS (from the first byte with implicitTls, else STARTTLS whenever the server
// offers it; certificates verified either way) and logs in with AUTH LOGIN when `login` is set;
// send() delivers one message on the same connection; close() says QUIT and disconnects, and
// the destructor does so too, so the client is disconnected however a run ends.
//
// Errors are SmtpError. A message the server refuses (a 4xx or 5xx reply to MAIL, RCPT, DATA or
// the end of the data) is Rejected; libcurl closes the connection after any failed transfer,
// so the next send() connects and logs in again on its own. Everything else is Connection and
// leaves the client closed.
//
// Every wait is bounded: connecting (TCP, TLS, greeting, login) by connectTimeoutMs, each server
// reply by responseTimeoutMs (whole seconds, at least 1), a transfer making no progress by the
// same, and one message as a whole by transferTimeoutMs. A server that falls silent in the middle
// of a message is given up after about twice the reply time-out.
class SmtpSender {
  public:
    struct Options {
        QString host;
        int port = 25;
        bool implicitTls = false;
        bool login = false;
        QString user;
        QString password;
        int connectTimeoutMs = 20000;
        int responseTimeoutMs = 60000;
        int transferTimeoutMs = 300000;
        // Certificates to trust instead of the system's (a company's own authority, tests).
        QString caFile;
        // Called now and then while the client waits for the network (the window repaints).
        std::function<void()> idle;
    };

    explicit SmtpSender(Options options);
    ~SmtpSender();
    SmtpSender(const SmtpSender&) = delete;
    SmtpSender& operator=(const SmtpSender&) = delete;

    // "smtp://host:port" or "smtps://host:port"; throws SmtpError (Connection) on a host name
    // that is no host name.
    static QByteArray url(const Options& options);

    // Connects and logs in. Throws SmtpError (Connection).
    void open();
    bool isOpen() const { return handle_ != nullptr; }
    // Sends one message from `from` to `to`. Throws SmtpError.
    void send(const QString& from, const QString& to, const QByteArray& message);
    // QUIT and disconnect; nothing happens when closed already.
    void close();

    // What the current transfer saw of the dialogue, noted by libcurl's debug callback.
    struct Transcript {
        QByteArray lastRefusal;    // the server's last 4xx or 5xx reply line
        bool mailStarted = false;  // MAIL FROM went out
    };

  private:
    void configure();
    // Runs the transfer set up on the handle; the libcurl result code.
    int perform();
    QString errorText(int code) const;

    Options options_;
    void* handle_ = nullptr;  // CURL*
    char errorBuffer_[256] = {};
    Transcript transcript_;
};
