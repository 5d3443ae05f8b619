#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FileError.h"
#include "GbkText.h"
#include "IniFile.h"
#include "MailSettings.h"
#include "QtPrinters.h"
#include "TestFolder.h"

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QStringList kKeys{"smtp",  "port",       "user",  "pass",
                        "email", "emailtitle", "pass1", "ledAttachment"};

}  // namespace

TEST(MailSettingsTest, NoFileGivesTheDefaultsAndSavingWritesAllEightKeys) {
    TestFolder folder(false);
    const MailSettings s = MailSettings::load(folder.path());
    EXPECT_EQ(s.smtp, MailSettings::defaultHost());
    EXPECT_FALSE(s.smtp.isEmpty());
    EXPECT_EQ(s.port, QStringLiteral("25"));
    EXPECT_EQ(s.user, QString());
    EXPECT_EQ(s.pass, QString());
    EXPECT_EQ(s.email, QString());
    EXPECT_EQ(s.emailTitle, QString());
    EXPECT_FALSE(s.authentication);
    EXPECT_EQ(s.attachment, QString());

    s.save(folder.path());
    const IniFile ini(folder.file(QStringLiteral("comm.ini")));
    EXPECT_EQ(ini.keys(QStringLiteral("comm")), kKeys);
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("pass1"), QStringLiteral("?")),
              QStringLiteral("0"));
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("smtp"), QString()),
              MailSettings::defaultHost());
}

TEST(MailSettingsTest, ValuesComeBackAsTypedInAGbkFile) {
    TestFolder folder(false);
    MailSettings s;
    s.smtp = QStringLiteral("mail.qinghe.example.cn");
    s.port = QStringLiteral("abc");
    s.user = QStringLiteral("财务");
    s.pass = QStringLiteral("p#ss word");
    s.email = QStringLiteral("hr@qinghe.example.cn");
    s.emailTitle = QStringLiteral("2024年5月工资条");
    s.authentication = true;
    s.attachment = QStringLiteral("/home/hr/工资条/0005_钱七.xls");
    s.save(folder.path());

    const MailSettings back = MailSettings::load(folder.path());
    EXPECT_EQ(back.smtp, s.smtp);
    EXPECT_EQ(back.port, QStringLiteral("abc"));
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.pass, s.pass);
    EXPECT_EQ(back.email, s.email);
    EXPECT_EQ(back.emailTitle, s.emailTitle);
    EXPECT_TRUE(back.authentication);
    EXPECT_EQ(back.attachment, s.attachment);

    const QByteArray raw = fileBytes(folder.file(QStringLiteral("comm.ini")));
    EXPECT_TRUE(raw.contains(GbkText::encode(QStringLiteral("emailtitle=2024年5月工资条\r\n"))));
    EXPECT_TRUE(raw.contains("pass1=1\r\n"));
    EXPECT_TRUE(raw.contains("port=abc\r\n"));
    EXPECT_TRUE(raw.contains("pass=p#ss word\r\n")) << "the password stands as typed";
}

TEST(MailSettingsTest, SavingKeepsTheRestOfTheFile) {
    TestFolder folder(false);
    QFile f(folder.file(QStringLiteral("comm.ini")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("; kept\r\n[comm]\r\nsmtp=old.example.com\r\nother=1\r\n[more]\r\nx=y\r\n");
    f.close();
    MailSettings s = MailSettings::load(folder.path());
    EXPECT_EQ(s.smtp, QStringLiteral("old.example.com"));
    s.smtp = QStringLiteral("new.example.com");
    s.save(folder.path());
    const QByteArray raw = fileBytes(folder.file(QStringLiteral("comm.ini")));
    EXPECT_TRUE(raw.startsWith("; kept\r\n[comm]\r\nsmtp=new.example.com\r\nother=1\r\n"))
        << raw.constData();
    EXPECT_TRUE(raw.contains("[more]\r\nx=y\r\n"));
}

TEST(MailSettingsTest, PortTextThatIsNoPortMeans25) {
    const std::vector<std::pair<QString, int>> cases{
        {"25", 25},  {"587", 587}, {"465", 465}, {" 2525 ", 2525}, {"abc", 25},   {"", 25},
        {"12a", 25}, {"0", 25},    {"-25", 25},  {"65535", 65535}, {"65536", 25}, {"2.5", 25},
    };
    for (const auto& [text, port] : cases) {
        EXPECT_EQ(MailSettings::portNumber(text), port) << text.toStdString();
    }
}

TEST(MailSettingsTest, TheBodyFileHoldsOneLinePerLine) {
    TestFolder folder(false);
    EXPECT_FALSE(MailSettings::loadContent(folder.path()).has_value());

    const QString body = QStringLiteral("您好：\n附件是您本月的工资条。\n\n财务部");
    ASSERT_TRUE(MailSettings::saveContent(folder.path(), body));
    EXPECT_EQ(
        fileBytes(folder.file(QStringLiteral("EMailContent.Lst"))),
        GbkText::encode(QStringLiteral("您好：\r\n附件是您本月的工资条。\r\n\r\n财务部\r\n")));
    EXPECT_EQ(MailSettings::loadContent(folder.path()).value_or(QString()), body);

    ASSERT_TRUE(MailSettings::saveContent(folder.path(), QString()));
    EXPECT_EQ(MailSettings::loadContent(folder.path()).value_or(QStringLiteral("x")), QString());
}

TEST(MailSettingsTest, ABodyFileThatCannotBeWrittenIsReportedAsFalse) {
    TestFolder folder(false);
    EXPECT_FALSE(MailSettings::saveContent(folder.file(QStringLiteral("missing/folder")),
                                           QStringLiteral("工资条")));
}
