#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTimer>

#include "Database.h"
#include "IniFile.h"
#include "MailRun.h"
#include "MailSettings.h"
#include "MailTestServer.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

const QString kMonth = QStringLiteral("202405");
const QString kBody = QStringLiteral("您好：\n附件是您本月的工资条，请查收。\n财务部");

struct Employee {
    QString name;
    QString email;
};

class MailRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        QDir(folder.path()).mkpath(QStringLiteral("payslips"));
        out = folder.file(QStringLiteral("payslips"));
    }

    // One row per employee, in this order (the departments sort as listed).
    void addRows(const std::vector<Employee>& employees) {
        int k = 0;
        for (const Employee& e : employees) {
            ++k;
            fixture::addRow(db, kMonth,
                            {{"DepartName", QStringLiteral("%1车间").arg(k)},
                             {"EmpName", e.name},
                             {"EMail", e.email}});
        }
    }

    // A payslip file of its own bytes under `name` in the folder.
    QByteArray writePayslip(const QString& name) {
        QByteArray bytes = "\xD0\xCF\x11\xE0" + name.toUtf8();
        for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
        QFile f(QDir(out).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return bytes;
    }

    MailSettings settingsFor(int port, bool login) const {
        MailSettings s;
        s.smtp = QStringLiteral("127.0.0.1");
        s.port = QString::number(port);
        s.authentication = login;
        s.user = QStringLiteral("payroll");
        s.pass = QStringLiteral("s3cret");
        s.email = QStringLiteral("hr@qinghe.example.cn");
        s.emailTitle = QStringLiteral("2024年5月工资条");
        return s;
    }

    std::optional<MailRun::Summary> run(const MailSettings& settings,
                                        const QString& content = kBody, int pauseMs = 0) {
        MailRun r(db, prompter, folder.path(), kMonth, out);
        r.setPauseMs(pauseMs);
        r.setAttachmentShown([this](const QString& file) { shown << file; });
        r.setProgress([this](const QString& text) { status << text; });
        r.setClientSetUp([this](SmtpSender::Options& o) {
            used = o;
            o.connectTimeoutMs = 5000;
            o.responseTimeoutMs = 2000;
            o.transferTimeoutMs = 20000;
            if (redirectTo > 0) o.port = redirectTo;
        });
        if (stopAfterFirst) {
            r.setProgress([this, &r](const QString& text) {
                status << text;
                r.requestStop();
            });
        }
        return r.cmdEmailClick(settings, content);
    }

    QString payslip(const QString& name) const { return QDir(out).filePath(name); }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    QString out;
    QStringList shown;
    QStringList status;
    SmtpSender::Options used;
    int redirectTo = 0;
    bool stopAfterFirst = false;
};

QString attachmentName(const QJsonObject& mail) {
    return mail.value("attachments").toArray().at(0).toObject().value("filename").toString();
}

QByteArray attachmentData(const QJsonObject& mail) {
    return QByteArray::fromBase64(
        mail.value("attachments").toArray().at(0).toObject().value("data").toString().toLatin1());
}

}  // namespace

