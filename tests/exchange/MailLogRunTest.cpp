#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>

#include "Database.h"
#include "MailLog.h"
#include "MailPlaceholders.h"
#include "MailRun.h"
#include "MailSettings.h"
#include "MailTestServer.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

const QString kMonth = QStringLiteral("202407");

struct Employee {
    QString name;
    QString email;
    double net;
};

// 1 sent, 2 invalid address, 3 refused by the server, 4 sent, 5 without address.
const std::vector<Employee> kEmployees{
    {QStringLiteral("张三"), QStringLiteral("zhang3@example.com"), 5123.4},
    {QStringLiteral("李四"), QStringLiteral("li4.example.com"), 6234.5},
    {QStringLiteral("王五"), QStringLiteral("nobody@example.com"), 7345.6},
    {QStringLiteral("赵六"), QStringLiteral("zhao6@example.com"), 8456.7},
    {QStringLiteral("钱七"), QString(), 9567.8},
};

class MailLogRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        QDir(folder.path()).mkpath(QStringLiteral("out"));
        out = folder.file(QStringLiteral("out"));
        int k = 0;
        for (const Employee& e : kEmployees) {
            ++k;
            fixture::addRow(db, kMonth,
                            {{"DepartName", QStringLiteral("%1部").arg(k)},
                             {"EmpName", e.name},
                             {"EMail", e.email},
                             {"YFTotal", e.net + 300},
                             {"KKTotal", 300},
                             {"GZTotal", e.net}});
            QFile f(QDir(out).filePath(
                QStringLiteral("%1_%2.xls").arg(k, 4, 10, QChar(u'0')).arg(e.name)));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("payslip of " + e.name.toUtf8());
        }
    }

    MailSettings settingsFor(const MailTestServer& server) const {
        MailSettings s;
        s.smtp = QStringLiteral("127.0.0.1");
        s.port = QString::number(server.port());
        s.email = QStringLiteral("hr@example.com");
        s.emailTitle = QStringLiteral("工资条");
        return s;
    }

    std::optional<MailRun::Summary> run(const MailTestServer& server,
                                        std::optional<std::set<MailRun::RowKey>> only = {},
                                        const QString& title = QStringLiteral("工资条"),
                                        const QString& body = QStringLiteral("工资条")) {
        MailRun r(db, prompter, folder.path(), kMonth, out);
        r.setPauseMs(0);
        r.setRetryPauseMs(50);
        r.setAmountFormat(QStringLiteral("0.00"));
        if (only) r.setOnlyRows(*only);
        r.setClientSetUp([](SmtpSender::Options& o) {
            o.connectTimeoutMs = 5000;
            o.responseTimeoutMs = 2000;
        });
        MailSettings s = settingsFor(server);
        s.emailTitle = title;
        return r.cmdEmailClick(s, body);
    }

    std::vector<MailLog::Entry> lastRun() const { return MailLog(folder.path(), kMonth).lastRun(); }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    QString out;
};

QStringList recipients(const MailTestServer& server) {
    QStringList to;
    for (const QString& eml : server.messages()) {
        to << MailTestServer::envelope(eml).value("rcpt_tos").toArray().at(0).toString();
    }
    return to;
}

}  // namespace

