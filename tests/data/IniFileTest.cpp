#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "FileError.h"
#include "GbkText.h"
#include "IniFile.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A hand-edited file: a comment, letter cases that differ from the readers', blanks around
// values, a line without "=", an empty value and keys before the first section.
QByteArray SampleFile() {
    return GbkText::encode(
        QStringLiteral("Stray=ignored\r\n"
                       "; 厂商信息\r\n"
                       "[Last]\r\n"
                       "EntName = 旧名称 \r\n"
                       "Flag=1\r\n"
                       "\r\n"
                       "[comm]\r\n"
                       "Host=smtp.example.cn\r\n"
                       "noise line\r\n"
                       "Port=\r\n"));
}

class IniFileTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(temp_.isValid()); }
    QString path() const { return temp_.filePath(QStringLiteral("comm.ini")); }

    QTemporaryDir temp_;
};

}  // namespace

TEST_F(IniFileTest, MissingFileGivesDefaultsAndSavingCreatesIt) {
    IniFile ini(path());
    EXPECT_EQ(
        ini.readString(QStringLiteral("Last"), QStringLiteral("EntName"), QStringLiteral("默认")),
        QStringLiteral("默认"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("comm"), QStringLiteral("Port"), 25), 25);
    EXPECT_TRUE(ini.readBool(QStringLiteral("comm"), QStringLiteral("Auth"), true));
    EXPECT_TRUE(ini.sections().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path()));

    ini.writeString(QStringLiteral("Last"), QStringLiteral("EntName"), QStringLiteral("某某公司"));
    ini.save();
    EXPECT_EQ(ReadFile(path()),
              QByteArray("[Last]\r\nEntName=\xC4\xB3\xC4\xB3\xB9\xAB\xCB\xBE\r\n"));
}

TEST_F(IniFileTest, RoundTripKeepsChineseValues) {
    {
        IniFile ini(path());
        ini.writeString(QStringLiteral("comm"), QStringLiteral("User"), QStringLiteral("张三"));
        ini.writeString(QStringLiteral("comm"), QStringLiteral("Subject"),
                        QStringLiteral("2024年5月工资条"));
        ini.writeInteger(QStringLiteral("comm"), QStringLiteral("Port"), 465);
        ini.writeBool(QStringLiteral("comm"), QStringLiteral("Auth"), true);
        ini.writeBool(QStringLiteral("comm"), QStringLiteral("Ssl"), false);
        ini.save();
    }
    const QByteArray raw = ReadFile(path());
    EXPECT_TRUE(raw.contains(GbkText::encode(QStringLiteral("User=张三\r\n"))));
    EXPECT_FALSE(raw.contains(QStringLiteral("张三").toUtf8()));

    const IniFile ini(path());
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("User"), QString()),
              QStringLiteral("张三"));
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("Subject"), QString()),
              QStringLiteral("2024年5月工资条"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("comm"), QStringLiteral("Port"), 25), 465);
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("Auth"), QString()),
              QStringLiteral("1"));
    EXPECT_TRUE(ini.readBool(QStringLiteral("comm"), QStringLiteral("Auth"), false));
    EXPECT_FALSE(ini.readBool(QStringLiteral("comm"), QStringLiteral("Ssl"), true));
    EXPECT_EQ(ini.keys(QStringLiteral("comm")),
              (QStringList{QStringLiteral("User"), QStringLiteral("Subject"),
                           QStringLiteral("Port"), QStringLiteral("Auth"), QStringLiteral("Ssl")}));
}

TEST_F(IniFileTest, ReadsNamesWithoutLetterCaseAndTrimsValues) {
    WriteFile(path(), SampleFile());
    const IniFile ini(path());
    EXPECT_EQ(ini.sections(), (QStringList{QStringLiteral("Last"), QStringLiteral("comm")}));
    EXPECT_EQ(ini.keys(QStringLiteral("LAST")),
              (QStringList{QStringLiteral("EntName"), QStringLiteral("Flag")}));
    EXPECT_EQ(ini.readString(QStringLiteral("LAST"), QStringLiteral("entname"), QString()),
              QStringLiteral("旧名称"));
    EXPECT_TRUE(ini.hasKey(QStringLiteral("Comm"), QStringLiteral("PORT")));
    EXPECT_FALSE(ini.hasKey(QStringLiteral("comm"), QStringLiteral("noise line")));
    // Keys before the first section belong to no section.
    EXPECT_FALSE(ini.hasKey(QString(), QStringLiteral("Stray")));
    // "Port=" is an empty value, not a missing one.
    EXPECT_EQ(ini.readString(QStringLiteral("comm"), QStringLiteral("Port"), QStringLiteral("25")),
              QString());
    EXPECT_EQ(ini.readString(QStringLiteral("other"), QStringLiteral("Host"), QStringLiteral("d")),
              QStringLiteral("d"));
}

