#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "FileError.h"
#include "GbkText.h"

namespace {

// GBK bytes written out by hand, so the tests do not check the codec against itself.
const QByteArray kGongZi("\xB9\xA4\xD7\xCA");    // 工资
const QByteArray kLianTong("\xC1\xAA\xCD\xA8");  // 联通: GBK bytes that look like UTF-8 lead bytes

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(GbkText, EncodesAndDecodesTheCodePage) {
    EXPECT_EQ(GbkText::encode(QStringLiteral("工资")), kGongZi);
    EXPECT_EQ(GbkText::decode(kGongZi + "ab" + kLianTong), QStringLiteral("工资ab联通"));
    EXPECT_EQ(GbkText::encode(QStringLiteral("a😀b")), QByteArray("a?b"));
}

TEST(GbkText, CharactersTheConverterWouldDropAreWrittenAsQuestionMarks) {
    // Invisible marks GBK lacks must leave a trace like every other missing character, or a
    // saved line changes its meaning.
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"a\uFEFFb", "a?b"},           {u"\u00AD", "?"},           {u"x\u200By\u200Dz", "x?y?z"},
        {u"\u2764\uFE0F", "??"},        {u"\u202E工", "?\xB9\xA4"}, {u"\U000E0067!", "?!"},
        {u"\uFFF8\u3164\u180E", "???"},
    };
    for (const auto& [text, encoded] : cases) {
        const QString input = QString::fromUtf16(text);
        SCOPED_TRACE(input.toStdString());
        EXPECT_EQ(GbkText::encode(input), QByteArray(encoded));
        EXPECT_EQ(GbkText::byteLength(input), static_cast<int>(qstrlen(encoded)));
        EXPECT_EQ(GbkText::leftBytes(input, 1), input.left(input.at(0).isHighSurrogate() ? 2 : 1));
    }
}

TEST(GbkText, LongTextsGiveTheConvertersBytes) {
    // Long texts are encoded a character at a time; the bytes must be those the converter gives
    // for the text as a whole. Pieces: ASCII and controls, Chinese, full-width and GBK-only
    // punctuation, the euro sign (one byte in GBK), private use (GBK's user area), Latin with
    // accents, and characters GBK lacks (Thai, Hangul, U+FFFD, U+FFFF, U+0080, NBSP, U+30FB).
    const QStringList pieces{
        QStringLiteral("ID 00012\t1,234.50\r\n"),
        QStringLiteral("工资条 实发合计"),
        QStringLiteral("（全角）～—―·"),
        QString(QChar(0x20AC)),
        QString(QChar(0xE000)),
        QStringLiteral("é café"),
        QString(QChar(0x0E01)),
        QString(QChar(0xAC00)),
        QString(QChar(0xFFFD)),
        QString(QChar(0xFFFF)),
        QString(QChar(0x0080)),
        QString(QChar(0x00A0)),
        QString(QChar(0x30FB)),
        QString(QChar(0x0001)),
        QString(QChar(0x007F)),
        QStringLiteral("-----------"),
    };
    QStringEncoder converter("GBK");
    ASSERT_TRUE(converter.isValid());
    const auto converted = [&converter](const QString& text) {
        return QByteArray(converter.encode(text));
    };
    QRandomGenerator random(20241211);
    for (int round = 0; round < 20; ++round) {
        QString text;
        while (text.size() < 5000 + round * 1000) {
            const int pick = int(random.bounded(pieces.size() + 3));
            if (pick < pieces.size()) {
                text += pieces[pick];
            } else if (pick == pieces.size()) {
                text += QChar(char16_t(0x4E00 + random.bounded(0x51A6)));  // CJK ideographs
            } else if (pick == pieces.size() + 1) {
                text += QChar(char16_t(0x3000 + random.bounded(0x40)));  // CJK punctuation
            } else {
                text +=
                    QChar(char16_t(0xA1 + random.bounded(0x500 - 0xA1 - 1)));  // Latin to Cyrillic
            }
        }
        text.remove(QChar(0x00AD));  // dropped characters are checked below
        text.remove(QChar(0x034F));
        SCOPED_TRACE(round);
        ASSERT_EQ(GbkText::encode(text), converted(text));
    }

    // Characters GBK lacks and those the converter would drop are "?" in a long text as well.
    const QString missing = QStringLiteral("a工") + QChar(0x0E01) + QChar(0x200B) + QChar(0xFEFF) +
                            QChar(0x20AC) + QChar(0xAC00);
    const QByteArray expected = "a" + kGongZi.left(2) + "???\x80?";
    EXPECT_EQ(GbkText::encode(missing), expected);
    EXPECT_EQ(GbkText::encode(missing.repeated(1000)), expected.repeated(1000));

    // A character beyond the plane or a broken pair in a long text is "?" too.
    const QString beyond = QStringLiteral("工").repeated(5000) + QStringLiteral("😀") +
                           QChar(0xD800) + QStringLiteral("x");
    EXPECT_EQ(GbkText::encode(beyond), kGongZi.left(2).repeated(5000) + "??x");
}

