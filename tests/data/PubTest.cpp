#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <limits>

#include "FileError.h"
#include "Pub.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(FindListItem, ExactAndPrefixMatchesAreCaseSensitive) {
    const QStringList twoLetters{QStringLiteral("xaby"), QStringLiteral("abz")};
    EXPECT_EQ(FindListItem(twoLetters, QStringLiteral("ab"), true), 1);
    EXPECT_EQ(FindListItem(twoLetters, QStringLiteral("ab"), false), -1);

    const QStringList cases{QStringLiteral("AB"), QStringLiteral("ab"), QStringLiteral("ab")};
    EXPECT_EQ(FindListItem(cases, QStringLiteral("ab"), false), 1);
    EXPECT_EQ(FindListItem(cases, QStringLiteral("Ab"), true), -1);
    EXPECT_EQ(FindListItem(cases, QStringLiteral("A"), true), 0);
    EXPECT_EQ(FindListItem({}, QStringLiteral("ab"), true), -1);
}

TEST(PadText, ExtendsToWidthButNeverCuts) {
    struct Case {
        const char* text;
        int width;
        const char* zeroLeft;
        const char* spaceRight;
    };
    const Case cases[] = {
        {"7", 3, "007", "7  "}, {"1234", 3, "1234", "1234"}, {"12", 2, "12", "12"},
        {"", 2, "00", "  "},    {"5", -1, "5", "5"},         {"工资", 3, "0工资", "工资 "},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        SCOPED_TRACE(std::string(c.text) + " width " + std::to_string(c.width));
        EXPECT_EQ(PadZeroLeft(text, c.width).toStdString(), c.zeroLeft);
        EXPECT_EQ(PadSpaceRight(text, c.width).toStdString(), c.spaceRight);
    }
}

TEST(CountSubStr, CountsNonOverlappingOccurrences) {
    struct Case {
        const char* pattern;
        const char* text;
        int count;
    };
    const Case cases[] = {
        {"aa", "aaaa", 2}, {"aa", "aaa", 1}, {"|", "应发|工资|合计", 2}, {"x", "abc", 0},
        {"", "abc", 0},    {"abc", "", 0},   {"工", "工资工", 2},        {"ab", "ab", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " in " + c.text);
        EXPECT_EQ(CountSubStr(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text)), c.count);
    }
}

TEST(CleanNumText, FollowsTheMaskedBoxRules) {
    const std::pair<const char*, const char*> cases[] = {
        {" 12.  ", "12"}, {"  .  ", "0.0"}, {"    ", "0"},        {".5", ".5"},
        {"", "0"},        {" .0 ", "0.0"},  {"12.50", "12.50"},   {"1 2 3", "123"},
        {".", "0.0"},     {"0.", "0"},      {" -3.25 ", "-3.25"}, {"..", "."},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(std::string("\"") + input + "\"");
        EXPECT_EQ(CleanNumText(QString::fromUtf8(input)).toStdString(), expected);
    }
}

TEST(IsEmailAddress, ChecksAtSignAndDotPositions) {
    const std::pair<const char*, bool> cases[] = {
        {"a@b.c", true},
        {"first.last@example.com", true},  // a dotted name part is a real address
        {"zhang.san@mail.example.cn", true},
        {"@b.c", false},    // begins with "@"
        {"abc.de", false},  // no "@"
        {"a@bc.", false},   // the only "." is the last character
        {"a@bc", false},    // no "." after the "@"
        {"a.b@c", false},   // the "." stands only before the "@"
        {"a.b@c.", false},  // the first "." after the "@" is the last character
        {"", false},
    };
    for (const auto& [text, valid] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(IsEmailAddress(QString::fromUtf8(text)), valid);
    }
}

TEST(FormatFloat, RoundsTheDecimalValueHalfAwayFromZero) {
    struct Case {
        const char* format;
        double value;
        const char* expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"0", 100.4 + 100.4, "201"},
        {"0.00", 2.675, "2.68"},  // binary rounding would give 2.67
        {"0.00", 1.005, "1.01"},
        {"0.00", -1.005, "-1.01"},
        {"0.00", 9.995, "10.00"},  // carries into a new digit
        {"0", 99.5, "100"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"0", 0.5, "1"},
        {"0", 0.49, "0"},
        {"0.00", 0.125, "0.13"},
        {"0.00", 0.1 + 0.2, "0.30"},
        {"0.00", 0.005, "0.01"},
        {"0.00", 0.0049, "0.00"},
        {"0.00", 0.0005, "0.00"},
        {"0", 1e-7, "0"},
        {"0.00", 1e-7, "0.00"},
        {"0", -0.4, "0"},  // rounds to zero: no minus sign
        {"0.00", -0.004, "0.00"},
        {"0", -0.0, "0"},
        {"0.00", 0.0, "0.00"},
        {"0.00", 1234.5, "1234.50"},
        {"0", 1234.5, "1235"},
        {"0.00", 123456789.125, "123456789.13"},
        {"0", 1e20, "100000000000000000000"},
        {"0.0", 0.05, "0.1"},
        {"0.0", 7.0, "7.0"},
        {"0.000", 1.0005, "1.001"},
        {"0", -1234.56, "-1235"},
        {"0", nan, "0"},
        {"0.00", inf, "0.00"},
        {"0", -inf, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.value));
        EXPECT_EQ(FormatFloat(QString::fromLatin1(c.format), c.value).toStdString(), c.expected);
    }
}