TEST_F(IniFileTest, SavingKeepsCommentsOrderAndUnknownLines) {
    WriteFile(path(), SampleFile());
    IniFile ini(path());
    ini.writeString(QStringLiteral("last"), QStringLiteral("ENTNAME"), QStringLiteral("新名称"));
    ini.writeString(QStringLiteral("Last"), QStringLiteral("Tel"), QStringLiteral(" 123 "));
    ini.writeString(QStringLiteral("COMM"), QStringLiteral("User"), QStringLiteral("张三"));
    ini.writeString(QStringLiteral("New"), QStringLiteral("K"), QStringLiteral("v"));
    ini.save();
    EXPECT_EQ(ReadFile(path()), GbkText::encode(QStringLiteral("Stray=ignored\r\n"
                                                               "; 厂商信息\r\n"
                                                               "[Last]\r\n"
                                                               "EntName=新名称\r\n"
                                                               "Flag=1\r\n"
                                                               "Tel=123\r\n"
                                                               "\r\n"
                                                               "[comm]\r\n"
                                                               "Host=smtp.example.cn\r\n"
                                                               "noise line\r\n"
                                                               "Port=\r\n"
                                                               "User=张三\r\n"
                                                               "[New]\r\n"
                                                               "K=v\r\n")));
}

TEST_F(IniFileTest, NumbersAndFlagsFallBackToTheDefaultWhenUnparsable) {
    struct Case {
        const char* value;
        int integer;  // with default 7
        bool flagWhenDefaultFalse;
        bool flagWhenDefaultTrue;
    };
    const Case cases[] = {
        {"12", 12, true, true},  {"0", 0, false, false},  {"-3", -3, true, true},
        {" 5 ", 5, true, true},  {"abc", 7, false, true}, {"", 7, false, true},
        {"1.5", 7, false, true},
    };
    QByteArray text("[s]\r\n");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        text += "k" + QByteArray::number(qulonglong(i)) + "=" + cases[i].value + "\r\n";
    }
    WriteFile(path(), text);
    const IniFile ini(path());
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string("\"") + c.value + "\"");
        const QString key = QStringLiteral("k%1").arg(i);
        EXPECT_EQ(ini.readInteger(QStringLiteral("s"), key, 7), c.integer);
        EXPECT_EQ(ini.readBool(QStringLiteral("s"), key, false), c.flagWhenDefaultFalse);
        EXPECT_EQ(ini.readBool(QStringLiteral("s"), key, true), c.flagWhenDefaultTrue);
    }
}

TEST_F(IniFileTest, SaveFailureThrowsFileError) {
    IniFile ini(temp_.filePath(QStringLiteral("no/folder/comm.ini")));
    ini.writeString(QStringLiteral("comm"), QStringLiteral("Host"), QStringLiteral("x"));
    EXPECT_THROW(ini.save(), FileError);
}

TEST_F(IniFileTest, AWrittenValueReadsBackAfterAnInvisibleMarkBeforeASectionName) {
    // A UTF-8 file with a byte order mark inside it: "\uFEFF[Mail]" is no section header, so
    // the key written goes to a new [Mail] section. Saving must not turn that line into a
    // header that the written key would then be read from.
    WriteFile(path(), QByteArray("k\n\xEF\xBB\xBF[Mail]\r\nSmtpHost=old\r\n"));
    IniFile ini(path());
    EXPECT_FALSE(ini.hasKey(QStringLiteral("Mail"), QStringLiteral("SmtpHost")));
    ini.writeString(QStringLiteral("Mail"), QStringLiteral("SmtpHost"), QStringLiteral("新主机"));
    ini.save();
    const IniFile again(path());
    EXPECT_EQ(again.readString(QStringLiteral("Mail"), QStringLiteral("SmtpHost"), QString()),
              QStringLiteral("新主机"));
    EXPECT_EQ(ReadFile(path()), GbkText::encode(QStringLiteral("k\r\n?[Mail]\r\nSmtpHost=old\r\n"
                                                               "[Mail]\r\nSmtpHost=新主机\r\n")));
}
