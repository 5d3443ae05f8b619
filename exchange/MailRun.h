#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

#include "Database.h"
#include "MailSettings.h"
#include "SmtpSender.h"

class Prompter;

// The send run of the payslip dialog ("2:发送邮件", cmdEmailClick), without widgets: one mail
// per salary row of the month, in the order of the payslip files, each carrying that row's
// payslip file NNNN_EmpName.xls from the chosen folder.
//
// The run stores the settings, connects and logs in once, then goes through the rows: the
// running number counts every row; a missing payslip file stops the run (even for a row without
// address); a row without a usable address is skipped; one message the server refuses is
// counted as failed and the run goes on; a connection that breaks stops the run. The client is
// disconnected however the run ends.
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
        ConnectionLost,    // the connection broke during the run
        Stopped,           // requestStop() was called
    };
    struct Summary {
        End end = End::Finished;
        int rows = 0;
        int sent = 0;
        int skipped = 0;
        int failed = 0;
        QStringList failures;  // "address: error" per failed message
    };

    MailRun(Database& db, Prompter& prompter, const QString& appPath, const QString& month,
            const QString& folder);

    // The pause after each message, while the window keeps processing its events; the dialog
    // waits 300 ms.
    void setPauseMs(int ms) { pauseMs_ = ms; }
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
    // before it stored the settings ("输入邮件内容！", "工资条存放路径尚未指定！").
    std::optional<Summary> cmdEmailClick(const MailSettings& settings, const QString& content);

    // The client's options for `settings`: host, port (25 unless the text is a port number),
    // implicit TLS on port 465, AUTH LOGIN when the box is ticked.
    static SmtpSender::Options clientOptions(const MailSettings& settings);
    // True when a mail may go to `address` (already trimmed): IsEmailAddress, and one address
    // only.
    static bool isSendableAddress(const QString& address);
    static QString statusText(int index, int rows, const QString& address);
    static QString countsText(const Summary& summary);
    static QString finishedText(const Summary& summary);

  private:
    SmtpSender::Options runOptions(const MailSettings& settings) const;
    // Connects and logs in; false (the error shown) when that failed.
    bool connect(SmtpSender& client);
    // The month's rows in the order of the payslip files; empty (the error shown) on failure.
    std::optional<QueryResult> readRows(SmtpSender& client);
    // Goes through the rows; how the run ended.
    End sendRows(SmtpSender& client, const MailSettings& settings, const QString& content,
                 const QueryResult& rows, Summary& summary);
    void saveSettings(const MailSettings& settings, const QString& content);
    // Sends one row's mail; the error text when the connection broke (the run must stop).
    std::optional<QString> sendRow(SmtpSender& client, const MailSettings& settings,
                                   const QString& content, const QString& file,
                                   const QString& address, Summary& summary);
    void pause();
    void show(const std::function<void(const QString&)>& callback, const QString& text);

    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    QString month_;
    QString folder_;
    int pauseMs_ = 300;
    bool stopRequested_ = false;
    std::function<void(const QString&)> attachmentShown_;
    std::function<void(const QString&)> progress_;
    std::function<void(SmtpSender::Options&)> clientSetUp_;
};
