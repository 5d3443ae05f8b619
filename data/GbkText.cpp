#include "GbkText.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>
#include <stdexcept>
#include <vector>

#include "FileError.h"

namespace {

QStringEncoder MakeEncoder() {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        throw std::runtime_error("本机的 Qt 不支持 GBK 编码");
    }
    return encoder;
}

QStringDecoder MakeDecoder() {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        throw std::runtime_error("本机的 Qt 不支持 GBK 编码");
    }
    return decoder;
}

// Length in UTF-16 units of the character starting at `i` (2 for a surrogate pair).
qsizetype CharLength(const QString& text, qsizetype i) {
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
               ? 2
               : 1;
}

char32_t CodePoint(const QString& text, qsizetype i) {
    return CharLength(text, i) == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                                    : text.at(i).unicode();
}

// The converter drops the default-ignorable code points (soft hyphen, zero-width and direction
// marks, variation selectors, U+FEFF, tag characters) instead of substituting them: a saved file
// would lose them without a trace, and a line such as "\uFEFF[Mail]" would change its meaning.
bool IsDropped(char32_t c) {
    struct Range {
        char32_t first, last;
    };
    static constexpr Range ranges[] = {
        {0x00AD, 0x00AD},   {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},
        {0x17B4, 0x17B5},   {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},
        {0x2060, 0x206F},   {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
        {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF},
    };
    for (const Range& r : ranges) {
        if (c >= r.first && c <= r.last) return true;
    }
    return false;
}

// The text with every character the converter would drop turned into "?", as GBK's other
// missing characters are.
QString WithDroppedMarked(const QString& text) {
    QString marked;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = CharLength(text, i);
        if (text.at(i).unicode() >= 0xAD && IsDropped(CodePoint(text, i))) {
            marked += QStringView(text).mid(copied, i - copied);
            marked += u'?';
            copied = i + length;
        }
        i += length;
    }
    if (copied == 0) return text;
    marked += QStringView(text).mid(copied);
    return marked;
}

// Below this length a text goes through the converter as a whole; a table of the whole Basic
// Multilingual Plane would cost more than it saves.
constexpr qsizetype kTableMinimum = 4096;

// GBK maps every character of the Basic Multilingual Plane on its own, without state or
// sequences, and ASCII is the same in GBK: a long text (POS slips run to megabytes) is
// encoded byte by byte for ASCII and through the converter once per other character it holds.
// An entry holds the bytes of a character (the first in the high byte) and their count above
// them, 0 while not yet known.
class CharacterTable {
  public:
    CharacterTable() : encoder_(MakeEncoder()), entries_(0x10000, 0) {}

    // False for a surrogate (characters beyond the plane, broken pairs are left to the
    // converter) and when the converter gives more than two bytes for a character.
    bool append(char16_t c, char*& out) {
        if (c < 0x80) {
            *out++ = char(c);
            return true;
        }
        if (QChar::isSurrogate(c)) return false;
        quint32& entry = entries_[c];
        if (entry == 0) entry = measure(c);
        const quint32 count = entry >> 16;
        if (count == 0 || count > 2) return false;
        if (count == 2) *out++ = char((entry >> 8) & 0xFF);
        *out++ = char(entry & 0xFF);
        return true;
    }

  private:
    quint32 measure(char16_t c) {
        if (IsDropped(c)) return (1u << 16) | quint32('?');
        const QChar character(c);
        const QByteArray bytes = encoder_.encode(QStringView(&character, 1));
        if (bytes.isEmpty() || bytes.size() > 2) return 3u << 16;
        quint32 value = 0;
        for (const char b : bytes) value = (value << 8) | quint32(quint8(b));
        return (quint32(bytes.size()) << 16) | value;
    }

    QStringEncoder encoder_;
    std::vector<quint32> entries_;
};

QByteArray EncodeWithConverter(const QString& text) {
    QStringEncoder encoder = MakeEncoder();
    return encoder.encode(WithDroppedMarked(text));
}

