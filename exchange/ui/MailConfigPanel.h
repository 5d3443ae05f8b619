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

    // "2:发送邮件": sends the payslip files of `folder` for `month`. Empty when a check stopped
    // it, or when a run is already under way (a second click while the window waits between
    // messages is ignored).
    std::optional<MailRun::Summary> cmdEmailClick(const QString& month, const QString& folder);
    bool isSending() const { return running_ != nullptr; }

    // The pause between messages (300 ms) and a hook that sees each run before it starts
    // (tests: shorter time-outs).
    void setPauseMs(int ms) { pauseMs_ = ms; }
    void setRunSetUp(std::function<void(MailRun&)> setUp) { runSetUp_ = std::move(setUp); }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    int pauseMs_ = 300;
    MailRun* running_ = nullptr;
    std::function<void(MailRun&)> runSetUp_;
};
