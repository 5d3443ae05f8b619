#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

#include "MailRun.h"
#include "MailSettings.h"

class Database;
class Prompter;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;

// The mail half of the payslip dialog: the label "发送电子邮件设置：" over the group "配置" with
// the mail settings, and the status line StatusBar1, which the dialog places at its bottom. The
// panel loads the settings whenever the dialog is shown (FormShow) and stores them whenever it
// closes (FormCloseQuery, which never refuses); cmdEmailClick runs MailRun for the dialog's
// month and folder.
class MailConfigPanel : public QWidget {
    Q_OBJECT

  public:
    MailConfigPanel(Database& db, Prompter& prompter, const QString& appPath,
                    QWidget* parent = nullptr);

    QLabel* lblMailSettings;
    QGroupBox* GroupBox1;
    QLineEdit* le_smtp;
    QLineEdit* le_port;
    QCheckBox* cb_authentication;
    QLineEdit* le_user;
    QLineEdit* le_pass;
    QLineEdit* le_email;
    QLineEdit* le_title;
    QPlainTextEdit* me_content;
    QLineEdit* ledAttachment;
    // The pause between two messages in milliseconds (300 at first).
    QSpinBox* sePause;
    // "预览邮件": the first employee's message as it will go out.
    QPushButton* btnPreview;
    // Made by the panel; the dialog adds it to its own layout, below its buttons.
    QStatusBar* StatusBar1;

    // The settings as the controls show them, and back.
    MailSettings settings() const;
    void setSettings(const MailSettings& settings);

    // Loads comm.ini and EMailContent.Lst into the controls.
    void FormShow();
    // Stores the controls; a comm.ini that cannot be written is reported, a body file is not.
    void SavePara();
    // The dialog is closing: stores the settings and ends a run under way after its current
    // message.
    void FormCloseQuery();

    // "2:发送邮件": sends the payslip files of `folder` for `month`, to the rows `only` when
    // given. Empty when a check stopped it, or when a run is already under way (a second click
    // while the window waits between messages is ignored).
    std::optional<MailRun::Summary> cmdEmailClick(
        const QString& month, const QString& folder,
        std::optional<std::set<MailRun::RowKey>> only = std::nullopt);
    bool isSending() const { return running_ != nullptr; }
    // "预览邮件": shows the first employee's subject and body, placeholders filled.
    void previewClick(const QString& month, const QString& folder);

    // What the payslip files are, and how amounts are written in the placeholders.
    void setFileKind(EPayslipRun::FileKind kind) { kind_ = kind; }
    void setAmountFormat(const QString& format) { amountFormat_ = format; }
    // The pause between messages (the box) and a hook that sees each run before it starts
    // (tests: shorter time-outs).
    void setPauseMs(int ms);
    void setRunSetUp(std::function<void(MailRun&)> setUp) { runSetUp_ = std::move(setUp); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    EPayslipRun::FileKind kind_ = EPayslipRun::FileKind::Spreadsheet;
    QString amountFormat_ = QStringLiteral("0.00");
    MailRun* running_ = nullptr;
    std::function<void(MailRun&)> runSetUp_;
};