// The month of six: one without address, one with an invalid address, a dotted name before the
// "@", an address typed with blanks around it and a name with a character no file name may hold.
TEST_F(MailRunTest, EachEmployeeWithAnAddressGetsHisOwnPayslip) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang.san@example.com")},
             {QStringLiteral("李四"), QString()},
             {QStringLiteral("王五"), QStringLiteral("wangwu.example.com")},
             {QStringLiteral("赵六"), QStringLiteral("zhao6@example.com")},
             {QStringLiteral("钱七"), QStringLiteral(" qian7@example.org ")},
             {QStringLiteral("孙/八"), QStringLiteral("sun8@example.net")}});
    const QStringList names{"0001_张三.xls", "0002_李四.xls", "0003_王五.xls",
                            "0004_赵六.xls", "0005_钱七.xls", "0006_孙_八.xls"};
    std::vector<QByteArray> bytes;
    for (const QString& name : names) bytes.push_back(writePayslip(name));

    MailTestServer server({QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")});
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), true));

    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::Finished);
    EXPECT_EQ(summary->rows, 6);
    EXPECT_EQ(summary->sent, 4);
    EXPECT_EQ(summary->skipped, 2);
    EXPECT_EQ(summary->failed, 0);
    EXPECT_EQ(prompter.shown(), QStringList());
    QStringList files;
    for (const QString& name : names) files << payslip(name);
    EXPECT_EQ(shown, files);
    EXPECT_EQ(status,
              QStringList(
                  {"正在发送... (1/6) zhang.san@example.com", "正在发送... (4/6) zhao6@example.com",
                   "正在发送... (5/6) qian7@example.org", "正在发送... (6/6) sun8@example.net",
                   "发送完成... 已发送4封，跳过2封，失败0封"}));

    ASSERT_TRUE(server.allDisconnected());
    EXPECT_EQ(server.count(QStringLiteral("connect")), 1);
    EXPECT_TRUE(server.events().contains(QStringLiteral("auth 1 LOGIN payroll ok")));
    const QStringList messages = server.messages();
    ASSERT_EQ(messages.size(), 4);
    const std::vector<std::pair<int, QString>> expected{{0, "zhang.san@example.com"},
                                                        {3, "zhao6@example.com"},
                                                        {4, "qian7@example.org"},
                                                        {5, "sun8@example.net"}};
    for (size_t m = 0; m < expected.size(); ++m) {
        const auto& [row, address] = expected[m];
        SCOPED_TRACE(address.toStdString());
        const QJsonObject mail = MailTestServer::parse(messages.at(static_cast<int>(m)));
        EXPECT_EQ(mail.value("from").toString(), QStringLiteral("hr@qinghe.example.cn"));
        EXPECT_EQ(mail.value("reply_to").toString(), QStringLiteral("hr@qinghe.example.cn"));
        EXPECT_EQ(mail.value("to").toString(), address);
        EXPECT_EQ(mail.value("subject").toString(), QStringLiteral("2024年5月工资条"));
        EXPECT_EQ(mail.value("body").toString(),
                  QStringLiteral("您好：\r\n附件是您本月的工资条，请查收。\r\n财务部\r\n"));
        EXPECT_EQ(mail.value("attachments").toArray().size(), 1);
        EXPECT_EQ(attachmentName(mail), names.at(row));
        EXPECT_EQ(attachmentData(mail), bytes.at(static_cast<size_t>(row)));
        const QJsonObject envelope = MailTestServer::envelope(messages.at(static_cast<int>(m)));
        EXPECT_EQ(envelope.value("rcpt_tos").toArray().at(0).toString(), address);
        EXPECT_EQ(envelope.value("mail_from").toString(), QStringLiteral("hr@qinghe.example.cn"));
    }
    // The 5th row's mail carries the 5th file, counted over the rows without address too.
    EXPECT_EQ(attachmentName(MailTestServer::parse(messages.at(2))),
              QStringLiteral("0005_钱七.xls"));

    // The settings and the body were stored when the run began.
    const MailSettings saved = MailSettings::load(folder.path());
    EXPECT_EQ(saved.port, QString::number(server.port()));
    EXPECT_TRUE(saved.authentication);
    EXPECT_EQ(MailSettings::loadContent(folder.path()).value_or(QString()), kBody);
}

TEST_F(MailRunTest, AMissingFileStopsTheRunEvenForARowWithoutAddress) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang.san@example.com")},
             {QStringLiteral("李四"), QString()},
             {QStringLiteral("王五"), QStringLiteral("wang5@example.com")}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    writePayslip(QStringLiteral("0003_王五.xls"));
    MailTestServer server;
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), false));

    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::FileMissing);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(prompter.shown(),
              QStringList({"warning: 指定工资条存放路径下没找到工资条Excel文件。"}));
    EXPECT_EQ(shown, QStringList({payslip("0001_张三.xls"), payslip("0002_李四.xls")}));
    EXPECT_EQ(status, QStringList({"正在发送... (1/3) zhang.san@example.com"}));
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailRunTest, ConnectionAndLoginFailuresShowTheErrorsOwnText) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang.san@example.com")}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    MailTestServer server({QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")});
    MailSettings wrong = settingsFor(server.port(), true);
    wrong.pass = QStringLiteral("wrong");

    const std::optional<MailRun::Summary> denied = run(wrong);
    ASSERT_TRUE(denied);
    EXPECT_EQ(denied->end, MailRun::End::ConnectionFailed);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.shown().at(0).startsWith(QStringLiteral("error: ")));
    EXPECT_TRUE(prompter.shown().at(0).contains(QStringLiteral("535")))
        << prompter.shown().join(u'|').toStdString();
    EXPECT_TRUE(server.allDisconnected());
    // Nothing was looked at, nothing sent; the settings were stored all the same.
    EXPECT_EQ(shown, QStringList());
    EXPECT_EQ(server.messages().size(), 0);
    EXPECT_EQ(MailSettings::load(folder.path()).pass, QStringLiteral("wrong"));

    prompter.clear();
    const int closed = MailTestServer::closedPort();
    const std::optional<MailRun::Summary> refused = run(settingsFor(closed, false));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->end, MailRun::End::ConnectionFailed);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.shown().at(0).contains(QStringLiteral("Couldn't connect")))
        << prompter.shown().join(u'|').toStdString();
    EXPECT_EQ(shown, QStringList());
}

