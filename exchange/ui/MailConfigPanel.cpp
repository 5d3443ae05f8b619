#include "MailConfigPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include "FileError.h"
#include "Prompter.h"

namespace {

// Typed password characters show as "#".
class HashEchoStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return u'#';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QLineEdit* namedEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

}  // namespace

MailConfigPanel::MailConfigPanel(Database& db, Prompter& prompter, const QString& appPath,
                                 QWidget* parent)
    : QWidget(parent), db_(db), prompter_(prompter), appPath_(appPath) {
    setObjectName(QStringLiteral("MailConfigPanel"));
    lblMailSettings = new QLabel(QStringLiteral("发送电子邮件设置："), this);
    GroupBox1 = new QGroupBox(QStringLiteral("配置"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));

    le_smtp = namedEdit("le_smtp", GroupBox1);
    le_port = namedEdit("le_port", GroupBox1);
    cb_authentication = new QCheckBox(QStringLiteral("是否服务器验证"), GroupBox1);
    cb_authentication->setObjectName(QStringLiteral("cb_authentication"));
    le_user = namedEdit("le_user", GroupBox1);
    le_pass = namedEdit("le_pass", GroupBox1);
    le_pass->setEchoMode(QLineEdit::Password);
    auto* hashStyle = new HashEchoStyle;
    hashStyle->setParent(le_pass);
    le_pass->setStyle(hashStyle);
    le_email = namedEdit("le_email", GroupBox1);
    le_title = namedEdit("le_title", GroupBox1);
    le_title->setText(QStringLiteral("工资条"));
    me_content = new QPlainTextEdit(GroupBox1);
    me_content->setObjectName(QStringLiteral("me_content"));
    me_content->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    me_content->setTabChangesFocus(true);
    me_content->setPlainText(QStringLiteral("工资条"));
    ledAttachment = namedEdit("ledAttachment", GroupBox1);
    ledAttachment->setReadOnly(true);
    sePause = new QSpinBox(GroupBox1);
    sePause->setObjectName(QStringLiteral("sePause"));
    sePause->setRange(0, 60000);
    sePause->setSingleStep(100);
    sePause->setValue(300);
    btnPreview = new QPushButton(QStringLiteral("预览邮件"), GroupBox1);
    btnPreview->setObjectName(QStringLiteral("btnPreview"));

    auto* grid = new QGridLayout(GroupBox1);
    const auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), GroupBox1);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label("SMTP：", le_smtp), 0, 0);
    grid->addWidget(le_smtp, 0, 1);
    grid->addWidget(label("端口：", le_port), 0, 2);
    grid->addWidget(le_port, 0, 3);
    grid->addWidget(cb_authentication, 0, 4);
    grid->addWidget(label("SMTP用户名：", le_user), 1, 0);
    grid->addWidget(le_user, 1, 1);
    grid->addWidget(label("SMTP密码：", le_pass), 1, 2);
    grid->addWidget(le_pass, 1, 3, 1, 2);
    grid->addWidget(label("发送者(回复地址)：", le_email), 2, 0);
    grid->addWidget(le_email, 2, 1, 1, 4);
    grid->addWidget(label("标题：", le_title), 3, 0);
    grid->addWidget(le_title, 3, 1, 1, 4);
    grid->addWidget(label("内容：", me_content), 4, 0, Qt::AlignTop);
    grid->addWidget(me_content, 4, 1, 1, 4);
    grid->addWidget(label("附件：", ledAttachment), 5, 0);
    grid->addWidget(ledAttachment, 5, 1, 1, 4);
    grid->addWidget(label("发送间隔(毫秒)：", sePause), 6, 0);
    grid->addWidget(sePause, 6, 1);
    grid->addWidget(btnPreview, 6, 3, 1, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(4, 1);

    setTabOrder(le_smtp, le_port);
    setTabOrder(le_port, cb_authentication);
    setTabOrder(cb_authentication, le_user);
    setTabOrder(le_user, le_pass);
    setTabOrder(le_pass, le_email);
    setTabOrder(le_email, le_title);
    setTabOrder(le_title, me_content);
    setTabOrder(me_content, ledAttachment);
    setTabOrder(ledAttachment, sePause);
    setTabOrder(sePause, btnPreview);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblMailSettings);
    layout->addWidget(GroupBox1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->showMessage(QStringLiteral("就绪..."));
}

MailSettings MailConfigPanel::settings() const {
    MailSettings s;
    s.smtp = le_smtp->text();
    s.port = le_port->text();
    s.user = le_user->text();
    s.pass = le_pass->text();
    s.email = le_email->text();
    s.emailTitle = le_title->text();
    s.authentication = cb_authentication->isChecked();
    s.attachment = ledAttachment->text();
    return s;
}

void MailConfigPanel::setSettings(const MailSettings& s) {
    le_smtp->setText(s.smtp);
    le_port->setText(s.port);
    le_user->setText(s.user);
    le_pass->setText(s.pass);
    le_email->setText(s.email);
    le_title->setText(s.emailTitle);
    cb_authentication->setChecked(s.authentication);
    ledAttachment->setText(s.attachment);
}

void MailConfigPanel::FormShow() {
    try {
        setSettings(MailSettings::load(appPath_));
        if (const std::optional<QString> content = MailSettings::loadContent(appPath_)) {
            me_content->setPlainText(*content);
        }
    } catch (const FileError& e) {
        prompter_.error(e.message());
    }
}

void MailConfigPanel::SavePara() {
    try {
        settings().save(appPath_);
    } catch (const FileError& e) {
        prompter_.error(e.message());
    }
    MailSettings::saveContent(appPath_, me_content->toPlainText());
}

void MailConfigPanel::FormCloseQuery() {
    SavePara();
    if (running_) running_->requestStop();
}

void MailConfigPanel::setPauseMs(int ms) {
    sePause->setValue(ms);
}

void MailConfigPanel::previewClick(const QString& month, const QString& folder) {
    MailRun run(db_, prompter_, appPath_, month, folder);
    run.setFileKind(kind_);
    run.setAmountFormat(amountFormat_);
    if (const std::optional<MailRun::Preview> p =
            run.preview(settings(), me_content->toPlainText())) {
        prompter_.info(MailRun::previewText(*p));
    }
}

std::optional<MailRun::Summary> MailConfigPanel::cmdEmailClick(
    const QString& month, const QString& folder, std::optional<std::set<MailRun::RowKey>> only) {
    if (running_) return std::nullopt;
    MailRun run(db_, prompter_, appPath_, month, folder);
    run.setPauseMs(sePause->value());
    run.setFileKind(kind_);
    run.setAmountFormat(amountFormat_);
    if (only) run.setOnlyRows(std::move(*only));
    run.setAttachmentShown([this](const QString& file) { ledAttachment->setText(file); });
    run.setProgress([this](const QString& text) { StatusBar1->showMessage(text); });
    if (runSetUp_) runSetUp_(run);
    running_ = &run;
    const std::optional<MailRun::Summary> summary =
        run.cmdEmailClick(settings(), me_content->toPlainText());
    running_ = nullptr;
    return summary;
}

void MailConfigPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The dialog being shown, not a window coming back from the task bar.
    if (!event->spontaneous()) FormShow();
}

void MailConfigPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) FormCloseQuery();
}
