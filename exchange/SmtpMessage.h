#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// One mail as MIME text (RFC 5322 with CR LF): From, Reply-To, To, Subject, a UTF-8 plain-text
// body and at most one file attachment. Subject and attachment name are encoded so that
// Chinese text survives any mail program: RFC 2047 encoded words in the headers, RFC 2231 in
// Content-Disposition's filename (with an RFC 2047 name in Content-Type for older programs).
class SmtpMessage {
  public:
    QString from;
    QString replyTo;
    QString to;
    QString subject;
    QString body;            // lines separated by "\n"
    QString attachmentName;  // empty: no attachment
    QByteArray attachmentData;

    // The whole message. `date` goes into the Date header; boundary and Message-ID are unique
    // per call.
    QByteArray toMime(const QDateTime& date) const;

    // A header value as RFC 2047 encoded words ("=?UTF-8?B?...?="), each at most 75 characters
    // and never splitting a character, joined by CR LF and a blank (a folded header) so that no
    // line passes 76 characters when `used` characters precede the value on its first line.
    // Plain printable ASCII that fits on a line stays as it is.
    static QByteArray encodeHeaderText(const QString& text, int used = 0);
    // `name*=UTF-8''...` with every byte outside RFC 2231's attribute characters
    // percent-encoded.
    static QByteArray extendedParameter(const QByteArray& name, const QString& value);
    // Base64 in lines of 76 characters, each ended by CR LF.
    static QByteArray base64Lines(const QByteArray& data);
    // "Thu, 13 Jun 2024 09:05:00 +0800".
    static QByteArray dateHeader(const QDateTime& date);
    // The MIME type of an attachment, from its file name.
    static QByteArray contentTypeFor(const QString& fileName);
    // An address for a header line: control characters (a line break would start a new
    // header) removed.
    static QByteArray addressHeader(const QString& address);
};