TEST(VariantToDouble, ReadsNumbersAndTreatsTheRestAsZero) {
    const std::pair<QVariant, double> cases[] = {
        {QVariant(), 0.0},
        {QVariant(QString()), 0.0},
        {QVariant(QStringLiteral("")), 0.0},
        {QVariant(QStringLiteral("abc")), 0.0},
        {QVariant(QStringLiteral(" 12.5 ")), 12.5},
        {QVariant(QStringLiteral("-3")), -3.0},
        {QVariant(3), 3.0},
        {QVariant(2.25), 2.25},
        {QVariant(qlonglong(5000000000)), 5e9},
        {QVariant(QStringLiteral("inf")), 0.0},
        {QVariant(qInf()), 0.0},
        {QVariant(qQNaN()), 0.0},
        {QVariant(-0.5), -0.5},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value.toString().toStdString());
        EXPECT_DOUBLE_EQ(VariantToDouble(value), expected);
    }
}

TEST(WaitWithMessages, WaitsAtLeastTheTimeWhileHandlingEvents) {
    for (const int ms : {0, 60}) {
        SCOPED_TRACE(ms);
        bool handled = false;
        QTimer::singleShot(0, [&handled] { handled = true; });
        QElapsedTimer timer;
        timer.start();
        WaitWithMessages(ms);
        EXPECT_GT(timer.elapsed(), ms);
        EXPECT_TRUE(handled);
    }
}

TEST(ClearFolderFiles, DeletesFilesAtEveryDepthAndKeepsFolders) {
    for (const char* suffix : {"", "/", "\\"}) {
        SCOPED_TRACE(std::string("suffix \"") + suffix + "\"");
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QString root = temp.filePath(QStringLiteral("ContractFile"));
        const QStringList files{
            QStringLiteral("a.txt"),
            QStringLiteral(".hidden"),
            QStringLiteral("合同/张三.doc"),
            QStringLiteral("合同/2024/deep/c.dat"),
        };
        for (const QString& file : files) {
            WriteFile(root + u'/' + file, "x");
        }
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/empty")));
        // Something outside the folder, reachable through a link inside it, must survive.
        const QString outside = temp.filePath(QStringLiteral("outside/keep.txt"));
        WriteFile(outside, "keep");
        ASSERT_TRUE(
            QFile::link(temp.filePath(QStringLiteral("outside")), root + QStringLiteral("/link")));

        ClearFolderFiles(root + QString::fromLatin1(suffix));

        for (const QString& file : files) {
            EXPECT_FALSE(QFileInfo::exists(root + u'/' + file)) << file.toStdString();
        }
        EXPECT_FALSE(QFileInfo(root + QStringLiteral("/link")).isSymLink());
        for (const char* folder : {"", "/合同", "/合同/2024/deep", "/empty"}) {
            EXPECT_TRUE(QFileInfo(root + QString::fromUtf8(folder)).isDir()) << folder;
        }
        EXPECT_EQ(ReadFile(outside), QByteArray("keep"));
    }
}

TEST(ClearFolderFiles, IgnoresMissingAndEmptyFolderNames) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString bystander = temp.filePath(QStringLiteral("stay.txt"));
    WriteFile(bystander, "x");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(temp.path()));
    // An empty name must not be taken for the working folder.
    ClearFolderFiles(QString());
    ClearFolderFiles(temp.filePath(QStringLiteral("missing/")));
    QDir::setCurrent(previous);
    EXPECT_TRUE(QFileInfo::exists(bystander));
}