TEST(GbkText, MeasuresWidthsInGbkBytes) {
    const std::pair<const char*, int> cases[] = {
        {"", 0},         {"abc", 3},         {"工资", 4}, {"ab工", 4}, {"工资2024年", 10},
        {"（全角）", 8}, {"实发 合计:", 10},
    };
    for (const auto& [text, width] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(GbkText::byteLength(QString::fromUtf8(text)), width);
    }
}

TEST(GbkText, LeftBytesNeverSplitsACharacter) {
    const std::tuple<const char*, int, const char*> cases[] = {
        {"ab工资", 3, "ab"}, {"ab工资", 4, "ab工"}, {"工资", 1, ""},  {"工资", 0, ""},
        {"abc", 10, "abc"},  {"a😀b", 1, "a"},       {"a😀b", 2, "a😀"}, {"工资", -1, ""},
    };
    for (const auto& [text, bytes, expected] : cases) {
        SCOPED_TRACE(std::string(text) + " " + std::to_string(bytes));
        EXPECT_EQ(GbkText::leftBytes(QString::fromUtf8(text), bytes).toStdString(), expected);
    }

    // At every width the result fits and one more character would not.
    const QString mixed = QStringLiteral("姓名A 应发工资:12.5元");
    for (int bytes = 0; bytes <= GbkText::byteLength(mixed) + 1; ++bytes) {
        SCOPED_TRACE(bytes);
        const QString left = GbkText::leftBytes(mixed, bytes);
        ASSERT_TRUE(mixed.startsWith(left));
        EXPECT_LE(GbkText::byteLength(left), bytes);
        if (left.size() < mixed.size()) {
            EXPECT_GT(GbkText::byteLength(mixed.left(left.size() + 1)), bytes);
        }
    }
}

TEST(GbkText, RecognisesWellFormedUtf8) {
    const std::pair<QByteArray, bool> cases[] = {
        {QByteArray(), true},
        {QByteArray("plain ascii\r\n"), true},
        {QStringLiteral("工资").toUtf8(), true},
        {QByteArray("\xF0\x9F\x98\x80"), true},  // a character beyond the BMP
        {kGongZi, false},
        {kLianTong, false},
        {QByteArray("\xC0\xAF"), false},          // overlong "/"
        {QByteArray("\xE0\x80\xAF"), false},      // overlong in three bytes
        {QByteArray("\xED\xA0\x80"), false},      // a surrogate
        {QByteArray("\xF4\x90\x80\x80"), false},  // above U+10FFFF
        {QByteArray("\xE5\xB7"), false},          // cut short
        {QByteArray("a\x80"), false},             // a stray continuation byte
    };
    for (const auto& [bytes, valid] : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        EXPECT_EQ(GbkText::isValidUtf8(bytes), valid);
    }
}

