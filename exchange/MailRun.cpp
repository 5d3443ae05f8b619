#include "MailRun.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include "Database.h"
#include "DatabaseError.h"
#include "EPayslipRun.h"
#include "FileError.h"
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

void MailRun::show(const std::function<void(const QString&)>& callback, const QString& text) {
    if (callback) callback(text);
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

void MailRun::pause() {
    if (pauseMs_ > 0) WaitWithMessages(pauseMs_);
    processEvents();
}

std::optional<QString> MailRun::sendRow(SmtpSender& client, const MailSettings& settings,
                                        const QString& content, const QString& file,
                                        const QString& address, Summary& summary) {
    QFile payslip(file);
    if (!payslip.open(QIODevice::ReadOnly)) {
        ++summary.failed;
        summary.failures << QStringLiteral("%1：%2").arg(address, payslip.errorString());
        return std::nullopt;
    }
    SmtpMessage message;
    message.from = settings.email;
    message.replyTo = settings.email;
    message.to = address;
    message.subject = settings.emailTitle;
    message.body = content;
    message.attachmentName = QFileInfo(file).fileName();
    message.attachmentData = payslip.readAll();
    try {
        client.send(settings.email, address, message.toMime(QDateTime::currentDateTime()));
        ++summary.sent;
    } catch (const SmtpError& e) {
        ++summary.failed;
        summary.failures << QStringLiteral("%1：%2").arg(address, e.message());
        if (e.kind() == SmtpError::Kind::Connection) return e.message();
    }
    return std::nullopt;
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

std::optional<QueryResult> MailRun::readRows(SmtpSender& client) {
    try {
        return db_.query(EPayslipRun::salaryRowsSql(), {month_});
    } catch (const DatabaseError& e) {
        client.close();
        prompter_.error(e.message());
        return std::nullopt;
    }
}

MailRun::End MailRun::sendRows(SmtpSender& client, const MailSettings& settings,
                               const QString& content, const QueryResult& rows, Summary& summary) {
    summary.rows = static_cast<int>(rows.rows.size());
    const int nameColumn = columnOf(rows.columns, QStringLiteral("EmpName"));
    const int mailColumn = columnOf(rows.columns, QStringLiteral("EMail"));
    int index = 0;
    for (const QVariantList& row : rows.rows) {
        ++index;
        const QString file = EPayslipRun::fileNameFor(folder_, index, textAt(row, nameColumn));
        show(attachmentShown_, file);
        if (!QFileInfo::exists(file)) {
            client.close();
            prompter_.warning(QStringLiteral("指定工资条存放路径下没找到工资条Excel文件。"));
            return End::FileMissing;
        }
        const QString address = textAt(row, mailColumn).trimmed();
        if (!isSendableAddress(address)) {
            ++summary.skipped;
            continue;
        }
        const std::optional<QString> broken =
            sendRow(client, settings, content, file, address, summary);
        show(progress_, statusText(index, summary.rows, address));
        if (broken) {
            client.close();
            prompter_.error(*broken + u'\n' + countsText(summary));
            return End::ConnectionLost;
        }
        pause();
        if (stopRequested_) return End::Stopped;
    }
    show(progress_, finishedText(summary));
    return End::Finished;
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
    saveSettings(settings, content);

    Summary summary;
    // The client disconnects when it goes out of scope, however the run ends.
    SmtpSender client(runOptions(settings));
    if (!connect(client)) {
        summary.end = End::ConnectionFailed;
        return summary;
    }
    const std::optional<QueryResult> rows = readRows(client);
    if (!rows) {
        summary.end = End::RowsUnreadable;
        return summary;
    }
    summary.end = sendRows(client, settings, content, *rows, summary);
    client.close();
    if (summary.end == End::Finished && summary.failed > 0) {
        prompter_.warning(QStringLiteral("有%1封邮件没有发出：\n").arg(summary.failed) +
                          summary.failures.join(u'\n'));
    }
    return summary;
}
