#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <stdexcept>

// The SMTP server of the mail tests: tests/exchange/smtp_server.py run by Debian's Python with
// aiosmtpd on a free port of 127.0.0.1, started by the constructor and stopped by stop() or the
// destructor. Every wait here is bounded.
class MailTestServer {
  public:
    // `options` are the script's serve options ("--auth", "user:pass", ...).
    explicit MailTestServer(const QStringList& options = {}) {
        if (!out_.isValid()) throw std::runtime_error("no temporary folder for the SMTP server");
        process_.setProgram(python());
        process_.setArguments(QStringList{script(), QStringLiteral("serve"), out_.path()} +
                              options);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(10000)) throw std::runtime_error("python3 did not start");
        QElapsedTimer timer;
        timer.start();
        QByteArray line;
        while (!process_.canReadLine() && timer.elapsed() < 15000) {
            if (process_.state() != QProcess::Running) break;
            process_.waitForReadyRead(500);
        }
        line = process_.readLine().trimmed();
        if (!line.startsWith("PORT ")) {
            const QByteArray error = process_.readAllStandardError();
            stop();
            throw std::runtime_error("SMTP server did not start: " + error.toStdString());
        }
        port_ = line.mid(5).toInt();
    }
    ~MailTestServer() { stop(); }
    MailTestServer(const MailTestServer&) = delete;
    MailTestServer& operator=(const MailTestServer&) = delete;

    int port() const { return port_; }
    QString folder() const { return out_.path(); }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }

    // The lines of events.log ("connect 1", "auth 1 LOGIN user ok", "lost 1", ...).
    QStringList events() const {
        QFile file(QDir(out_.path()).filePath(QStringLiteral("events.log")));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    int count(const QString& word) const {
        int n = 0;
        for (const QString& line : events()) n += line.section(u' ', 0, 0) == word ? 1 : 0;
        return n;
    }
    // Waits until every connection the server saw has been closed again (at most `ms`).
    bool allDisconnected(int ms = 5000) const {
        return waitFor(
            [this] { return count(QStringLiteral("lost")) == count(QStringLiteral("connect")); },
            ms);
    }
    static bool waitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms) return false;
            QThread::msleep(20);
        }
        return true;
    }

    // The stored messages, oldest first.
    QStringList messages() const {
        QStringList files =
            QDir(out_.path()).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name);
        for (QString& f : files) f = QDir(out_.path()).filePath(f);
        return files;
    }
    // The envelope stored beside message `eml`: mail_from, rcpt_tos, connection.
    static QJsonObject envelope(const QString& eml) {
        QFile file(eml.chopped(4) + QStringLiteral(".json"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    // What Python's email parser makes of the message file (see the script's "parse").
    static QJsonObject parse(const QString& eml) {
        QProcess p;
        p.start(python(), {script(), QStringLiteral("parse"), eml});
        if (!p.waitForFinished(20000) || p.exitCode() != 0) {
            throw std::runtime_error("parse failed: " + p.readAllStandardError().toStdString());
        }
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }

    // A port nothing listens on: one the system just handed out and took back.
    static int closedPort() {
        QProcess p;
        p.start(python(),
                {QStringLiteral("-c"),
                 QStringLiteral("import socket; s=socket.socket(); s.bind(('127.0.0.1', 0)); "
                                "print(s.getsockname()[1]); s.close()")});
        p.waitForFinished(10000);
        return p.readAllStandardOutput().trimmed().toInt();
    }

    // A self-signed certificate for 127.0.0.1 and localhost, made by openssl in `dir`.
    static bool makeCertificate(const QString& dir, QString& cert, QString& key) {
        cert = QDir(dir).filePath(QStringLiteral("cert.pem"));
        key = QDir(dir).filePath(QStringLiteral("key.pem"));
        QProcess p;
        p.start(
            QStringLiteral("openssl"),
            {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
             QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-days"),
             QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost"),
             QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
             QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
        return p.waitForFinished(30000) && p.exitCode() == 0 && QFileInfo::exists(cert);
    }

    static QString python() { return QStringLiteral("/usr/bin/python3"); }
    // Beside this header. The compiler cache may give __FILE__ relative to the build folder,
    // which the programs run from a folder below it do not start in.
    static QString script() {
        const QString name = QStringLiteral("smtp_server.py");
        const QFileInfo header(QStringLiteral(__FILE__));
        if (header.isAbsolute()) return header.absoluteDir().filePath(name);
        const QString fromBuild = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral("../") + header.filePath());
        const QString candidate = QFileInfo(fromBuild).absoluteDir().filePath(name);
        return QFileInfo::exists(candidate) ? candidate : header.absoluteDir().filePath(name);
    }

  private:
    QTemporaryDir out_;
    QProcess process_;
    int port_ = 0;
};
