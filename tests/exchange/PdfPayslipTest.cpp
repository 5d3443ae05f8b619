#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>

#include "../printing/PrintingFixture.h"
#include "Database.h"
#include "EPayslipRun.h"
#include "MailRun.h"
#include "MailSettings.h"
#include "MailTestServer.h"
#include "PdfEncryption.h"
#include "PdfEncryptionError.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

const QString kMonth = QStringLiteral("202406");

struct Employee {
    QString code;
    QString name;
    QString email;
    double net;
};

// Four employees in this order (the departments sort as numbered); 赵六 has no employee code.
const std::vector<Employee> kEmployees{
    {QStringLiteral("E001"), QStringLiteral("张三"), QStringLiteral("zhang3@example.com"), 5123.4},
    {QStringLiteral("E002"), QStringLiteral("李四"), QStringLiteral("li4@example.com"), 6234.5},
    {QStringLiteral("密码3"), QStringLiteral("王五"), QStringLiteral("wang5@example.com"), 7345.6},
    {QString(), QStringLiteral("赵六"), QStringLiteral("zhao6@example.com"), 8456.7},
};

QString net(const Employee& e) {
    return QString::number(e.net, 'f', 2);
}

struct Tool {
    int exitCode;
    QString output;
};

Tool qpdf(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("qpdf"), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

class PdfPayslipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        printing_test::installTemplates(folder.path());
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        db.exec("Update TPara Set EntName=?, PrintDays=0", {QStringLiteral("青禾机械厂")});
        params.ShowFloat = 1;
        params.ShowXH = 1;
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, 3, 2);
        int k = 0;
        for (const Employee& e : kEmployees) {
            ++k;
            fixture::addRow(db, kMonth,
                            {{"DepartName", QStringLiteral("%1部").arg(k)},
                             {"EmpCode", e.code},
                             {"EmpName", e.name},
                             {"EMail", e.email},
                             {"GZ1", e.net + 200},
                             {"KK1", 200},
                             {"YFTotal", e.net + 200},
                             {"KKTotal", 200},
                             {"GZTotal", e.net}});
        }
        QDir(folder.path()).mkpath(QStringLiteral("out"));
        out = folder.file(QStringLiteral("out"));
    }

    std::optional<EPayslipRun::Summary> write(std::optional<QString> passwordColumn) {
        prompter.queueConfirm(false);
        EPayslipRun run(db, prompter, kMonth, QString(), params);
        run.setPdf(folder.path(), std::move(passwordColumn));
        return run.Button2Click(out);
    }

    QString file(int index) const {
        return EPayslipRun::fileNameFor(out, index, kEmployees[index - 1].name,
                                        EPayslipRun::FileKind::Pdf);
    }

    // The file opened with `password`, decrypted, and its text as pdftotext reads it.
    QString decryptedText(const QString& pdf, const QString& password) {
        const QString plain = folder.file(QStringLiteral("plain.pdf"));
        QFile::remove(plain);
        const Tool t = qpdf(
            {QStringLiteral("--password=") + password, QStringLiteral("--decrypt"), pdf, plain});
        EXPECT_EQ(t.exitCode, 0) << t.output.toStdString();
        return printing_test::pdfText(plain);
    }

    // Only the right password opens the file, and it shows exactly that employee.
    void expectLockedPayslipOf(const QString& pdf, int employee) {
        const Employee& e = kEmployees[employee];
        SCOPED_TRACE(e.name.toStdString());
        EXPECT_NE(qpdf({QStringLiteral("--check"), pdf}).exitCode, 0);
        EXPECT_NE(
            qpdf({QStringLiteral("--password=wrong"), QStringLiteral("--check"), pdf}).exitCode, 0);
        const Tool checked =
            qpdf({QStringLiteral("--password=") + e.code, QStringLiteral("--check"), pdf});
        EXPECT_EQ(checked.exitCode, 0) << checked.output.toStdString();
        // AES-256: the PDF 2.0 security handler.
        const Tool shown = qpdf(
            {QStringLiteral("--password=") + e.code, QStringLiteral("--show-encryption"), pdf});
        EXPECT_TRUE(shown.output.contains(QStringLiteral("R = 6"))) << shown.output.toStdString();
        EXPECT_TRUE(shown.output.contains(QStringLiteral("AESv3"))) << shown.output.toStdString();
        const QString text = decryptedText(pdf, e.code);
        EXPECT_TRUE(text.contains(e.name)) << text.toStdString();
        EXPECT_TRUE(text.contains(net(e))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("青禾机械厂工资单")));
        for (const Employee& other : kEmployees) {
            if (other.name == e.name) continue;
            EXPECT_FALSE(text.contains(other.name)) << other.name.toStdString();
            EXPECT_FALSE(text.contains(net(other))) << other.name.toStdString();
        }
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    TAppParams params;
    QString out;
};

}  // namespace