TEST_F(MailRunTest, AConnectionCutAgainAfterReopeningStopsTheRunAndSaysHowFarItGot) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang3@example.com")},
             {QStringLiteral("李四"), QStringLiteral("li4@example.com")},
             {QStringLiteral("王五"), QStringLiteral("wang5@example.com")}});
    for (const char* name : {"0001_张三.xls", "0002_李四.xls", "0003_王五.xls"}) {
        writePayslip(QString::fromUtf8(name));
    }
    MailTestServer server({QStringLiteral("--drop-at"), QStringLiteral("2"),
                           QStringLiteral("--drop-at"), QStringLiteral("3")});
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), false));

    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::ConnectionLost);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(summary->failed, 1);
    ASSERT_EQ(prompter.shown().size(), 1);
    const QString box = prompter.shown().at(0);
    EXPECT_TRUE(box.startsWith(QStringLiteral("error: ")));
    EXPECT_TRUE(box.endsWith(QStringLiteral("\n已发送1封，跳过0封，失败1封"))) << box.toStdString();
    EXPECT_GT(box.size(), QStringLiteral("error: \n已发送1封，跳过0封，失败1封").size());
    EXPECT_EQ(status.last(), QStringLiteral("正在发送... (2/3) li4@example.com"));
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailRunTest, ARefusedMessageIsCountedAndTheRunGoesOn) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang3@example.com")},
             {QStringLiteral("李四"), QStringLiteral("nobody@example.com")},
             {QStringLiteral("王五"), QStringLiteral("wang5@example.com")},
             {QStringLiteral("赵六"), QStringLiteral("zhao6@example.com")}});
    for (const char* name : {"0001_张三.xls", "0002_李四.xls", "0004_赵六.xls"}) {
        writePayslip(QString::fromUtf8(name));
    }
    // A file that exists but cannot be read: a folder of that name.
    ASSERT_TRUE(QDir(out).mkdir(QStringLiteral("0003_王五.xls")));
    MailTestServer server({QStringLiteral("--reject"), QStringLiteral("nobody")});
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), false));

    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::Finished);
    EXPECT_EQ(summary->sent, 2);
    EXPECT_EQ(summary->failed, 2);
    EXPECT_EQ(
        status,
        QStringList({"正在发送... (1/4) zhang3@example.com", "正在发送... (2/4) nobody@example.com",
                     "正在发送... (3/4) wang5@example.com", "正在发送... (4/4) zhao6@example.com",
                     "发送完成... 已发送2封，跳过0封，失败2封"}));
    ASSERT_EQ(prompter.shown().size(), 1);
    const QString box = prompter.shown().at(0);
    EXPECT_TRUE(box.startsWith(QStringLiteral("warning: 有2封邮件没有发出：\n")))
        << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("nobody@example.com：RCPT failed: 550")))
        << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("wang5@example.com："))) << box.toStdString();
    const QStringList messages = server.messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(attachmentName(MailTestServer::parse(messages.at(1))),
              QStringLiteral("0004_赵六.xls"));
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailRunTest, TheChecksComeBeforeAnythingIsStored) {
    const std::vector<std::tuple<QString, QString, QString>> cases{
        {QString(), QStringLiteral("/some/folder"), QStringLiteral("warning: 输入邮件内容！")},
        {QStringLiteral(" \n \n"), QStringLiteral("/some/folder"),
         QStringLiteral("warning: 输入邮件内容！")},
        {kBody, QString(), QStringLiteral("warning: 工资条存放路径尚未指定！")},
    };
    for (const auto& [content, path, message] : cases) {
        prompter.clear();
        MailRun r(db, prompter, folder.path(), kMonth, path);
        EXPECT_FALSE(r.cmdEmailClick(settingsFor(1, false), content).has_value());
        EXPECT_EQ(prompter.shown(), QStringList({message}));
    }
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("comm.ini"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("EMailContent.Lst"))));
}

