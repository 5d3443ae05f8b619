#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTimeZone>

#include "MailTestServer.h"
#include "QtPrinters.h"
#include "SmtpMessage.h"

namespace {

QByteArray allBytes(int copies) {
    QByteArray data;
    for (int k = 0; k < copies; ++k) {
        for (int b = 0; b < 256; ++b) data += static_cast<char>(b);
    }
    return data;
}

// What Python's email parser reads from `message`.
QJsonObject parsed(const SmtpMessage& message, QByteArray* mime = nullptr) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("m.eml"));
    const QByteArray bytes = message.toMime(QDateTime::currentDateTime());
    if (mime) *mime = bytes;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(bytes);
    f.close();
    return MailTestServer::parse(path);
}

SmtpMessage payslipMail(const QString& subject, const QString& name) {
    SmtpMessage m;
    m.from = QStringLiteral("hr@qinghe.example.cn");
    m.replyTo = m.from;
    m.to = QStringLiteral("zhang.san@example.com");
    m.subject = subject;
    m.body = QStringLiteral("您好：\n附件是您本月的工资条，请查收。\n.\n财务部");
    m.attachmentName = name;
    m.attachmentData = allBytes(3);
    return m;
}

}  // namespace

// Chinese subjects and attachment names of every length come back exactly from Python's
// parser, and no line of the message is longer than a mail line may be.
TEST(MailMessageTest, SubjectBodyAndAttachmentNameSurviveAMailReader) {
    const std::vector<std::pair<QString, QString>> cases{
        {QStringLiteral("工资条"), QStringLiteral("0001_张三.xls")},
        {QStringLiteral("Payslip May"), QStringLiteral("0002_Li Si.xls")},
        {QStringLiteral(
             "2024年5月份工资条（青禾科技有限公司财务部发出，请勿转发，如有疑问请联系财务部）"),
         QStringLiteral("0003_欧阳娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜.xls")},
        {QStringLiteral("工资条😀𠀀"), QStringLiteral("0004_𠀀王_五.xls")},
        {QStringLiteral("=?not encoded?="), QStringLiteral("0005_O'Brien \"Bob\".xls")},
        {QString(), QStringLiteral("10000_赵六.xls")},
    };
    for (const auto& [subject, name] : cases) {
        SCOPED_TRACE(name.toStdString());
        QByteArray mime;
        const QJsonObject r = parsed(payslipMail(subject, name), &mime);
        EXPECT_EQ(r.value("subject").toString(), subject);
        EXPECT_EQ(r.value("from").toString(), QStringLiteral("hr@qinghe.example.cn"));
        EXPECT_EQ(r.value("reply_to").toString(), QStringLiteral("hr@qinghe.example.cn"));
        EXPECT_EQ(r.value("to").toString(), QStringLiteral("zhang.san@example.com"));
        // The lines travel with CR LF, as mail lines do.
        EXPECT_EQ(r.value("body").toString(),
                  QStringLiteral("您好：\r\n附件是您本月的工资条，请查收。\r\n.\r\n财务部\r\n"));
        EXPECT_EQ(r.value("body_charset").toString(), QStringLiteral("utf-8"));
        EXPECT_TRUE(r.value("has_date").toBool());
        EXPECT_TRUE(r.value("has_message_id").toBool());
        EXPECT_EQ(r.value("mime_version").toString(), QStringLiteral("1.0"));
        EXPECT_EQ(r.value("defects").toArray().size(), 0);
        const QJsonArray attachments = r.value("attachments").toArray();
        ASSERT_EQ(attachments.size(), 1);
        const QJsonObject a = attachments.at(0).toObject();
        EXPECT_EQ(a.value("filename").toString(), name);
        EXPECT_EQ(a.value("name").toString(), name);
        EXPECT_EQ(a.value("content_type").toString(), QStringLiteral("application/vnd.ms-excel"));
        EXPECT_EQ(QByteArray::fromBase64(a.value("data").toString().toLatin1()), allBytes(3));
        for (const QByteArray& line : mime.split('\n')) {
            EXPECT_LE(line.size(), 78) << line.constData();
            EXPECT_TRUE(line.isEmpty() || line.endsWith('\r')) << "bare LF";
        }
    }
}

TEST(MailMessageTest, ALineBreakInAnAddressStartsNoHeader) {
    SmtpMessage m = payslipMail(QStringLiteral("工资条"), QStringLiteral("0001_张三.xls"));
    m.to = QStringLiteral("zhang.san@example.com\r\nBcc: all@example.com");
    m.from = QStringLiteral("hr@example.cn\nX-Evil: 1");
    const QByteArray mime = m.toMime(QDateTime::currentDateTime());
    EXPECT_FALSE(mime.contains("\nBcc:"));
    EXPECT_FALSE(mime.contains("\nX-Evil:"));
    EXPECT_TRUE(mime.contains("\r\nTo: zhang.san@example.comBcc: all@example.com\r\n"));
}

TEST(MailMessageTest, AMessageWithoutAttachmentHasOnlyTheBody) {
    SmtpMessage m = payslipMail(QStringLiteral("通知"), QString());
    const QJsonObject r = parsed(m);
    EXPECT_EQ(r.value("attachments").toArray().size(), 0);
    EXPECT_EQ(r.value("subject").toString(), QStringLiteral("通知"));
}

TEST(MailMessageTest, TheDateHeaderIsInMailForm) {
    const QDateTime date(QDate(2024, 6, 13), QTime(9, 5, 7), QTimeZone(8 * 3600));
    EXPECT_EQ(SmtpMessage::dateHeader(date), QByteArray("Thu, 13 Jun 2024 09:05:07 +0800"));
    const QDateTime west(QDate(2024, 1, 2), QTime(23, 0, 0), QTimeZone(-(3 * 3600 + 1800)));
    EXPECT_EQ(SmtpMessage::dateHeader(west), QByteArray("Tue, 02 Jan 2024 23:00:00 -0330"));
}

// Some mail programs decode each piece of a continued file name on its own, so no piece may end
// inside a character.
TEST(MailMessageTest, EachPieceOfALongFileNameHoldsWholeCharacters) {
    const QString name = QStringLiteral("0001_欧阳娜娜娜娜娜娜娜娜娜娜娜娜娜娜娜𠀀𠀀𠀀𠀀𠀀𠀀.xls");
    const QByteArray mime = payslipMail(QStringLiteral("工资条"), name).toMime(QDateTime());
    QByteArray joined;
    int pieces = 0;
    for (QByteArray line : mime.split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("filename*")) continue;
        ++pieces;
        QByteArray value = line.mid(line.indexOf('=') + 1);
        if (value.endsWith(';')) value.chop(1);
        if (value.startsWith("UTF-8''")) value = value.mid(7);
        const QByteArray bytes = QByteArray::fromPercentEncoding(value);
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes) << line.constData();
        joined += bytes;
    }
    EXPECT_GT(pieces, 2);
    EXPECT_EQ(QString::fromUtf8(joined), name);
}