TEST_F(MailLogRunTest, EveryRowOfARunIsRecordedWithItsResult) {
    MailTestServer server({QStringLiteral("--reject"), QStringLiteral("nobody")});
    const std::optional<MailRun::Summary> summary = run(server);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 2);
    EXPECT_EQ(summary->skipped, 2);
    EXPECT_EQ(summary->failed, 1);

    const std::vector<MailLog::Entry> log = lastRun();
    ASSERT_EQ(log.size(), 5u);
    const std::vector<std::pair<MailLog::Result, QString>> expected{
        {MailLog::Result::Sent, QString()},
        {MailLog::Result::Skipped, QStringLiteral("邮件地址无效")},
        {MailLog::Result::Failed, QString()},
        {MailLog::Result::Sent, QString()},
        {MailLog::Result::Skipped, QStringLiteral("没有邮件地址")},
    };
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].index, i + 1);
        EXPECT_EQ(log[i].name, kEmployees[i].name);
        EXPECT_EQ(log[i].address, kEmployees[i].email);
        EXPECT_EQ(
            log[i].file,
            QStringLiteral("%1_%2.xls").arg(i + 1, 4, 10, QChar(u'0')).arg(kEmployees[i].name));
        EXPECT_EQ(log[i].result, expected[i].first);
        if (expected[i].first != MailLog::Result::Failed) {
            EXPECT_EQ(log[i].detail, expected[i].second);
        }
        EXPECT_LE(qAbs(log[i].time.secsTo(QDateTime::currentDateTime())), 60);
    }
    // The server's reply is the reason given.
    EXPECT_TRUE(log[2].detail.contains(QStringLiteral("550"))) << log[2].detail.toStdString();
    EXPECT_TRUE(log[2].detail.contains(QStringLiteral("nobody@example.com")));

    // The file beside the program, in GBK, read by Python's csv module.
    const QString path = folder.file(QStringLiteral("邮件发送记录_202407.csv"));
    ASSERT_TRUE(QFile::exists(path));
    QProcess p;
    p.start(MailTestServer::python(),
            {QStringLiteral("-c"),
             QStringLiteral("import csv,sys,json\n"
                            "rows=list(csv.reader(open(sys.argv[1],encoding='gbk',newline='')))\n"
                            "print(json.dumps(rows,ensure_ascii=False))"),
             path});
    ASSERT_TRUE(p.waitForFinished(20000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows.at(0).toArray().at(3).toString(), QStringLiteral("姓名"));
    EXPECT_EQ(rows.at(0).toArray().at(6).toString(), QStringLiteral("结果"));
    const QJsonArray refused = rows.at(3).toArray();
    EXPECT_EQ(refused.at(2).toString(), QStringLiteral("3"));
    EXPECT_EQ(refused.at(3).toString(), QStringLiteral("王五"));
    EXPECT_EQ(refused.at(4).toString(), QStringLiteral("nobody@example.com"));
    EXPECT_EQ(refused.at(5).toString(), QStringLiteral("0003_王五.xls"));
    EXPECT_EQ(refused.at(6).toString(), QStringLiteral("失败"));
    EXPECT_TRUE(refused.at(7).toString().contains(QStringLiteral("550")));
    EXPECT_EQ(rows.at(1).toArray().at(6).toString(), QStringLiteral("已发送"));
    EXPECT_EQ(rows.at(2).toArray().at(6).toString(), QStringLiteral("跳过"));
}

TEST_F(MailLogRunTest, ResendingTheFailedRowsSendsExactlyThose) {
    {
        MailTestServer refusing({QStringLiteral("--reject"), QStringLiteral("nobody")});
        ASSERT_TRUE(run(refusing));
    }
    const std::set<MailRun::RowKey> failed = MailRun::failedRows(folder.path(), kMonth);
    EXPECT_EQ(failed, (std::set<MailRun::RowKey>{{3, QStringLiteral("王五")}}));
    prompter.clear();

    MailTestServer server;
    const std::optional<MailRun::Summary> summary = run(server, failed);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(summary->skipped, 0);
    EXPECT_EQ(summary->failed, 0);
    // No question: only the failed row goes out.
    EXPECT_EQ(prompter.shown(), QStringList());
    EXPECT_EQ(recipients(server), QStringList{QStringLiteral("nobody@example.com")});
    const QJsonObject mail = MailTestServer::parse(server.messages().at(0));
    EXPECT_EQ(mail.value("attachments").toArray().at(0).toObject().value("filename").toString(),
              QStringLiteral("0003_王五.xls"));

    const std::vector<MailLog::Entry> log = lastRun();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].index, 3);
    EXPECT_EQ(log[0].result, MailLog::Result::Sent);
    EXPECT_EQ(MailRun::failedRows(folder.path(), kMonth), std::set<MailRun::RowKey>());
    // The file keeps both runs.
    EXPECT_EQ(MailLog(folder.path(), kMonth).entries().size(), 6u);
}

TEST_F(MailLogRunTest, ARowChosenFromTheLogIsSentOnlyWhileItIsTheSameEmployee) {
    MailTestServer server;
    // Row 4 is 赵六; a row 1 that is no longer 李四 is passed over.
    const std::optional<MailRun::Summary> summary =
        run(server,
            std::set<MailRun::RowKey>{{4, QStringLiteral("赵六")}, {1, QStringLiteral("李四")}});
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(recipients(server), QStringList{QStringLiteral("zhao6@example.com")});
}

