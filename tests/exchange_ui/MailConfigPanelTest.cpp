#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "../exchange/MailTestServer.h"
#include "Database.h"
#include "GbkText.h"
#include "IniFile.h"
#include "MailConfigPanel.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

// The panel placed as the payslip dialog places it: the panel, the buttons, the status line.
class HostDialog : public QDialog {
  public:
    HostDialog(Database& db, Prompter& prompter, const QString& appPath) {
        panel = new MailConfigPanel(db, prompter, appPath, this);
        cmdEmail = new QPushButton(QStringLiteral("2:发送邮件"), this);
        auto* close = new QPushButton(QStringLiteral("关闭"), this);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(cmdEmail);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(panel, 1);
        layout->addLayout(buttons);
        layout->addWidget(panel->StatusBar1);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
        setFixedSize(560, 400);
    }
    MailConfigPanel* panel;
    QPushButton* cmdEmail;
};

const QString kMonth = QStringLiteral("202405");

}  // namespace

class MailConfigPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void showsTheGroupInTabOrder();
    void withoutFilesShowsTheDefaultsAndClosingWritesAllEightKeys();
    void showLoadsTheFilesAndClosingStoresWhatWasTyped();
    void sendingChecksFirst();
    void sendingShowsProgressAndKeepsTheLastAttachment();
    void aSecondClickDuringARunIsIgnored();
    void closingDuringARunStopsIt();

  private:
    QString ini() const { return folder->file(QStringLiteral("comm.ini")); }
    QString writePayslip(const QString& name);
    void prepareRun(HostDialog& dialog, int pauseMs);

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ScriptedPrompter> prompter;
    QString out;
};

void MailConfigPanelTest::init() {
    folder = std::make_unique<TestFolder>();
    db = std::make_unique<Database>();
    db->open(Schema::databasePath(folder->path()), Schema::databaseKey());
    prompter = std::make_unique<ScriptedPrompter>();
    fixture::addMonth(*db, kMonth);
    QDir(folder->path()).mkpath(QStringLiteral("payslips"));
    out = folder->file(QStringLiteral("payslips"));
}

void MailConfigPanelTest::cleanup() {
    prompter.reset();
    db.reset();
    folder.reset();
}

QString MailConfigPanelTest::writePayslip(const QString& name) {
    const QString path = QDir(out).filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write("\xD0\xCF\x11\xE0payslip");
    return path;
}

void MailConfigPanelTest::prepareRun(HostDialog& dialog, int pauseMs) {
    dialog.panel->setPauseMs(pauseMs);
    dialog.panel->setRunSetUp([](MailRun& run) {
        run.setClientSetUp([](SmtpSender::Options& o) {
            o.connectTimeoutMs = 5000;
            o.responseTimeoutMs = 2000;
        });
    });
}

void MailConfigPanelTest::showsTheGroupInTabOrder() {
    HostDialog dialog(*db, *prompter, folder->path());
    MailConfigPanel& p = *dialog.panel;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(p.GroupBox1->title(), QStringLiteral("配置"));
    QCOMPARE(p.lblMailSettings->text(), QStringLiteral("发送电子邮件设置："));
    QCOMPARE(p.cb_authentication->text(), QStringLiteral("是否服务器验证"));
    QStringList captions;
    for (QLabel* l : p.GroupBox1->findChildren<QLabel*>()) captions << l->text();
    for (const char* c : {"SMTP：", "端口：", "SMTP用户名：", "SMTP密码：", "发送者(回复地址)：",
                          "标题：", "内容：", "附件："}) {
        QVERIFY2(captions.contains(QString::fromUtf8(c)), c);
    }
    QCOMPARE(p.le_pass->echoMode(), QLineEdit::Password);
    QCOMPARE(
        p.le_pass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, p.le_pass),
        int(u'#'));
    QVERIFY(p.ledAttachment->isReadOnly());
    QCOMPARE(p.me_content->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(p.StatusBar1->currentMessage(), QStringLiteral("就绪..."));
    QCOMPARE(p.StatusBar1->parentWidget(), &dialog);

    const QList<QWidget*> order{p.le_smtp,  p.le_port,    p.cb_authentication,
                                p.le_user,  p.le_pass,    p.le_email,
                                p.le_title, p.me_content, p.ledAttachment};
    QWidget* w = order.first();
    for (int i = 1; i < order.size(); ++i) {
        do {
            w = w->nextInFocusChain();
        } while (!(w->focusPolicy() & Qt::TabFocus));
        QCOMPARE(w, order.at(i));
    }
    QVERIFY(p.me_content->tabChangesFocus());

    const QString shot = QDir::temp().filePath(QStringLiteral("MailConfigPanel.png"));
    dialog.grab().save(shot);
    qInfo("screenshot: %s", qPrintable(shot));
}