TEST_F(MailRunTest, APortTextThatIsNoNumberConnectsTo25AndStaysAsTyped) {
    MailSettings s = settingsFor(1, false);
    s.port = QStringLiteral("abc");
    redirectTo = MailTestServer::closedPort();  // never reach a real port 25 from a test
    run(s);
    EXPECT_EQ(used.port, 25);
    EXPECT_EQ(used.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(MailSettings::load(folder.path()).port, QStringLiteral("abc"));
    EXPECT_TRUE(IniFile(folder.file(QStringLiteral("comm.ini")))
                    .hasKey(QStringLiteral("comm"), QStringLiteral("ledAttachment")));
}

TEST_F(MailRunTest, TheClientSettingsFollowTheDialog) {
    MailSettings s = settingsFor(465, false);
    s.smtp = QStringLiteral("  smtp.163.com ");
    SmtpSender::Options o = MailRun::clientOptions(s);
    EXPECT_EQ(o.host, QStringLiteral("smtp.163.com"));
    EXPECT_EQ(o.port, 465);
    EXPECT_TRUE(o.implicitTls);
    EXPECT_FALSE(o.login);
    EXPECT_EQ(o.user, QString()) << "no login without the box";

    s.port = QStringLiteral("587");
    s.authentication = true;
    o = MailRun::clientOptions(s);
    EXPECT_EQ(o.port, 587);
    EXPECT_FALSE(o.implicitTls);
    EXPECT_TRUE(o.login);
    EXPECT_EQ(o.user, QStringLiteral("payroll"));
    EXPECT_EQ(o.password, QStringLiteral("s3cret"));
}

TEST_F(MailRunTest, UnreadableRowsAreReportedWithTheEnginesText) {
    MailTestServer server;
    db.exec(QStringLiteral("drop table TGZ"));
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), false));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::RowsUnreadable);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.shown().at(0).startsWith(QStringLiteral("error: ")));
    EXPECT_TRUE(prompter.shown().at(0).contains(QStringLiteral("TGZ")))
        << prompter.shown().join(u'|').toStdString();
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailRunTest, ClosingTheDialogStopsTheRunAfterTheCurrentMessage) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang3@example.com")},
             {QStringLiteral("李四"), QStringLiteral("li4@example.com")}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    writePayslip(QStringLiteral("0002_李四.xls"));
    MailTestServer server;
    stopAfterFirst = true;
    const std::optional<MailRun::Summary> summary = run(settingsFor(server.port(), false));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::Stopped);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(server.messages().size(), 1);
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailRunTest, TheWindowKeepsProcessingEventsDuringTheRun) {
    addRows({{QStringLiteral("张三"), QStringLiteral("zhang3@example.com")},
             {QStringLiteral("李四"), QStringLiteral("li4@example.com")}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    writePayslip(QStringLiteral("0002_李四.xls"));
    MailTestServer server;
    bool running = false;
    int deliveredDuringRun = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { deliveredDuringRun += running ? 1 : 0; });
    ticker.start(20);
    running = true;
    const std::optional<MailRun::Summary> summary =
        run(settingsFor(server.port(), false), kBody, 300);
    running = false;
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 2);
    EXPECT_GT(deliveredDuringRun, 0);
}

TEST(MailRunAddressTest, OnlyOnePlausibleAddressIsSentTo) {
    const std::vector<std::pair<QString, bool>> cases{
        {"zhang.san@example.com", true},
        {"a@b.c", true},
        {"张三@例子.中国", true},
        {"", false},
        {"wangwu.example.com", false},
        {"@example.com", false},
        {"li@localhost", false},
        {"a@b.", false},
        {"a b@example.com", false},
        {"a@example.com\r\nBcc: x@y.z", false},
        {"a@example.com, b@example.com", false},
        {"a@example.com;b@example.com", false},
        {"<a@example.com>", false},
    };
    for (const auto& [address, ok] : cases) {
        EXPECT_EQ(MailRun::isSendableAddress(address), ok) << address.toStdString();
    }
}
