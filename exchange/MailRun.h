#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include "Database.h"
#include "EPayslipRun.h"
#include "MailLog.h"
#include "MailSettings.h"
#include "SmtpSender.h"

class Prompter;
class SmtpMessage;

// The send run of the payslip dialog ("2:发送邮件", cmdEmailClick), without widgets: one mail
// per salary row of the month, in the order of the payslip files, each carrying that row's
// payslip file NNNN_EmpName.xls (or .pdf) from the chosen folder.
//
// The run stores the settings, connects and logs in once, then goes through the rows: the
// running number counts every row; a missing spreadsheet file stops the run (even for a row
// without address), a missing PDF file (a row that got none for want of a password) is skipped;
// a row without a usable address is skipped; one message the server refuses is counted as
// failed and the run goes on. A refusal that asks to try again later (4xx) is tried again a
// few times after a growing pause. A connection that breaks is opened again once and the
// message sent again; when that does not help the run stops. The client is disconnected
// however the run ends.
//
// Subject and body may hold the placeholders of MailPlaceholders, filled per employee. Every
// row the run handles goes into the month's MailLog; a full run on a month whose log already
// holds sent mails asks first, and a run may be limited to given rows of an earlier run (the
// failed ones, or those chosen in the log).
//
// Mended: the final status line adds the counts sent, skipped and failed, and when messages
// failed a warning lists them, so a run never looks complete when mails did not go out. An
// address is used trimmed, and one holding line breaks, blanks or characters that would make
// it several addresses is skipped like an invalid one. A payslip file that cannot be read
// fails that row instead of going out as a mail without its attachment.
class MailRun {
  public:
    enum class End {
        Finished,          // every row was handled
        ConnectionFailed,  // connecting or logging in failed; nothing was sent
        RowsUnreadable,    // the salary rows could not be read
        FileMissing,       // a payslip file was missing; the run stopped at that row
        ConnectionLost,    // the connection broke during the run and could not be mended
        Stopped,           // requestStop() was called
        LogFailed,         // the mail log could not be written; the run stopped
    };
    struct Summary {
        End end = End::Finished;
        int rows = 0;
        int sent = 0;
        int skipped = 0;
        int failed = 0;
        QStringList failures;  // "address: error" per failed message
    };
    // A row of an earlier run: its running number and the employee's name.
    using RowKey = std::pair<int, QString>;
    // The message the first employee would get.
    struct Preview {
        QString name;
        QString address;
        QString subject;
        QString body;
        QString file;
    };

    MailRun(Database& db, Prompter& prompter, const QString& appPath, const QString& month,
            const QString& folder);

    // The pause after each message, while the window keeps processing its events; the dialog
    // waits 300 ms.
    void setPauseMs(int ms) { pauseMs_ = ms; }
    // The first pause before a refused message is tried again; each further try waits twice
    // as long.
    void setRetryPauseMs(int ms) { retryPauseMs_ = ms; }
    static constexpr int retries() { return 3; }
    void setFileKind(EPayslipRun::FileKind kind) { kind_ = kind; }
    // The format of the amounts in the placeholders ("0" or "0.00").
    void setAmountFormat(const QString& format) { amountFormat_ = format; }
    // Sends only to these rows (running number and name must both match); other rows are
    // passed over without a trace.
    void setOnlyRows(std::set<RowKey> rows) { only_ = std::move(rows); }
    // Shown before a row is looked at: the payslip file of that row (ledAttachment).
    void setAttachmentShown(std::function<void(const QString&)> shown) {
        attachmentShown_ = std::move(shown);
    }
    // The status line: "正在发送... (i/N) address" after each message, the final text at the end.
    void setProgress(std::function<void(const QString&)> progress) {
        progress_ = std::move(progress);
    }
    // Adjusts the client's options before it connects (time-outs, trusted certificates).
    void setClientSetUp(std::function<void(SmtpSender::Options&)> setUp) {
        clientSetUp_ = std::move(setUp);
    }
    // Ends the run after the current message (the dialog is closing).
    void requestStop() { stopRequested_ = true; }

    // Sends the mails with `settings` and the body `content`. Empty when a check stopped the run
    // before it stored the settings ("输入邮件内容！", "工资条存放路径尚未指定！", the second full
    // run not confirmed).
    std::optional<Summary> cmdEmailClick(const MailSettings& settings, const QString& content);
    // The first employee's message; empty (told) when there is none or the rows are unreadable.
    std::optional<Preview> preview(const MailSettings& settings, const QString& content);
    static QString previewText(const Preview& preview);

    // The rows of the month's latest run that failed.
    static std::set<RowKey> failedRows(const QString& appPath, const QString& month);
    // The kind of the payslip files in `folder`: PDF when it holds PDF files and no
    // spreadsheet files.
    static EPayslipRun::FileKind fileKindIn(const QString& folder);

    // The client's options for `settings`: host, port (25 unless the text is a port number),
    // implicit TLS on port 465, AUTH LOGIN when the box is ticked.
    static SmtpSender::Options clientOptions(const MailSettings& settings);
    // True when a mail may go to `address` (already trimmed): IsEmailAddress, and one address
    // only.
    static bool isSendableAddress(const QString& address);
    static QString statusText(int index, int rows, const QString& address);
    static QString countsText(const Summary& summary);
    static QString finishedText(const Summary& summary);
    static QString againQuestion(const QString& month, int sent);

  private:
    struct Delivery {
        MailLog::Result result = MailLog::Result::Sent;
        QString error;
        bool broken = false;  // the connection is gone for good
    };

    SmtpSender::Options runOptions(const MailSettings& settings) const;
    // Connects and logs in; false (the error shown) when that failed.
    bool connect(SmtpSender& client);
    // Asks before a full run on a month already sent; false when the run must not go on.
    bool confirmFullRun();
    // The month's rows in the order of the payslip files; empty (the error shown) on failure.
    std::optional<QueryResult> readRows();
    // Goes through the rows; how the run ended.
    End sendRows(SmtpSender& client, const MailSettings& settings, const QString& content,
                 const QueryResult& rows, Summary& summary);
    void saveSettings(const MailSettings& settings, const QString& content);
    // Sends one row's mail, trying again on a temporary refusal and once on a lost connection.
    Delivery sendRow(SmtpSender& client, const MailSettings& settings, const SmtpMessage& message);
    void note(MailLog& log, const MailLog::Entry& entry);
    void pause(int ms);

    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    QString month_;
    QString folder_;
    int pauseMs_ = 300;
    int retryPauseMs_ = 2000;
    EPayslipRun::FileKind kind_ = EPayslipRun::FileKind::Spreadsheet;
    QString amountFormat_ = QStringLiteral("0.00");
    std::optional<std::set<RowKey>> only_;
    bool stopRequested_ = false;
    std::function<void(const QString&)> attachmentShown_;
    std::function<void(const QString&)> progress_;
    std::function<void(SmtpSender::Options&)> clientSetUp_;
};