void MailConfigPanelTest::withoutFilesShowsTheDefaultsAndClosingWritesAllEightKeys() {
    HostDialog dialog(*db, *prompter, folder->path());
    MailConfigPanel& p = *dialog.panel;
    QCOMPARE(p.le_title->text(), QStringLiteral("工资条"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(p.le_smtp->text(), MailSettings::defaultHost());
    QCOMPARE(p.le_port->text(), QStringLiteral("25"));
    QCOMPARE(p.le_user->text(), QString());
    QCOMPARE(p.le_pass->text(), QString());
    QCOMPARE(p.le_email->text(), QString());
    QCOMPARE(p.le_title->text(), QString());
    QVERIFY(!p.cb_authentication->isChecked());
    QCOMPARE(p.me_content->toPlainText(), QStringLiteral("工资条"));
    QVERIFY(!QFile::exists(ini()));

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    const IniFile file(ini());
    QCOMPARE(file.keys(QStringLiteral("comm")),
             QStringList({"smtp", "port", "user", "pass", "email", "emailtitle", "pass1",
                          "ledAttachment"}));
    QCOMPARE(GbkText::readTextFile(folder->file(QStringLiteral("EMailContent.Lst"))),
             QStringLiteral("工资条\n"));
    QVERIFY(prompter->shown().isEmpty());
}

void MailConfigPanelTest::showLoadsTheFilesAndClosingStoresWhatWasTyped() {
    MailSettings s;
    s.smtp = QStringLiteral("mail.qinghe.example.cn");
    s.port = QStringLiteral("587");
    s.user = QStringLiteral("财务");
    s.pass = QStringLiteral("pw");
    s.email = QStringLiteral("hr@qinghe.example.cn");
    s.emailTitle = QStringLiteral("五月工资条");
    s.authentication = true;
    s.attachment = QStringLiteral("/old/0001_张三.xls");
    s.save(folder->path());
    MailSettings::saveContent(folder->path(), QStringLiteral("第一行\n第二行"));

    HostDialog dialog(*db, *prompter, folder->path());
    MailConfigPanel& p = *dialog.panel;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(p.le_smtp->text(), s.smtp);
    QCOMPARE(p.le_port->text(), s.port);
    QCOMPARE(p.le_user->text(), s.user);
    QCOMPARE(p.le_email->text(), s.email);
    QCOMPARE(p.le_title->text(), s.emailTitle);
    QVERIFY(p.cb_authentication->isChecked());
    QCOMPARE(p.ledAttachment->text(), s.attachment);
    QCOMPARE(p.me_content->toPlainText(), QStringLiteral("第一行\n第二行"));

    p.le_port->setText(QStringLiteral("abc"));
    p.cb_authentication->setChecked(false);
    p.me_content->setPlainText(QStringLiteral("新内容"));
    dialog.reject();
    const MailSettings back = MailSettings::load(folder->path());
    QCOMPARE(back.port, QStringLiteral("abc"));
    QVERIFY(!back.authentication);
    QCOMPARE(back.smtp, s.smtp);
    QCOMPARE(MailSettings::loadContent(folder->path()).value_or(QString()),
             QStringLiteral("新内容"));
}

void MailConfigPanelTest::sendingChecksFirst() {
    HostDialog dialog(*db, *prompter, folder->path());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.panel->me_content->clear();
    QVERIFY(!dialog.panel->cmdEmailClick(kMonth, out));
    dialog.panel->me_content->setPlainText(QStringLiteral("工资条"));
    QVERIFY(!dialog.panel->cmdEmailClick(kMonth, QString()));
    QCOMPARE(prompter->shown(),
             QStringList({"warning: 输入邮件内容！", "warning: 工资条存放路径尚未指定！"}));
}

void MailConfigPanelTest::sendingShowsProgressAndKeepsTheLastAttachment() {
    fixture::addRow(*db, kMonth, {{"EmpName", "张三"}, {"EMail", "zhang.san@example.com"}});
    const QString file = writePayslip(QStringLiteral("0001_张三.xls"));
    MailTestServer server;
    HostDialog dialog(*db, *prompter, folder->path());
    prepareRun(dialog, 0);
    MailConfigPanel& p = *dialog.panel;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    p.le_smtp->setText(QStringLiteral("127.0.0.1"));
    p.le_port->setText(QString::number(server.port()));
    p.le_email->setText(QStringLiteral("hr@qinghe.example.cn"));
    p.le_title->setText(QStringLiteral("工资条"));

    const std::optional<MailRun::Summary> summary = p.cmdEmailClick(kMonth, out);
    QVERIFY(summary);
    QCOMPARE(summary->sent, 1);
    QCOMPARE(p.StatusBar1->currentMessage(),
             QStringLiteral("发送完成... 已发送1封，跳过0封，失败0封"));
    QCOMPARE(p.ledAttachment->text(), file);
    QCOMPARE(server.messages().size(), 1);
    QVERIFY(!p.isSending());

    dialog.reject();
    QCOMPARE(MailSettings::load(folder->path()).attachment, file);
    QVERIFY(prompter->shown().isEmpty());
}

void MailConfigPanelTest::aSecondClickDuringARunIsIgnored() {
    fixture::addRow(
        *db, kMonth,
        {{"DepartName", "1车间"}, {"EmpName", "张三"}, {"EMail", "zhang3@example.com"}});
    fixture::addRow(*db, kMonth,
                    {{"DepartName", "2车间"}, {"EmpName", "李四"}, {"EMail", "li4@example.com"}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    writePayslip(QStringLiteral("0002_李四.xls"));
    MailTestServer server;
    HostDialog dialog(*db, *prompter, folder->path());
    prepareRun(dialog, 300);
    MailConfigPanel& p = *dialog.panel;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    p.le_smtp->setText(QStringLiteral("127.0.0.1"));
    p.le_port->setText(QString::number(server.port()));

    bool tried = false;
    bool ignored = false;
    QObject::connect(dialog.cmdEmail, &QPushButton::clicked, &p,
                     [&] { ignored = !p.cmdEmailClick(kMonth, out).has_value(); });
    QTimer::singleShot(0, &dialog, [&] {
        tried = p.isSending();
        dialog.cmdEmail->click();
    });
    const std::optional<MailRun::Summary> summary = p.cmdEmailClick(kMonth, out);
    QVERIFY(tried);
    QVERIFY(ignored);
    QVERIFY(summary);
    QCOMPARE(summary->sent, 2);
    QCOMPARE(server.messages().size(), 2);
}

void MailConfigPanelTest::closingDuringARunStopsIt() {
    fixture::addRow(
        *db, kMonth,
        {{"DepartName", "1车间"}, {"EmpName", "张三"}, {"EMail", "zhang3@example.com"}});
    fixture::addRow(*db, kMonth,
                    {{"DepartName", "2车间"}, {"EmpName", "李四"}, {"EMail", "li4@example.com"}});
    writePayslip(QStringLiteral("0001_张三.xls"));
    writePayslip(QStringLiteral("0002_李四.xls"));
    MailTestServer server;
    HostDialog dialog(*db, *prompter, folder->path());
    prepareRun(dialog, 300);
    MailConfigPanel& p = *dialog.panel;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    p.le_smtp->setText(QStringLiteral("127.0.0.1"));
    p.le_port->setText(QString::number(server.port()));

    QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
    const std::optional<MailRun::Summary> summary = p.cmdEmailClick(kMonth, out);
    QVERIFY(summary);
    QCOMPARE(summary->end, MailRun::End::Stopped);
    QCOMPARE(summary->sent, 1);
    QVERIFY(server.allDisconnected());
    QCOMPARE(MailSettings::load(folder->path()).port, QString::number(server.port()));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    MailConfigPanelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MailConfigPanelTest.moc"