// `crLf`: every LF and CR LF written as CR LF, as GbkText::withCrLf() gives them, in the same
// pass.
QByteArray Encode(const QString& text, bool crLf) {
    if (text.size() < kTableMinimum) {
        return EncodeWithConverter(crLf ? GbkText::withCrLf(text) : text);
    }
    CharacterTable table;
    // Two bytes at most for a character, and for an LF with its CR.
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char* out = bytes.data();
    char16_t previous = 0;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (crLf && unit == u'\n' && previous != u'\r') *out++ = '\r';
        if (!table.append(unit, out)) {
            return EncodeWithConverter(crLf ? GbkText::withCrLf(text) : text);
        }
        previous = unit;
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

}  // namespace

QByteArray GbkText::encode(const QString& text) {
    return Encode(text, false);
}

QString GbkText::decode(const QByteArray& bytes) {
    QStringDecoder decoder = MakeDecoder();
    return decoder.decode(bytes);
}

int GbkText::byteLength(const QString& text) {
    return static_cast<int>(encode(text).size());
}

QString GbkText::leftBytes(const QString& text, int bytes) {
    QStringEncoder encoder = MakeEncoder();
    qsizetype end = 0;
    qsizetype width = 0;
    while (end < text.size()) {
        const qsizetype length = CharLength(text, end);
        const QStringView character = QStringView(text).mid(end, length);
        const qsizetype charWidth =
            character.at(0).unicode() < 0x80 || IsDropped(CodePoint(text, end))
                ? 1
                : QByteArray(encoder.encode(character)).size();
        if (width + charWidth > bytes) {
            break;
        }
        width += charWidth;
        end += length;
    }
    return text.left(end);
}

QString GbkText::readTextFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw FileError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    }
    QString text;
    // A BOM settles the question even when a later byte is damaged; GBK text never starts
    // with it in practice ("锘" is not a character anyone writes first).
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.sliced(3));
    } else if (isValidUtf8(bytes)) {
        text = QString::fromUtf8(bytes);
    } else {
        text = decode(bytes);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QString GbkText::withCrLf(const QString& text) {
    // One pass over the text: files of several megabytes (POS slips) are written this way.
    QString lines;
    lines.reserve(text.size() + text.size() / 16);
    const QStringView view(text);
    qsizetype from = 0;
    for (;;) {
        const qsizetype newline = text.indexOf(u'\n', from);
        if (newline < 0) {
            lines.append(view.mid(from));
            return lines;
        }
        const qsizetype end =
            newline > from && text.at(newline - 1) == u'\r' ? newline - 1 : newline;
        lines.append(view.mid(from, end - from));
        lines.append(u"\r\n");
        from = newline + 1;
    }
}

void GbkText::writeTextFile(const QString& path, const QString& text) {
    const QByteArray bytes = Encode(text, true);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
    }
}

bool GbkText::isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int continuation = 0;
        // The allowed range of the second byte excludes overlong forms, surrogates and values
        // above U+10FFFF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead == 0xE0) {
            continuation = 2;
            low = 0xA0;
        } else if (lead == 0xED) {
            continuation = 2;
            high = 0x9F;
        } else if (lead >= 0xE1 && lead <= 0xEF) {
            continuation = 2;
        } else if (lead == 0xF0) {
            continuation = 3;
            low = 0x90;
        } else if (lead >= 0xF1 && lead <= 0xF3) {
            continuation = 3;
        } else if (lead == 0xF4) {
            continuation = 3;
            high = 0x8F;
        } else {
            return false;
        }
        if (i + continuation >= size) {
            return false;
        }
        if (p[i + 1] < low || p[i + 1] > high) {
            return false;
        }
        for (int k = 2; k <= continuation; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) {
                return false;
            }
        }
        i += continuation + 1;
    }
    return true;
}