TEST_F(PdfPayslipTest, EachRowGetsItsOwnPdfNamedByTheSameRule) {
    const std::optional<EPayslipRun::Summary> summary = write(std::nullopt);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->written, 4);
    EXPECT_EQ(summary->failed, 0);
    QStringList files = QDir(out).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files,
              (QStringList{"0001_张三.pdf", "0002_李四.pdf", "0003_王五.pdf", "0004_赵六.pdf"}));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QString pdf = file(i + 1);
        EXPECT_EQ(qpdf({QStringLiteral("--check"), pdf}).exitCode, 0);
        const QString text = printing_test::pdfText(pdf);
        EXPECT_TRUE(text.contains(kEmployees[i].name));
        EXPECT_TRUE(text.contains(net(kEmployees[i])));
        for (int j = 0; j < 4; ++j) {
            if (j != i) {
                EXPECT_FALSE(text.contains(kEmployees[j].name));
            }
        }
        // The printed payslip's captions and its running number.
        EXPECT_TRUE(text.contains(QStringLiteral("%1收入1").arg(kMonth)));
        EXPECT_EQ(printing_test::pdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("1"));
    }
    EXPECT_EQ(prompter.texts().at(0),
              QStringLiteral("生成工资条结束！\n已生成工资条文件 4 个，失败 0 个。"));
}

TEST_F(PdfPayslipTest, APasswordColumnLocksEachFileAndAnEmptyOneGetsNoFile) {
    // A file of an earlier run must not stay behind for the row that now gets none.
    printing_test::writeFile(file(4), "stale");
    const std::optional<EPayslipRun::Summary> summary = write(QStringLiteral("EmpCode"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->written, 3);
    EXPECT_EQ(summary->failed, 0);
    EXPECT_EQ(summary->withoutPassword, QStringList{QStringLiteral("0004_赵六")});
    EXPECT_FALSE(QFile::exists(file(4)));
    EXPECT_EQ(prompter.texts().at(0),
              QStringLiteral("生成工资条结束！\n已生成工资条文件 3 个，失败 0 个。\n"
                             "以下 1 名职员的密码列为空，没有生成工资条：\n0004_赵六"));
    for (int i = 0; i < 3; ++i) expectLockedPayslipOf(file(i + 1), i);
}

TEST_F(PdfPayslipTest, LockedPayslipsArriveByMailAndOpenOnlyWithTheirPassword) {
    ASSERT_TRUE(write(QStringLiteral("EmpCode")));
    MailTestServer server;
    MailSettings settings;
    settings.smtp = QStringLiteral("127.0.0.1");
    settings.port = QString::number(server.port());
    settings.email = QStringLiteral("hr@example.com");
    settings.emailTitle = QStringLiteral("{月度}工资条");
    MailRun run(db, prompter, folder.path(), kMonth, out);
    run.setPauseMs(0);
    run.setFileKind(EPayslipRun::FileKind::Pdf);
    const std::optional<MailRun::Summary> summary =
        run.cmdEmailClick(settings, QStringLiteral("附件密码是您的职员编码。"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->end, MailRun::End::Finished);
    EXPECT_EQ(summary->sent, 3);
    // 赵六 has no file: skipped and recorded, the run goes on.
    EXPECT_EQ(summary->skipped, 1);
    const std::vector<MailLog::Entry> log = MailLog(folder.path(), kMonth).lastRun();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].result, MailLog::Result::Skipped);
    EXPECT_EQ(log[3].detail, QStringLiteral("没有工资条文件"));

    const QStringList messages = server.messages();
    ASSERT_EQ(messages.size(), 3);
    for (int m = 0; m < 3; ++m) {
        const QJsonObject mail = MailTestServer::parse(messages.at(m));
        EXPECT_EQ(mail.value("to").toString(), kEmployees[m].email);
        const QJsonObject attachment = mail.value("attachments").toArray().at(0).toObject();
        EXPECT_EQ(attachment.value("filename").toString(), QFileInfo(file(m + 1)).fileName());
        EXPECT_EQ(attachment.value("content_type").toString(), QStringLiteral("application/pdf"));
        const QString received = folder.file(QStringLiteral("received%1.pdf").arg(m));
        printing_test::writeFile(
            received, QByteArray::fromBase64(attachment.value("data").toString().toLatin1()));
        expectLockedPayslipOf(received, m);
    }
}

TEST(PdfEncryptionTest, SomethingThatIsNoPdfIsRefusedWithQpdfsWords) {
    try {
        PdfEncryption::encrypt("not a pdf at all", QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const PdfEncryptionError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("PDF文件加密失败：")))
            << e.message().toStdString();
        EXPECT_GT(e.message().size(), QStringLiteral("PDF文件加密失败：").size());
    }
}
