#include "SmtpMessage.h"

#include <algorithm>
#include <cstdlib>

#include <QList>
#include <QLocale>
#include <QRandomGenerator>
#include <QUuid>

namespace {

constexpr int kMaxWord = 75;
constexpr int kLineWidth = 76;

bool isPlainHeaderText(const QString& text) {
    if (text.size() > 900) return false;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) return false;
    }
    // Text that looks like an encoded word would be decoded by the reader.
    return !text.contains(QStringLiteral("=?"));
}

QByteArray encodedWord(const QByteArray& utf8) {
    return "=?UTF-8?B?" + utf8.toBase64() + "?=";
}

QByteArray boundary() {
    // "_" is no base64 character, so no encoded part can ever contain the boundary.
    return "=_gzt_" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) +
           QByteArray::number(QRandomGenerator::global()->generate64(), 16);
}

QByteArray messageId(const QString& from) {
    const qsizetype at = from.lastIndexOf(u'@');
    QByteArray domain = at >= 0 ? from.mid(at + 1).toUtf8() : QByteArray();
    static const QByteArray hostChars =
        "-.0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const bool usable = !domain.isEmpty() && std::all_of(domain.begin(), domain.end(), [](char c) {
        return hostChars.contains(c);
    });
    if (!usable) domain = "localhost";
    return '<' + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' + domain + '>';
}

QByteArray quoted(const QByteArray& text) {
    QByteArray escaped = text;
    escaped.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + escaped + '"';
}

QByteArray crlfText(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    // Every line ends in a line break, the last one too, as in any plain-text mail.
    if (!lines.isEmpty() && !lines.endsWith(u'\n')) lines += u'\n';
    lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return lines.toUtf8();
}

}  // namespace

QByteArray SmtpMessage::encodeHeaderText(const QString& text, int used) {
    if (isPlainHeaderText(text)) return text.toLatin1();
    // Payload bytes whose encoded word fits in `room` characters.
    const auto bytesFor = [](int room) { return std::max(3, (room - 12) / 4 * 3); };
    // Each word holds whole characters: a surrogate pair or a UTF-8 sequence is never cut.
    QList<QByteArray> words;
    QByteArray current;
    int maxBytes = bytesFor(kMaxWord + 1 - std::max(used, 1));
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size()) length = 2;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        i += length - 1;
        if (!current.isEmpty() && current.size() + bytes.size() > maxBytes) {
            words << encodedWord(current);
            current.clear();
            maxBytes = bytesFor(kMaxWord);
        }
        current += bytes;
    }
    if (!current.isEmpty() || words.isEmpty()) words << encodedWord(current);
    return words.join("\r\n ");
}

QByteArray SmtpMessage::extendedParameter(const QByteArray& name, const QString& value) {
    // attribute-char of RFC 2231: printable ASCII except blanks, "*", "'", "%" and tspecials.
    static const QByteArray kept =
        "!#$&+-.^_`|~0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    // Pieces of at most this many characters keep every header line short; a long value is
    // continued as name*0*, name*1*, ... and a character (all its "%XX") is never cut, since
    // some mail programs decode each piece on its own.
    constexpr qsizetype kPiece = 54;
    const auto percentEncoded = [](const QByteArray& bytes) {
        QByteArray unit;
        for (const char c : bytes) {
            if (kept.contains(c)) {
                unit += c;
            } else {
                unit += '%' + QByteArray::number(static_cast<unsigned char>(c), 16)
                                  .toUpper()
                                  .rightJustified(2, '0');
            }
        }
        return unit;
    };
    QList<QByteArray> pieces{QByteArray()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const qsizetype length = value.at(i).isHighSurrogate() && i + 1 < value.size() ? 2 : 1;
        const QByteArray unit = percentEncoded(value.mid(i, length).toUtf8());
        i += length - 1;
        if (!pieces.last().isEmpty() && pieces.last().size() + unit.size() > kPiece) {
            pieces << QByteArray();
        }
        pieces.last() += unit;
    }
    if (pieces.size() == 1) return name + "*=UTF-8''" + pieces.first();
    QList<QByteArray> parts;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        parts << name + '*' + QByteArray::number(i) + "*=" + (i == 0 ? "UTF-8''" : "") +
                     pieces.at(i);
    }
    return parts.join(";\r\n ");
}

QByteArray SmtpMessage::base64Lines(const QByteArray& data) {
    const QByteArray encoded = data.toBase64();
    QByteArray lines;
    lines.reserve(encoded.size() + encoded.size() / kLineWidth * 2 + 2);
    for (qsizetype at = 0; at < encoded.size(); at += kLineWidth) {
        lines += encoded.mid(at, kLineWidth);
        lines += "\r\n";
    }
    return lines;
}

QByteArray SmtpMessage::dateHeader(const QDateTime& date) {
    const QLocale c = QLocale::c();
    const int offset = date.offsetFromUtc() / 60;
    const int hours = std::abs(offset) / 60;
    const int minutes = std::abs(offset) % 60;
    const QString zone = QStringLiteral("%1%2%3")
                             .arg(QChar(offset < 0 ? u'-' : u'+'))
                             .arg(hours, 2, 10, QChar(u'0'))
                             .arg(minutes, 2, 10, QChar(u'0'));
    return (c.toString(date, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss ")) + zone).toLatin1();
}

QByteArray SmtpMessage::contentTypeFor(const QString& fileName) {
    if (fileName.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
        return "application/vnd.ms-excel";
    }
    if (fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
    }
    if (fileName.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return "application/pdf";
    return "application/octet-stream";
}

QByteArray SmtpMessage::addressHeader(const QString& address) {
    QString clean;
    for (const QChar c : address) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f) clean += c;
    }
    return clean.trimmed().toUtf8();
}

QByteArray SmtpMessage::toMime(const QDateTime& date) const {
    const QByteArray mark = boundary();
    QByteArray m;
    m += "From: " + addressHeader(from) + "\r\n";
    m += "Reply-To: " + addressHeader(replyTo) + "\r\n";
    m += "To: " + addressHeader(to) + "\r\n";
    m += "Subject: " + encodeHeaderText(subject, 9) + "\r\n";
    m += "Date: " + dateHeader(date) + "\r\n";
    m += "Message-ID: " + messageId(from) + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed;\r\n boundary=\"" + mark + "\"\r\n";
    m += "\r\n";
    m += "This is a multi-part message in MIME format.\r\n";

    m += "\r\n--" + mark + "\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    m += base64Lines(crlfText(body));

    if (!attachmentName.isEmpty()) {
        m += "\r\n--" + mark + "\r\n";
        m += "Content-Type: " + contentTypeFor(attachmentName) +
             ";\r\n name=" + quoted(encodeHeaderText(attachmentName, 7)) + "\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment;\r\n " +
             extendedParameter("filename", attachmentName) + "\r\n\r\n";
        m += base64Lines(attachmentData);
    }
    m += "\r\n--" + mark + "--\r\n";
    return m;
}