TEST_F(MailLogRunTest, ASecondFullRunAsksFirst) {
    MailTestServer server;
    ASSERT_TRUE(run(server));
    ASSERT_EQ(server.messages().size(), 3);
    EXPECT_EQ(prompter.shown(), QStringList());

    prompter.queueConfirm(false);
    EXPECT_FALSE(run(server).has_value());
    const QString question = QStringLiteral(
        "confirm: 月度[202407]的工资条已经发送过（已发出3封）。\n"
        "再次全部发送，职员会重复收到工资条。确实要全部重新发送吗？");
    EXPECT_EQ(prompter.shown(), QStringList{question});
    EXPECT_EQ(server.messages().size(), 3);
    EXPECT_EQ(MailLog(folder.path(), kMonth).entries().size(), 5u);

    prompter.clear();
    prompter.queueConfirm(true);
    ASSERT_TRUE(run(server).has_value());
    EXPECT_EQ(server.messages().size(), 6);
    EXPECT_EQ(prompter.shown(), QStringList{question});
}

TEST_F(MailLogRunTest, SubjectAndBodyArePersonal) {
    MailTestServer server;
    ASSERT_TRUE(
        run(server, {}, QStringLiteral("{月度}工资条 - {姓名}"),
            QStringLiteral("{姓名}（{部门}）您好：\n本月应发{应发合计}元，应扣{应扣合计}元，"
                           "实发{实发工资}元。\n{未知}")));
    const QStringList messages = server.messages();
    ASSERT_EQ(messages.size(), 3);
    const std::vector<int> rows{0, 2, 3};
    for (int m = 0; m < 3; ++m) {
        const Employee& e = kEmployees[rows[m]];
        SCOPED_TRACE(e.name.toStdString());
        const QJsonObject mail = MailTestServer::parse(messages.at(m));
        EXPECT_EQ(mail.value("subject").toString(), QStringLiteral("202407工资条 - ") + e.name);
        EXPECT_EQ(mail.value("body").toString(),
                  QStringLiteral(
                      "%1（%2部）您好：\r\n本月应发%3元，应扣300.00元，实发%4元。\r\n{未知}\r\n")
                      .arg(e.name)
                      .arg(rows[m] + 1)
                      .arg(QString::number(e.net + 300, 'f', 2), QString::number(e.net, 'f', 2)));
    }
}

TEST_F(MailLogRunTest, ThePreviewShowsTheFirstEmployeesMessage) {
    MailRun r(db, prompter, folder.path(), kMonth, out);
    r.setAmountFormat(QStringLiteral("0"));
    MailSettings s;
    s.emailTitle = QStringLiteral("{姓名}的工资条");
    const std::optional<MailRun::Preview> p = r.preview(s, QStringLiteral("实发{实发工资}元"));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->name, QStringLiteral("张三"));
    EXPECT_EQ(p->subject, QStringLiteral("张三的工资条"));
    EXPECT_EQ(p->body, QStringLiteral("实发5123元"));
    EXPECT_EQ(MailRun::previewText(*p),
              QStringLiteral(
                  "收件人：张三 "
                  "<zhang3@example.com>\n标题：张三的工资条\n附件：0001_张三.xls\n\n实发5123元"));
}

TEST_F(MailLogRunTest, ATemporaryRefusalIsTriedAgainAndTheMessageArrivesOnce) {
    db.exec(QStringLiteral("delete from TGZ where EmpName<>'张三'"));
    MailTestServer server({QStringLiteral("--defer"), QStringLiteral("2")});
    const std::optional<MailRun::Summary> summary = run(server);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 1);
    EXPECT_EQ(summary->failed, 0);
    EXPECT_EQ(prompter.shown(), QStringList());
    EXPECT_EQ(server.count(QStringLiteral("defer")), 2);
    EXPECT_EQ(server.count(QStringLiteral("data")), 3);
    EXPECT_EQ(recipients(server), QStringList{QStringLiteral("zhang3@example.com")});
    EXPECT_EQ(lastRun().at(0).result, MailLog::Result::Sent);
}

TEST_F(MailLogRunTest, ARefusalThatLastsFailsAfterTheRetries) {
    db.exec(QStringLiteral("delete from TGZ where EmpName<>'张三'"));
    MailTestServer server({QStringLiteral("--defer"), QStringLiteral("100")});
    const std::optional<MailRun::Summary> summary = run(server);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->sent, 0);
    EXPECT_EQ(summary->failed, 1);
    EXPECT_EQ(server.count(QStringLiteral("data")), 1 + MailRun::retries());
    EXPECT_EQ(server.messages().size(), 0);
    const MailLog::Entry entry = lastRun().at(0);
    EXPECT_EQ(entry.result, MailLog::Result::Failed);
    EXPECT_TRUE(entry.detail.contains(QStringLiteral("451"))) << entry.detail.toStdString();
}

