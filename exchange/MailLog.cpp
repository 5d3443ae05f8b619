#include "MailLog.h"

#include <QDir>
#include <QFileInfo>

#include "GbkText.h"
#include "Pub.h"

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// Runs begun within one second stay apart.
const QString kRunFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");

// A field of the line: quoted when it holds a comma or a quote; line breaks become blanks, so
// that every entry stays one line.
QString field(QString text) {
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    if (!text.contains(u',') && !text.contains(u'"')) return text;
    return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

QStringList splitLine(const QString& line) {
    QStringList fields;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                current += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << current;
            current.clear();
        } else {
            current += c;
        }
    }
    fields << current;
    return fields;
}

}  // namespace

MailLog::MailLog(const QString& appPath, const QString& month) : path_(pathFor(appPath, month)) {}

QString MailLog::pathFor(const QString& appPath, const QString& month) {
    QString safe = month;
    for (QChar& c : safe) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 0x20) c = u'_';
    }
    return QDir(appPath).filePath(QStringLiteral("邮件发送记录_%1.csv").arg(safe));
}

QString MailLog::resultText(Result result) {
    switch (result) {
        case Result::Sent:
            return QStringLiteral("已发送");
        case Result::Skipped:
            return QStringLiteral("跳过");
        case Result::Failed:
            break;
    }
    return QStringLiteral("失败");
}

QStringList MailLog::header() {
    return {QStringLiteral("批次"), QStringLiteral("时间"),     QStringLiteral("序号"),
            QStringLiteral("姓名"), QStringLiteral("邮件地址"), QStringLiteral("文件"),
            QStringLiteral("结果"), QStringLiteral("说明")};
}

QString MailLog::formatLine(const Entry& e) {
    QStringList fields{e.run,
                       e.time.toString(kTimeFormat),
                       QString::number(e.index),
                       e.name,
                       e.address,
                       e.file,
                       resultText(e.result),
                       e.detail};
    for (QString& f : fields) f = field(f);
    return fields.join(u',');
}

bool MailLog::parseLine(const QString& line, Entry& e) {
    const QStringList fields = splitLine(line);
    if (fields.size() != header().size()) return false;
    bool number = false;
    e.index = fields.at(2).toInt(&number);
    if (!number) return false;
    e.run = fields.at(0);
    e.time = QDateTime::fromString(fields.at(1), kTimeFormat);
    e.name = fields.at(3);
    e.address = fields.at(4);
    e.file = fields.at(5);
    const QString result = fields.at(6);
    if (result == resultText(Result::Sent)) {
        e.result = Result::Sent;
    } else if (result == resultText(Result::Skipped)) {
        e.result = Result::Skipped;
    } else if (result == resultText(Result::Failed)) {
        e.result = Result::Failed;
    } else {
        return false;
    }
    e.detail = fields.at(7);
    return true;
}

std::vector<MailLog::Entry> MailLog::entries() const {
    std::vector<Entry> list;
    if (!QFileInfo(path_).isFile()) return list;
    for (const QString& line : GbkText::readTextFile(path_).split(u'\n', Qt::SkipEmptyParts)) {
        Entry e;
        if (parseLine(line, e)) list.push_back(e);
    }
    return list;
}

std::vector<MailLog::Entry> MailLog::lastRun() const {
    std::vector<Entry> all = entries();
    if (all.empty()) return all;
    const QString run = all.back().run;
    std::vector<Entry> last;
    for (const Entry& e : all) {
        if (e.run == run) last.push_back(e);
    }
    return last;
}

int MailLog::sentCount() const {
    int n = 0;
    for (const Entry& e : entries()) n += e.result == Result::Sent ? 1 : 0;
    return n;
}

void MailLog::begin(const QDateTime& start) {
    const std::vector<Entry> before = entries();
    QDateTime at = start;
    while (!before.empty() && before.back().run == at.toString(kRunFormat)) at = at.addMSecs(1);
    run_ = at.toString(kRunFormat);
    text_ = QFileInfo(path_).isFile() ? GbkText::readTextFile(path_) : header().join(u',') + u'\n';
    if (!text_.isEmpty() && !text_.endsWith(u'\n')) text_ += u'\n';
    // A file that cannot be written is found out before the first mail goes out unrecorded.
    GbkText::writeTextFile(path_, text_);
}

void MailLog::append(Entry entry) {
    entry.run = run_;
    text_ += formatLine(entry) + u'\n';
    GbkText::writeTextFile(path_, text_);
}