TEST(CopyFileStream, CopiesEveryByteAndReplacesTheDestination) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    QByteArray content;
    for (int i = 0; i < 200 * 1024; ++i) {
        content.append(static_cast<char>((i * 7) % 256));
    }
    const QString source = temp.filePath(QStringLiteral("模板.xls"));
    WriteFile(source, content);

    const QString fresh = temp.filePath(QStringLiteral("0001_张三.xls"));
    CopyFileStream(source, fresh);
    EXPECT_EQ(ReadFile(fresh), content);

    const QString longer = temp.filePath(QStringLiteral("old.xls"));
    WriteFile(longer, QByteArray(300 * 1024, 'z'));
    CopyFileStream(source, longer);
    EXPECT_EQ(ReadFile(longer), content);

    const QString empty = temp.filePath(QStringLiteral("empty.bin"));
    WriteFile(empty, QByteArray());
    CopyFileStream(empty, fresh);
    EXPECT_EQ(QFileInfo(fresh).size(), 0);
}

TEST(CopyFileStream, FailureNamesTheFile) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString source = temp.filePath(QStringLiteral("source.xls"));
    WriteFile(source, "data");
    const QString missing = temp.filePath(QStringLiteral("缺少.xls"));
    const QString out = temp.filePath(QStringLiteral("out.xls"));
    const QString unreachable = temp.filePath(QStringLiteral("no/such/folder/out.xls"));
    struct Case {
        QString from;
        QString to;
        QString named;
    };
    const Case cases[] = {
        {missing, out, missing},
        {source, unreachable, unreachable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named.toStdString());
        try {
            CopyFileStream(c.from, c.to);
            ADD_FAILURE() << "no FileError";
        } catch (const FileError& error) {
            EXPECT_TRUE(error.message().contains(c.named)) << error.message().toStdString();
        }
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST(BrowserUrl, TakesAddressesAsUrlsAndTheRestAsLocalFiles) {
    const QString here = QDir::currentPath();
    const std::pair<QString, QUrl> cases[] = {
        {QStringLiteral("http://www.example.com/a?b=1"),
         QUrl(QStringLiteral("http://www.example.com/a?b=1"))},
        {QStringLiteral("https://example.cn"), QUrl(QStringLiteral("https://example.cn"))},
        {QStringLiteral("www.example.com"), QUrl(QStringLiteral("http://www.example.com"))},
        {QStringLiteral("mailto:a@b.c"), QUrl(QStringLiteral("mailto:a@b.c"))},
        {QStringLiteral("/opt/gzt/Help/LarkGZ.htm"),
         QUrl::fromLocalFile(QStringLiteral("/opt/gzt/Help/LarkGZ.htm"))},
        {QStringLiteral("Help/LarkGZ.htm"),
         QUrl::fromLocalFile(here + QStringLiteral("/Help/LarkGZ.htm"))},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input.toStdString());
        EXPECT_EQ(BrowserUrl(input).toString().toStdString(), expected.toString().toStdString());
    }
    EXPECT_FALSE(OpenInBrowser(QString()));
}

class ShellOpenFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        // The probe writes its arguments and working folder, then moves the result into place,
        // so the test never reads a half-written file.
        script_ = temp_.filePath(QStringLiteral("gzt-probe"));
        WriteFile(script_,
                  "#!/bin/sh\n"
                  "out=\"$(dirname \"$0\")/args.txt\"\n"
                  "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$out.tmp\"\n"
                  "mv \"$out.tmp\" \"$out\"\n");
        QFile::setPermissions(script_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // What the probe recorded: its working folder, then one line per argument.
    std::string waitForProbe() {
        const QString result = temp_.filePath(QStringLiteral("args.txt"));
        QElapsedTimer timer;
        timer.start();
        while (!QFileInfo::exists(result) && timer.elapsed() < 10000) {
            WaitWithMessages(20);
        }
        return ReadFile(result).toStdString();
    }

    QTemporaryDir temp_;
    QString script_;
};

TEST_F(ShellOpenFileTest, StartsAProgramWithSplitParametersInItsFolder) {
    ASSERT_TRUE(ShellOpenFile(script_, QStringLiteral("one \"two words\" 三")));
    EXPECT_EQ(waitForProbe(), temp_.path().toStdString() + "\none\ntwo words\n三\n");
}

TEST_F(ShellOpenFileTest, FindsABareProgramNameOnTheSearchPath) {
    const QByteArray previous = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(temp_.path()) + ':' + previous);
    const bool started = ShellOpenFile(QStringLiteral("gzt-probe"), QString());
    qputenv("PATH", previous);
    ASSERT_TRUE(started);
    EXPECT_EQ(waitForProbe(), temp_.path().toStdString() + "\n");
}

TEST_F(ShellOpenFileTest, MissingFileStartsNothing) {
    EXPECT_FALSE(ShellOpenFile(temp_.filePath(QStringLiteral("PayUpdater.exe")), QString()));
    EXPECT_FALSE(ShellOpenFile(QStringLiteral("gzt-no-such-program-here"), QString()));
    EXPECT_FALSE(ShellOpenFile(QString(), QString()));
}