TEST_F(MailLogRunTest, ALostConnectionIsOpenedAgainAndTheRunGoesOn) {
    MailTestServer server({QStringLiteral("--drop-at"), QStringLiteral("2")});
    const std::optional<MailRun::Summary> summary = run(server);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::Finished);
    EXPECT_EQ(summary->sent, 3) << prompter.shown().join(u'|').toStdString();
    EXPECT_EQ(recipients(server),
              (QStringList{"zhang3@example.com", "nobody@example.com", "zhao6@example.com"}));
    EXPECT_EQ(server.count(QStringLiteral("drop")), 1);
    EXPECT_EQ(server.count(QStringLiteral("connect")), 2);
    EXPECT_TRUE(server.allDisconnected());
}

TEST_F(MailLogRunTest, ALogThatCannotBeWrittenStopsTheRunBeforeAnyMail) {
    // A folder where the file should be.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("邮件发送记录_202407.csv")));
    MailTestServer server;
    const std::optional<MailRun::Summary> summary = run(server);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::LogFailed);
    EXPECT_EQ(summary->sent, 0);
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.shown().at(0).startsWith(QStringLiteral("error: ")));
    EXPECT_TRUE(prompter.shown().at(0).contains(QStringLiteral("邮件发送记录_202407.csv")))
        << prompter.shown().at(0).toStdString();
    EXPECT_EQ(server.messages().size(), 0);
    EXPECT_TRUE(server.allDisconnected());
}

TEST(MailPlaceholdersTest, EachPlaceholderIsReplacedOnceReadLeftToRight) {
    const MailPlaceholders::Values values = MailPlaceholders::valuesFor(
        {"EmpName", "DepartName", "GZTotal", "YFTotal", "KKTotal"},
        {QStringLiteral("张{月度}"), QVariant(), 1234.5, 2000, QVariant()},
        QStringLiteral("202407"), QStringLiteral("0"));
    const std::vector<std::pair<QString, QString>> cases{
        {"{姓名}", "张{月度}"},  // a value is not read again
        {"{月度}{月度}", "202407202407"},
        {"[{部门}]", "[]"},
        {"{实发工资}/{应发合计}/{应扣合计}", "1235/2000/0"},
        {"{姓名", "{姓名"},
        {"{{月度}}", "{202407}"},
        {"{其他}", "{其他}"},
        {"", ""},
    };
    for (const auto& [text, filled] : cases) {
        EXPECT_EQ(MailPlaceholders::fill(text, values), filled) << text.toStdString();
    }
    EXPECT_EQ(MailPlaceholders::names().size(), 6);
}

TEST(MailLogLineTest, FieldsWithCommasQuotesAndLineBreaksComeBackAsWritten) {
    MailLog::Entry e;
    e.run = QStringLiteral("2024-07-01 08:00:00.000");
    e.time = QDateTime(QDate(2024, 7, 1), QTime(8, 0, 5));
    e.index = 12;
    e.name = QStringLiteral("欧阳,\"小\"明");
    e.address = QStringLiteral("a@b.cn");
    e.file = QStringLiteral("0012_欧阳,\"小\"明.xls");
    e.result = MailLog::Result::Failed;
    e.detail = QStringLiteral("RCPT failed: 550\r\nno such user");
    MailLog::Entry back;
    ASSERT_TRUE(MailLog::parseLine(MailLog::formatLine(e), back));
    EXPECT_EQ(back.run, e.run);
    EXPECT_EQ(back.time, e.time);
    EXPECT_EQ(back.index, 12);
    EXPECT_EQ(back.name, e.name);
    EXPECT_EQ(back.file, e.file);
    EXPECT_EQ(back.result, MailLog::Result::Failed);
    EXPECT_EQ(back.detail, QStringLiteral("RCPT failed: 550  no such user"));
    EXPECT_FALSE(MailLog::parseLine(MailLog::header().join(u','), back));
    EXPECT_FALSE(MailLog::parseLine(QStringLiteral("a,b"), back));
}
