#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "MailTestServer.h"
#include "QtPrinters.h"
#include "SmtpError.h"
#include "SmtpMessage.h"
#include "SmtpSender.h"

namespace {

SmtpSender::Options local(int port) {
    SmtpSender::Options o;
    o.host = QStringLiteral("127.0.0.1");
    o.port = port;
    o.connectTimeoutMs = 5000;
    o.responseTimeoutMs = 2000;
    o.transferTimeoutMs = 20000;
    return o;
}

SmtpSender::Options withLogin(int port, const QString& password) {
    SmtpSender::Options o = local(port);
    o.login = true;
    o.user = QStringLiteral("payroll");
    o.password = password;
    return o;
}

QByteArray mail(const QString& to, const QString& subject) {
    SmtpMessage m;
    m.from = QStringLiteral("hr@qinghe.example.cn");
    m.replyTo = m.from;
    m.to = to;
    m.subject = subject;
    m.body = QStringLiteral("工资条");
    return m.toMime(QDateTime::currentDateTime());
}

// The error `call` raises; fails the test when it raises none.
template <typename Call>
SmtpError errorOf(Call call) {
    try {
        call();
    } catch (const SmtpError& e) {
        return e;
    }
    ADD_FAILURE() << "no SmtpError";
    return SmtpError(SmtpError::Kind::Rejected, QString());
}

}  // namespace

TEST(MailSmtpTest, OneLoggedInConnectionCarriesEveryMessageAndIsClosed) {
    MailTestServer server({QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")});
    {
        SmtpSender client(withLogin(server.port(), QStringLiteral("s3cret")));
        client.open();
        EXPECT_TRUE(client.isOpen());
        for (int i = 1; i <= 3; ++i) {
            client.send(QStringLiteral("hr@qinghe.example.cn"),
                        QStringLiteral("emp%1@example.com").arg(i), mail(QString(), QString()));
        }
        client.close();
        EXPECT_FALSE(client.isOpen());
    }
    ASSERT_TRUE(server.allDisconnected());
    EXPECT_EQ(server.count(QStringLiteral("connect")), 1);
    // The server offers LOGIN and PLAIN; the client logs in with LOGIN.
    EXPECT_TRUE(server.events().contains(QStringLiteral("auth 1 LOGIN payroll ok")))
        << server.events().join(u' ').toStdString();
    const QStringList messages = server.messages();
    ASSERT_EQ(messages.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject envelope = MailTestServer::envelope(messages.at(i));
        EXPECT_EQ(envelope.value("mail_from").toString(), QStringLiteral("hr@qinghe.example.cn"));
        EXPECT_EQ(envelope.value("rcpt_tos").toArray().at(0).toString(),
                  QStringLiteral("emp%1@example.com").arg(i + 1));
        EXPECT_EQ(envelope.value("connection").toInt(), 1);
    }
}

TEST(MailSmtpTest, WithoutTheBoxTheClientDoesNotLogIn) {
    MailTestServer server({QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")});
    SmtpSender client(local(server.port()));
    client.open();
    const SmtpError e = errorOf([&] {
        client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                    mail(QStringLiteral("a@example.com"), QStringLiteral("x")));
    });
    EXPECT_EQ(e.kind(), SmtpError::Kind::Rejected);
    EXPECT_TRUE(e.message().contains(QStringLiteral("530"))) << e.message().toStdString();
    EXPECT_EQ(server.count(QStringLiteral("auth")), 0);
}

TEST(MailSmtpTest, AWrongPasswordIsAConnectionErrorWithTheServersWords) {
    MailTestServer server({QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")});
    SmtpSender client(withLogin(server.port(), QStringLiteral("wrong")));
    const SmtpError e = errorOf([&] { client.open(); });
    EXPECT_EQ(e.kind(), SmtpError::Kind::Connection);
    EXPECT_TRUE(e.message().contains(QStringLiteral("535"))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("Authentication")))
        << e.message().toStdString();
    EXPECT_FALSE(client.isOpen());
    EXPECT_TRUE(server.events().contains(QStringLiteral("auth 1 LOGIN payroll bad")));
    EXPECT_TRUE(server.allDisconnected());
}

TEST(MailSmtpTest, AClosedPortIsRefusedAtOnce) {
    const int port = MailTestServer::closedPort();
    ASSERT_GT(port, 0);
    SmtpSender client(local(port));
    QElapsedTimer timer;
    timer.start();
    const SmtpError e = errorOf([&] { client.open(); });
    EXPECT_LT(timer.elapsed(), 5000) << "bounded by the connect time-out";
    EXPECT_EQ(e.kind(), SmtpError::Kind::Connection);
    EXPECT_TRUE(e.message().contains(QString::number(port))) << e.message().toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("connect"), Qt::CaseInsensitive))
        << e.message().toStdString();
    EXPECT_FALSE(client.isOpen());
}

TEST(MailSmtpTest, ACutConnectionEndsTheSession) {
    MailTestServer server({QStringLiteral("--drop-at"), QStringLiteral("2")});
    SmtpSender client(local(server.port()));
    client.open();
    client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                mail(QStringLiteral("a@example.com"), QStringLiteral("1")));
    const SmtpError e = errorOf([&] {
        client.send(QStringLiteral("hr@example.cn"), QStringLiteral("b@example.com"),
                    mail(QStringLiteral("b@example.com"), QStringLiteral("2")));
    });
    EXPECT_EQ(e.kind(), SmtpError::Kind::Connection);
    EXPECT_FALSE(e.message().isEmpty());
    EXPECT_FALSE(client.isOpen());
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.allDisconnected());
    EXPECT_EQ(server.count(QStringLiteral("drop")), 1);
}

