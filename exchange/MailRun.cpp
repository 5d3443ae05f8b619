#include "MailRun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Database.h"
#include "DatabaseError.h"
#include "EPayslipRun.h"
#include "FileError.h"
#include "MailPlaceholders.h"
#include "Prompter.h"
#include "Pub.h"
#include "SmtpError.h"
#include "SmtpMessage.h"

namespace {

int columnOf(const QStringList& columns, const QString& name) {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    return -1;
}

QString textAt(const QVariantList& row, int column) {
    if (column < 0 || column >= row.size()) return {};
    const QVariant& v = row.at(column);
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

void processEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace

MailRun::MailRun(Database& db, Prompter& prompter, const QString& appPath, const QString& month,
                 const QString& folder)
    : db_(db), prompter_(prompter), appPath_(appPath), month_(month), folder_(folder) {}

SmtpSender::Options MailRun::clientOptions(const MailSettings& settings) {
    SmtpSender::Options options;
    options.host = settings.smtp.trimmed();
    options.port = settings.portNumber();
    options.implicitTls = options.port == 465;
    options.login = settings.authentication;
    if (options.login) {
        options.user = settings.user;
        options.password = settings.pass;
    }
    return options;
}

bool MailRun::isSendableAddress(const QString& address) {
    if (!IsEmailAddress(address)) return false;
    static const QString separators = QStringLiteral("<>,;\"()[]\\");
    for (const QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f || c.isSpace() || separators.contains(c)) {
            return false;
        }
    }
    return true;
}

QString MailRun::statusText(int index, int rows, const QString& address) {
    return QStringLiteral("正在发送... (%1/%2) %3").arg(index).arg(rows).arg(address);
}

QString MailRun::countsText(const Summary& summary) {
    return QStringLiteral("已发送%1封，跳过%2封，失败%3封")
        .arg(summary.sent)
        .arg(summary.skipped)
        .arg(summary.failed);
}

QString MailRun::finishedText(const Summary& summary) {
    return QStringLiteral("发送完成... ") + countsText(summary);
}

QString MailRun::againQuestion(const QString& month, int sent) {
    return QStringLiteral(
               "月度[%1]的工资条已经发送过（已发出%2封）。\n再次全部发送，职员会重复收到工资条。"
               "确实要全部重新发送吗？")
        .arg(month)
        .arg(sent);
}

QString MailRun::previewText(const Preview& p) {
    return QStringLiteral("收件人：%1 <%2>\n标题：%3\n附件：%4\n\n%5")
        .arg(p.name, p.address, p.subject, QFileInfo(p.file).fileName(), p.body);
}

std::set<MailRun::RowKey> MailRun::failedRows(const QString& appPath, const QString& month) {
    std::set<RowKey> rows;
    for (const MailLog::Entry& e : MailLog(appPath, month).lastRun()) {
        if (e.result == MailLog::Result::Failed) rows.insert({e.index, e.name});
    }
    return rows;
}

EPayslipRun::FileKind MailRun::fileKindIn(const QString& folder) {
    const QDir dir(folder);
    const bool pdf = !dir.entryList({QStringLiteral("*.pdf")}, QDir::Files).isEmpty();
    const bool xls = !dir.entryList({QStringLiteral("*.xls")}, QDir::Files).isEmpty();
    return pdf && !xls ? EPayslipRun::FileKind::Pdf : EPayslipRun::FileKind::Spreadsheet;
}

void MailRun::saveSettings(const MailSettings& settings, const QString& content) {
    try {
        settings.save(appPath_);
    } catch (const FileError& e) {
        // The run does not need the file; a program folder that cannot be written must not
        // keep the mails from going out.
        prompter_.error(e.message());
    }
    MailSettings::saveContent(appPath_, content);
}

void MailRun::pause(int ms) {
    if (ms > 0) WaitWithMessages(ms);
    processEvents();
}

MailRun::Delivery MailRun::sendRow(SmtpSender& client, const MailSettings& settings,
                                   const SmtpMessage& message) {
    const QByteArray mime = message.toMime(QDateTime::currentDateTime());
    bool reopened = false;
    int tries = 0;
    for (;;) {
        try {
            client.send(settings.email, message.to, mime);
            return {};
        } catch (const SmtpError& e) {
            if (e.kind() == SmtpError::Kind::Connection) {
                if (!reopened) {
                    reopened = true;
                    try {
                        client.open();
                        continue;
                    } catch (const SmtpError&) {
                        // The first error says best what went wrong.
                    }
                }
                return {MailLog::Result::Failed, e.message(), true};
            }
            if (e.isTemporary() && tries < retries()) {
                pause(retryPauseMs_ << tries);
                ++tries;
                continue;
            }
            return {MailLog::Result::Failed, e.message(), false};
        }
    }
}

SmtpSender::Options MailRun::runOptions(const MailSettings& settings) const {
    SmtpSender::Options options = clientOptions(settings);
    options.idle = &processEvents;
    if (clientSetUp_) clientSetUp_(options);
    return options;
}

bool MailRun::connect(SmtpSender& client) {
    try {
        client.open();
        return true;
    } catch (const SmtpError& e) {
        prompter_.error(e.message());
        return false;
    }
}

std::optional<QueryResult> MailRun::readRows() {
    try {
        return db_.query(EPayslipRun::salaryRowsSql(), {month_});
    } catch (const DatabaseError& e) {
        prompter_.error(e.message());
        return std::nullopt;
    }
}

void MailRun::note(MailLog& log, const MailLog::Entry& entry) {
    MailLog::Entry e = entry;
    e.time = QDateTime::currentDateTime();
    log.append(e);
}

MailRun::End MailRun::sendRows(SmtpSender& client, const MailSettings& settings,
                               const QString& content, const QueryResult& rows, Summary& summary) {
    MailLog log(appPath_, month_);
    log.begin(QDateTime::currentDateTime());
    summary.rows = static_cast<int>(rows.rows.size());
    const int nameColumn = columnOf(rows.columns, QStringLiteral("EmpName"));
    const int mailColumn = columnOf(rows.columns, QStringLiteral("EMail"));
    int index = 0;
    for (const QVariantList& row : rows.rows) {
        ++index;
        const QString name = textAt(row, nameColumn);
        if (only_ && !only_->contains({index, name})) continue;
        const QString file = EPayslipRun::fileNameFor(folder_, index, name, kind_);
        const QString address = textAt(row, mailColumn).trimmed();
        MailLog::Entry entry{
            {}, {}, index, name, address, QFileInfo(file).fileName(), MailLog::Result::Skipped, {}};
        attachmentShown_(file);
        if (!QFileInfo::exists(file)) {
            if (kind_ == EPayslipRun::FileKind::Spreadsheet) {
                client.close();
                prompter_.warning(QStringLiteral("指定工资条存放路径下没找到工资条Excel文件。"));
                return End::FileMissing;
            }
            ++summary.skipped;
            entry.detail = QStringLiteral("没有工资条文件");
            note(log, entry);
            continue;
        }
        if (!isSendableAddress(address)) {
            ++summary.skipped;
            entry.detail =
                address.isEmpty() ? QStringLiteral("没有邮件地址") : QStringLiteral("邮件地址无效");
            note(log, entry);
            continue;
        }
        QFile payslip(file);
        Delivery delivery{MailLog::Result::Failed, {}, false};
        if (!payslip.open(QIODevice::ReadOnly)) {
            delivery.error = payslip.errorString();
        } else {
            const MailPlaceholders::Values values =
                MailPlaceholders::valuesFor(rows.columns, row, month_, amountFormat_);
            SmtpMessage message;
            message.from = settings.email;
            message.replyTo = settings.email;
            message.to = address;
            message.subject = MailPlaceholders::fill(settings.emailTitle, values);
            message.body = MailPlaceholders::fill(content, values);
            message.attachmentName = QFileInfo(file).fileName();
            message.attachmentData = payslip.readAll();
            delivery = sendRow(client, settings, message);
        }
        entry.result = delivery.result;
        entry.detail = delivery.error;
        if (delivery.result == MailLog::Result::Sent) {
            ++summary.sent;
        } else {
            ++summary.failed;
            summary.failures << QStringLiteral("%1：%2").arg(address, delivery.error);
        }
        note(log, entry);
        progress_(statusText(index, summary.rows, address));
        if (delivery.broken) {
            client.close();
            prompter_.error(delivery.error + u'\n' + countsText(summary));
            return End::ConnectionLost;
        }
        pause(pauseMs_);
        if (stopRequested_) return End::Stopped;
    }
    progress_(finishedText(summary));
    return End::Finished;
}

bool MailRun::confirmFullRun() {
    if (only_) return true;
    const int sent = MailLog(appPath_, month_).sentCount();
    return sent == 0 || prompter_.confirm(againQuestion(month_, sent));
}

std::optional<MailRun::Summary> MailRun::cmdEmailClick(const MailSettings& settings,
                                                       const QString& content) {
    if (content.trimmed().isEmpty()) {
        prompter_.warning(QStringLiteral("输入邮件内容！"));
        return std::nullopt;
    }
    if (folder_.isEmpty()) {
        prompter_.warning(QStringLiteral("工资条存放路径尚未指定！"));
        return std::nullopt;
    }
    if (!attachmentShown_) attachmentShown_ = [](const QString&) {};
    if (!progress_) progress_ = [](const QString&) {};
    try {
        if (!confirmFullRun()) return std::nullopt;
    } catch (const FileError& e) {
        prompter_.error(e.message());
        return std::nullopt;
    }
    saveSettings(settings, content);

    Summary summary;
    // The client disconnects when it goes out of scope, however the run ends.
    SmtpSender client(runOptions(settings));
    if (!connect(client)) {
        summary.end = End::ConnectionFailed;
        return summary;
    }
    const std::optional<QueryResult> rows = readRows();
    if (!rows) {
        client.close();
        summary.end = End::RowsUnreadable;
        return summary;
    }
    try {
        summary.end = sendRows(client, settings, content, *rows, summary);
    } catch (const FileError& e) {
        client.close();
        prompter_.error(e.message() + u'\n' + countsText(summary));
        summary.end = End::LogFailed;
        return summary;
    }
    client.close();
    if (summary.end == End::Finished && summary.failed > 0) {
        prompter_.warning(QStringLiteral("有%1封邮件没有发出：\n").arg(summary.failed) +
                          summary.failures.join(u'\n'));
    }
    return summary;
}

std::optional<MailRun::Preview> MailRun::preview(const MailSettings& settings,
                                                 const QString& content) {
    const std::optional<QueryResult> rows = readRows();
    if (!rows) return std::nullopt;
    if (rows->rows.empty()) {
        prompter_.warning(QStringLiteral("月度[%1]没有工资数据。").arg(month_));
        return std::nullopt;
    }
    const QVariantList& row = rows->rows.front();
    const MailPlaceholders::Values values =
        MailPlaceholders::valuesFor(rows->columns, row, month_, amountFormat_);
    Preview p;
    p.name = textAt(row, columnOf(rows->columns, QStringLiteral("EmpName")));
    p.address = textAt(row, columnOf(rows->columns, QStringLiteral("EMail"))).trimmed();
    p.subject = MailPlaceholders::fill(settings.emailTitle, values);
    p.body = MailPlaceholders::fill(content, values);
    p.file = EPayslipRun::fileNameFor(folder_, 1, p.name, kind_);
    return p;
}