TEST(GbkText, ReadsUtf8OrGbkAndTurnsCrLfIntoLf) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QByteArray utf8 = QStringLiteral("工资\r\n第二行").toUtf8();
    const std::pair<QByteArray, QString> cases[] = {
        {"\xEF\xBB\xBF" + utf8, QStringLiteral("工资\n第二行")},
        {utf8, QStringLiteral("工资\n第二行")},
        {kGongZi + "\r\n" + kLianTong, QStringLiteral("工资\n联通")},
        {kLianTong, QStringLiteral("联通")},
        {QByteArray("a\r\nb\nc\r\n"), QStringLiteral("a\nb\nc\n")},
        {QByteArray(), QString()},
    };
    const QString path = temp.filePath(QStringLiteral("IIS.INI"));
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        WriteFile(path, bytes);
        EXPECT_EQ(GbkText::readTextFile(path).toStdString(), text.toStdString());
    }
}

TEST(GbkText, WritesGbkWithCrLf) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.filePath(QStringLiteral("tmp.Txt"));
    WriteFile(path, QByteArray(100, 'x'));

    GbkText::writeTextFile(path, QStringLiteral("工资\n联通\r\n末\n"));
    EXPECT_EQ(ReadFile(path), kGongZi + "\r\n" + kLianTong + "\r\n\xC4\xA9\r\n");
    EXPECT_EQ(GbkText::readTextFile(path), QStringLiteral("工资\n联通\n末\n"));
}

TEST(GbkText, LongTextsAreWrittenWithCrLfAsShortOnes) {
    // Long texts set their line ends while encoding; the bytes must be the converter's for the
    // text with CR LF line ends. Line ends of every kind, also first and last.
    const QStringList pieces{"\n",
                             "\r\n",
                             "\r",
                             "\r\r\n",
                             "\n\n",
                             "工资",
                             "abc",
                             "\t1,234.50",
                             QString(QChar(0xAC00)),
                             QString(QChar(0x200B))};
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString path = temp.filePath(QStringLiteral("tmp.Txt"));
    QStringEncoder converter("GBK");
    QRandomGenerator random(7);
    for (int round = 0; round < 10; ++round) {
        QString text = round % 2 ? QStringLiteral("\n") : QStringLiteral("\r");
        while (text.size() < 6000) text += pieces[int(random.bounded(pieces.size()))];
        SCOPED_TRACE(round);
        GbkText::writeTextFile(path, text);
        QString expected = GbkText::withCrLf(text);
        expected.replace(QChar(0x200B), u'?');
        ASSERT_EQ(ReadFile(path), QByteArray(converter.encode(expected)));
    }
}

TEST(GbkText, LineEndsBecomeCrLfAndLoneCarriageReturnsStay) {
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {QString(), QString()},
        {QStringLiteral("a"), QStringLiteral("a")},
        {QStringLiteral("\n"), QStringLiteral("\r\n")},
        {QStringLiteral("a\nb\r\nc"), QStringLiteral("a\r\nb\r\nc")},
        {QStringLiteral("\n\n\r\n"), QStringLiteral("\r\n\r\n\r\n")},
        {QStringLiteral("a\rb\r"), QStringLiteral("a\rb\r")},
        {QStringLiteral("\r\r\n"), QStringLiteral("\r\r\n")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GbkText::withCrLf(c.text), c.expected) << c.text.toStdString();
    }
}

TEST(GbkText, FileErrorsNameTheFile) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const QString missing = temp.filePath(QStringLiteral("缺少.ini"));
    try {
        GbkText::readTextFile(missing);
        ADD_FAILURE() << "no FileError on reading";
    } catch (const FileError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.message().toStdString();
    }
    const QString unreachable = temp.filePath(QStringLiteral("no/folder/comm.ini"));
    try {
        GbkText::writeTextFile(unreachable, QStringLiteral("x"));
        ADD_FAILURE() << "no FileError on writing";
    } catch (const FileError& error) {
        EXPECT_TRUE(error.message().contains(unreachable)) << error.message().toStdString();
    }
}
