#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <set>

#include "AppState.h"
#include "EPayslipRun.h"
#include "MailRun.h"

class Database;
class MailConfigPanel;
class MailLogTable;
class Prompter;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

// "生成电子工资条(直接按打印格式，生成Excel工资条文件，用于通过Excel发送工资条)". Its first half
// writes the payslip files through EPayslipRun, as spreadsheet files or as PDF files (optionally
// locked with a password from a column of the salary rows); the mail half (group "配置",
// "2:发送邮件", the status line) is a MailConfigPanel that sends them. Below it the latest send
// run of the month is listed, with "只重发失败的" and "发送选定行" to send again to some rows.
class TfrmEleEleGZBill : public QDialog {
    Q_OBJECT

  public:
    // Picks a folder; empty when the user cancels. BrowseForFolder owned by the dialog unless a
    // test sets another.
    using FolderChooser = std::function<std::optional<QString>(QWidget* owner, const QString& title,
                                                               const QString& start)>;

    TfrmEleEleGZBill(Database& db, Prompter& prompter, const QString& appPath,
                     const TAppParams& params, QWidget* parent = nullptr);

    // The two values ShowEleGZBill stores.
    QString GZMonth;
    QString TemplatePath;

    void setFolderChooser(FolderChooser chooser) { chooser_ = std::move(chooser); }
    void setOpenFolder(std::function<bool(const QString&)> open) { openFolder_ = std::move(open); }

    // "选择" and a double click on EditPath.
    void Button1Click();
    // "1:开始生成".
    void Button2Click();
    // "2:发送邮件", "只重发失败的", "发送选定行" and "预览邮件".
    void cmdEmailClick();
    void resendFailedClick();
    void sendSelectedClick();
    void previewClick();
    // Lists the latest send run of the month.
    void showMailLog();
    EPayslipRun::FileKind fileKind() const;
    // The password column chosen for PDF files; empty for spreadsheet files or no password.
    std::optional<QString> passwordColumn() const;
    std::optional<EPayslipRun::Summary> lastSummary() const { return summary_; }

    // The payslip files.
    QLineEdit* EditPath;
    QPushButton* Button1;
    QLabel* lblHint;
    // File kind ("Excel工资条文件(.xls)" or "PDF工资条文件(.pdf)") and the PDF password.
    QComboBox* cbFileKind;
    QCheckBox* cbPdfPassword;
    QComboBox* cbPasswordColumn;
    QPushButton* Button2;
    QPushButton* cmdEmail;
    QPushButton* Button3;
    // The mail half, owned by mailPanel; named here as the dialog's own controls.
    MailConfigPanel* mailPanel;
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
    QStatusBar* StatusBar1;
    // The latest send run.
    MailLogTable* tblMailLog;
    QPushButton* btnResendFailed;
    QPushButton* btnSendSelected;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void send(std::optional<std::set<MailRun::RowKey>> only);

    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    TAppParams params_;
    FolderChooser chooser_;
    std::function<bool(const QString&)> openFolder_;
    std::optional<EPayslipRun::Summary> summary_;
};

// Opens the dialog for `month` with `templatePath`, modally, and destroys it when it closes.
// `setUp`, when given, sees the dialog before it is shown (tests).
void ShowEleGZBill(Database& db, Prompter& prompter, const QString& appPath,
                   const TAppParams& params, const QString& month, const QString& templatePath,
                   QWidget* parent, const std::function<void(TfrmEleEleGZBill&)>& setUp = {});

// The main window's "生成电子工资条并EMail" (Button13Click): with no month selected tells the user
// "请首先建立/选择工资发放月度！"; otherwise chooses the template for the month (the counting
// queries; templates below `appPath`) and opens the dialog. False when it was not opened.
bool EleGZBillButton13Click(Database& db, Prompter& prompter, const QString& appPath,
                            const QString& month, const TAppParams& params, QWidget* parent,
                            const std::function<void(TfrmEleEleGZBill&)>& setUp = {});
