#include "TfrmEleEleGZBill.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QVBoxLayout>

#include "FileError.h"
#include "MailConfigPanel.h"
#include "MailLogTable.h"
#include "Prompter.h"
#include "UiHelpers.h"

namespace {

QLineEdit* namedEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

}  // namespace

TfrmEleEleGZBill::TfrmEleEleGZBill(Database& db, Prompter& prompter, const QString& appPath,
                                   const TAppParams& params, QWidget* parent)
    : QDialog(parent), db_(db), prompter_(prompter), appPath_(appPath), params_(params) {
    setObjectName(QStringLiteral("frmEleEleGZBill"));
    setWindowTitle(QStringLiteral(
        "生成电子工资条(直接按打印格式，生成Excel工资条文件，用于通过Excel发送工资条)"));

    EditPath = namedEdit("EditPath", this);
    EditPath->setReadOnly(true);
    EditPath->installEventFilter(this);
    Button1 = new QPushButton(QStringLiteral("选择"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    lblHint = new QLabel(this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setMinimumWidth(120);

    auto* files = new QGridLayout;
    files->addWidget(new QLabel(QStringLiteral("指定电子工资条的存放路径："), this), 0, 0, 1, 2);
    files->addWidget(EditPath, 1, 0);
    files->addWidget(Button1, 1, 1);
    auto* progress = new QHBoxLayout;
    progress->addWidget(new QLabel(QStringLiteral("电子工资条生成进度提示："), this));
    progress->addWidget(lblHint, 1);
    files->addLayout(progress, 2, 0, 1, 2);

    cbFileKind = new QComboBox(this);
    cbFileKind->setObjectName(QStringLiteral("cbFileKind"));
    cbFileKind->addItem(QStringLiteral("Excel工资条文件(.xls)"));
    cbFileKind->addItem(QStringLiteral("PDF工资条文件(.pdf)"));
    cbPdfPassword = new QCheckBox(QStringLiteral("PDF加密(AES-256)，密码取自："), this);
    cbPdfPassword->setObjectName(QStringLiteral("cbPdfPassword"));
    cbPdfPassword->setChecked(true);
    cbPasswordColumn = new QComboBox(this);
    cbPasswordColumn->setObjectName(QStringLiteral("cbPasswordColumn"));
    for (const auto& [field, caption] : {std::pair{"EmpCode", "职员编码"},
                                         {"EmpName", "姓名"},
                                         {"DepartName", "部门"},
                                         {"ZWName", "职务"},
                                         {"EMail", "电子邮件地址"},
                                         {"QM", "签名/备注"}}) {
        cbPasswordColumn->addItem(QString::fromUtf8(caption), QString::fromLatin1(field));
    }
    auto* kind = new QHBoxLayout;
    kind->addWidget(new QLabel(QStringLiteral("文件类型："), this));
    kind->addWidget(cbFileKind);
    kind->addWidget(cbPdfPassword);
    kind->addWidget(cbPasswordColumn);
    kind->addStretch(1);
    files->addLayout(kind, 3, 0, 1, 2);
    const auto kindChanged = [this] {
        const bool pdf = fileKind() == EPayslipRun::FileKind::Pdf;
        cbPdfPassword->setEnabled(pdf);
        cbPasswordColumn->setEnabled(pdf && cbPdfPassword->isChecked());
    };
    connect(cbFileKind, &QComboBox::currentIndexChanged, this, kindChanged);
    connect(cbPdfPassword, &QCheckBox::toggled, this, kindChanged);
    kindChanged();

    // The mail half: settings of comm.ini, the mail body and the sending, with its status line.
    mailPanel = new MailConfigPanel(db, prompter, appPath, this);
    GroupBox1 = mailPanel->GroupBox1;
    le_smtp = mailPanel->le_smtp;
    le_port = mailPanel->le_port;
    cb_authentication = mailPanel->cb_authentication;
    le_user = mailPanel->le_user;
    le_pass = mailPanel->le_pass;
    le_email = mailPanel->le_email;
    le_title = mailPanel->le_title;
    me_content = mailPanel->me_content;
    ledAttachment = mailPanel->ledAttachment;
    StatusBar1 = mailPanel->StatusBar1;
    mailPanel->setAmountFormat(AmountFormat(params));

    tblMailLog = new MailLogTable(this);
    btnResendFailed = new QPushButton(QStringLiteral("只重发失败的"), this);
    btnResendFailed->setObjectName(QStringLiteral("btnResendFailed"));
    btnSendSelected = new QPushButton(QStringLiteral("发送选定行"), this);
    btnSendSelected->setObjectName(QStringLiteral("btnSendSelected"));
    auto* logButtons = new QHBoxLayout;
    logButtons->addWidget(new QLabel(QStringLiteral("上次发送记录："), this));
    logButtons->addStretch(1);
    logButtons->addWidget(btnResendFailed);
    logButtons->addWidget(btnSendSelected);

    Button2 = new QPushButton(QStringLiteral("1:开始生成"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    cmdEmail = new QPushButton(QStringLiteral("2:发送邮件"), this);
    cmdEmail->setObjectName(QStringLiteral("cmdEmail"));
    Button3 = new QPushButton(QStringLiteral("关闭"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button2);
    buttons->addWidget(cmdEmail);
    buttons->addWidget(Button3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(mailPanel, 3);
    layout->addLayout(logButtons);
    layout->addWidget(tblMailLog, 2);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);

    connect(Button1, &QPushButton::clicked, this, &TfrmEleEleGZBill::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmEleEleGZBill::Button2Click);
    connect(cmdEmail, &QPushButton::clicked, this, &TfrmEleEleGZBill::cmdEmailClick);
    connect(btnResendFailed, &QPushButton::clicked, this, &TfrmEleEleGZBill::resendFailedClick);
    connect(btnSendSelected, &QPushButton::clicked, this, &TfrmEleEleGZBill::sendSelectedClick);
    connect(mailPanel->btnPreview, &QPushButton::clicked, this, &TfrmEleEleGZBill::previewClick);
    // Escape closes the dialog as "关闭" does (QDialog rejects on Escape).
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);
    Button2->setDefault(true);
    setFixedSize(720, 720);

    chooser_ = [](QWidget* owner, const QString& title, const QString& start) {
        return BrowseForFolder(owner, title, start);
    };
}

bool TfrmEleEleGZBill::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditPath && event->type() == QEvent::MouseButtonDblClick) {
        Button1Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmEleEleGZBill::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) showMailLog();
}

EPayslipRun::FileKind TfrmEleEleGZBill::fileKind() const {
    return cbFileKind->currentIndex() == 1 ? EPayslipRun::FileKind::Pdf
                                           : EPayslipRun::FileKind::Spreadsheet;
}

std::optional<QString> TfrmEleEleGZBill::passwordColumn() const {
    if (fileKind() != EPayslipRun::FileKind::Pdf || !cbPdfPassword->isChecked()) return {};
    return cbPasswordColumn->currentData().toString();
}

void TfrmEleEleGZBill::showMailLog() {
    try {
        tblMailLog->showEntries(MailLog(appPath_, GZMonth).lastRun());
    } catch (const FileError& e) {
        prompter_.error(e.message());
    }
}

void TfrmEleEleGZBill::send(std::optional<std::set<MailRun::RowKey>> only) {
    mailPanel->setFileKind(fileKind());
    mailPanel->cmdEmailClick(GZMonth, EditPath->text(), std::move(only));
    showMailLog();
}

void TfrmEleEleGZBill::cmdEmailClick() {
    send(std::nullopt);
}

void TfrmEleEleGZBill::resendFailedClick() {
    std::set<MailRun::RowKey> failed;
    try {
        failed = MailRun::failedRows(appPath_, GZMonth);
    } catch (const FileError& e) {
        prompter_.error(e.message());
        return;
    }
    if (failed.empty()) {
        prompter_.info(QStringLiteral("上次发送没有失败的邮件。"));
        return;
    }
    send(std::move(failed));
}

void TfrmEleEleGZBill::sendSelectedClick() {
    std::set<MailRun::RowKey> rows = tblMailLog->selectedKeys();
    if (rows.empty()) {
        prompter_.warning(QStringLiteral("请先在上次发送记录中选定要发送的行。"));
        return;
    }
    send(std::move(rows));
}

void TfrmEleEleGZBill::previewClick() {
    mailPanel->setFileKind(fileKind());
    mailPanel->previewClick(GZMonth, EditPath->text());
}

void TfrmEleEleGZBill::Button1Click() {
    const std::optional<QString> folder =
        chooser_(this, QStringLiteral("选择电子工资条存放路径"), QString());
    if (folder) EditPath->setText(*folder);
}

void TfrmEleEleGZBill::Button2Click() {
    EPayslipRun run(db_, prompter_, GZMonth, TemplatePath, params_);
    run.setStarted([this] { Button2->setEnabled(false); });
    run.setProgress([this](int i, int n) {
        lblHint->setText(QStringLiteral("%1/%2").arg(i).arg(n));
        QCoreApplication::processEvents();
    });
    if (openFolder_) run.setOpenFolder(openFolder_);
    if (fileKind() == EPayslipRun::FileKind::Pdf) run.setPdf(appPath_, passwordColumn());
    const std::optional<EPayslipRun::Summary> summary = run.Button2Click(EditPath->text());
    if (summary) {
        summary_ = summary;
        cmdEmail->setEnabled(true);
    }
}

void ShowEleGZBill(Database& db, Prompter& prompter, const QString& appPath,
                   const TAppParams& params, const QString& month, const QString& templatePath,
                   QWidget* parent, const std::function<void(TfrmEleEleGZBill&)>& setUp) {
    TfrmEleEleGZBill dialog(db, prompter, appPath, params, parent);
    dialog.GZMonth = month;
    dialog.TemplatePath = templatePath;
    if (setUp) setUp(dialog);
    dialog.exec();
}

bool EleGZBillButton13Click(Database& db, Prompter& prompter, const QString& appPath,
                            const QString& month, const TAppParams& params, QWidget* parent,
                            const std::function<void(TfrmEleEleGZBill&)>& setUp) {
    if (month.isEmpty()) {
        prompter.warning(QStringLiteral("请首先建立/选择工资发放月度！"));
        return false;
    }
    const QString templatePath = EPayslipRun::TemplateForMonth(db, appPath, month);
    ShowEleGZBill(db, prompter, appPath, params, month, templatePath, parent, setUp);
    return true;
}