TEST(MailSmtpTest, ASilentServerIsGivenUpAfterTheReplyTimeOut) {
    MailTestServer server({QStringLiteral("--stall-at"), QStringLiteral("1")});
    SmtpSender client(local(server.port()));
    client.open();
    QElapsedTimer timer;
    timer.start();
    const SmtpError e = errorOf([&] {
        client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                    mail(QStringLiteral("a@example.com"), QStringLiteral("1")));
    });
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_EQ(e.kind(), SmtpError::Kind::Connection);
    EXPECT_TRUE(e.message().contains(QStringLiteral("timed out"), Qt::CaseInsensitive) ||
                e.message().contains(QStringLiteral("timeout"), Qt::CaseInsensitive))
        << e.message().toStdString();
    EXPECT_FALSE(client.isOpen());
    EXPECT_TRUE(server.allDisconnected());
}

TEST(MailSmtpTest, ARefusedRecipientFailsOnlyThatMessage) {
    MailTestServer server({QStringLiteral("--reject"), QStringLiteral("nobody")});
    SmtpSender client(local(server.port()));
    client.open();
    const SmtpError e = errorOf([&] {
        client.send(QStringLiteral("hr@example.cn"), QStringLiteral("nobody@example.com"),
                    mail(QStringLiteral("nobody@example.com"), QStringLiteral("1")));
    });
    EXPECT_EQ(e.kind(), SmtpError::Kind::Rejected);
    EXPECT_TRUE(e.message().contains(QStringLiteral("550"))) << e.message().toStdString();
    EXPECT_TRUE(client.isOpen());
    client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                mail(QStringLiteral("a@example.com"), QStringLiteral("2")));
    client.close();
    ASSERT_EQ(server.messages().size(), 1);
    EXPECT_EQ(MailTestServer::envelope(server.messages().at(0))
                  .value("rcpt_tos")
                  .toArray()
                  .at(0)
                  .toString(),
              QStringLiteral("a@example.com"));
    // libcurl drops a connection after a refused transfer; the next message opens another.
    EXPECT_EQ(server.count(QStringLiteral("connect")), 2);
    EXPECT_TRUE(server.allDisconnected());
}

class MailTlsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(MailTestServer::makeCertificate(dir.path(), cert, key)); }
    QStringList tlsOptions() const {
        return {QStringLiteral("--cert"), cert, QStringLiteral("--key"), key};
    }
    QTemporaryDir dir;
    QString cert;
    QString key;
};

TEST_F(MailTlsTest, StartTlsIsUsedWhenOfferedAndTheCertificateIsChecked) {
    MailTestServer server(tlsOptions());
    {
        SmtpSender untrusting(local(server.port()));
        const SmtpError e = errorOf([&] { untrusting.open(); });
        EXPECT_EQ(e.kind(), SmtpError::Kind::Connection);
        EXPECT_TRUE(e.message().contains(QStringLiteral("certificate"), Qt::CaseInsensitive))
            << e.message().toStdString();
    }
    SmtpSender::Options options = local(server.port());
    options.caFile = cert;
    SmtpSender client(options);
    client.open();
    client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                mail(QStringLiteral("a@example.com"), QStringLiteral("加密")));
    client.close();
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.events().contains(QStringLiteral("tls 2")))
        << server.events().join(u' ').toStdString();
}

TEST_F(MailTlsTest, ImplicitTlsSpeaksTlsFromTheFirstByte) {
    MailTestServer server(tlsOptions() << QStringLiteral("--implicit-tls"));
    SmtpSender::Options options = local(server.port());
    options.implicitTls = true;
    options.caFile = cert;
    SmtpSender client(options);
    client.open();
    client.send(QStringLiteral("hr@example.cn"), QStringLiteral("a@example.com"),
                mail(QStringLiteral("a@example.com"), QStringLiteral("1")));
    client.close();
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.events().contains(QStringLiteral("tls 1")))
        << server.events().join(u' ').toStdString();
}

TEST(MailSmtpTest, TheAddressOfTheServer) {
    SmtpSender::Options o;
    o.host = QStringLiteral(" smtp.163.com ");
    o.port = 25;
    EXPECT_EQ(SmtpSender::url(o), QByteArray("smtp://smtp.163.com:25/"));
    o.port = 465;
    o.implicitTls = true;
    EXPECT_EQ(SmtpSender::url(o), QByteArray("smtps://smtp.163.com:465/"));
    o.implicitTls = false;
    o.host = QStringLiteral("::1");
    o.port = 2525;
    EXPECT_EQ(SmtpSender::url(o), QByteArray("smtp://[::1]:2525/"));
    for (const QString& bad : {QString(), QStringLiteral("mail host"),
                               QStringLiteral("evil.example/path"), QStringLiteral("a@b")}) {
        o.host = bad;
        const SmtpError e = errorOf([&] { SmtpSender::url(o); });
        EXPECT_EQ(e.kind(), SmtpError::Kind::Connection) << bad.toStdString();
        EXPECT_FALSE(e.message().isEmpty());
    }
}
