#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "../exchange/MailTestServer.h"
#include "Database.h"
#include "EPayslipTemplates.h"
#include "MailConfigPanel.h"
#include "MailLogTable.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "TfrmEleEleGZBill.h"

namespace {

const QString kMonth = QStringLiteral("202408");

int qpdfCheck(const QString& pdf, const QString& password) {
    QProcess p;
    QStringList arguments{QStringLiteral("--check"), pdf};
    if (!password.isEmpty()) arguments.prepend(QStringLiteral("--password=") + password);
    p.start(QStringLiteral("qpdf"), arguments);
    p.waitForFinished(60000);
    return p.exitCode();
}

QStringList recipients(const MailTestServer& server) {
    QStringList to;
    for (const QString& eml : server.messages()) {
        to << MailTestServer::envelope(eml).value("rcpt_tos").toArray().at(0).toString();
    }
    return to;
}

}  // namespace

class EPayslipMailDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void spreadsheetFilesStayTheDefault();
    void pdfFilesAreLockedWithTheChosenColumn();
    void theLogShowsTheLastRunAndSendsAgainToChosenRows();
    void previewShowsTheFirstEmployeesMessage();

  private:
    std::unique_ptr<TfrmEleEleGZBill> dialog();
    void sendTo(TfrmEleEleGZBill& d, const MailTestServer& server);

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ScriptedPrompter> prompter;
    TAppParams params;
    QString out;
};

void EPayslipMailDialogTest::init() {
    folder = std::make_unique<TestFolder>();
    db = std::make_unique<Database>();
    db->open(Schema::databasePath(folder->path()), Schema::databaseKey());
    EPayslipTemplates::writeAll(folder->file(QStringLiteral("RPT")));
    const QDir drawn(QStringLiteral(GZT_TEMPLATE_DIR));
    for (const QString& name : drawn.entryList({QStringLiteral("*.RAV")}, QDir::Files)) {
        QVERIFY(QFile::copy(drawn.filePath(name), folder->file(QStringLiteral("RPT/") + name)));
    }
    prompter = std::make_unique<ScriptedPrompter>();
    params.EntName = QStringLiteral("青禾科技");
    params.ShowFloat = 1;
    fixture::addMonth(*db, kMonth);
    const struct {
        const char* code;
        const char* name;
        const char* email;
        double net;
    } rows[] = {{"A1", "张三", "zhang3@example.com", 5100},
                {"", "李四", "li4@example.com", 5200},
                {"C3", "王五", "nobody@example.com", 5300}};
    int k = 0;
    for (const auto& r : rows) {
        ++k;
        fixture::addRow(*db, kMonth,
                        {{"DepartName", QStringLiteral("%1部").arg(k)},
                         {"EmpCode", QString::fromUtf8(r.code)},
                         {"EmpName", QString::fromUtf8(r.name)},
                         {"EMail", QString::fromUtf8(r.email)},
                         {"GZ1", r.net},
                         {"YFTotal", r.net},
                         {"GZTotal", r.net}});
    }
    out = folder->file(QStringLiteral("out"));
    QDir().mkpath(out);
}

void EPayslipMailDialogTest::cleanup() {
    prompter.reset();
    db.reset();
    folder.reset();
}

std::unique_ptr<TfrmEleEleGZBill> EPayslipMailDialogTest::dialog() {
    auto d = std::make_unique<TfrmEleEleGZBill>(*db, *prompter, folder->path(), params);
    d->GZMonth = kMonth;
    d->TemplatePath = folder->file(QStringLiteral("RPT/GZBill.xls"));
    d->EditPath->setText(out);
    d->setOpenFolder([](const QString&) { return true; });
    d->mailPanel->setPauseMs(0);
    d->mailPanel->setRunSetUp([](MailRun& run) {
        run.setRetryPauseMs(50);
        run.setClientSetUp([](SmtpSender::Options& o) {
            o.connectTimeoutMs = 5000;
            o.responseTimeoutMs = 2000;
        });
    });
    return d;
}

void EPayslipMailDialogTest::sendTo(TfrmEleEleGZBill& d, const MailTestServer& server) {
    d.le_smtp->setText(QStringLiteral("127.0.0.1"));
    d.le_port->setText(QString::number(server.port()));
    d.le_email->setText(QStringLiteral("hr@example.com"));
}

void EPayslipMailDialogTest::spreadsheetFilesStayTheDefault() {
    auto d = dialog();
    QCOMPARE(d->cbFileKind->currentIndex(), 0);
    QCOMPARE(d->cbFileKind->currentText(), QStringLiteral("Excel工资条文件(.xls)"));
    QVERIFY(!d->cbPdfPassword->isEnabled());
    QVERIFY(!d->cbPasswordColumn->isEnabled());
    QCOMPARE(d->mailPanel->sePause->value(), 0);
    QCOMPARE(TfrmEleEleGZBill(*db, *prompter, folder->path(), params).mailPanel->sePause->value(),
             300);
    prompter->queueConfirm(false);
    QTest::mouseClick(d->Button2, Qt::LeftButton);
    QStringList files = QDir(out).entryList(QDir::Files, QDir::Name);
    QCOMPARE(files, (QStringList{"0001_张三.xls", "0002_李四.xls", "0003_王五.xls"}));
}

void EPayslipMailDialogTest::pdfFilesAreLockedWithTheChosenColumn() {
    auto d = dialog();
    d->cbFileKind->setCurrentIndex(1);
    QVERIFY(d->cbPdfPassword->isEnabled());
    QVERIFY(d->cbPdfPassword->isChecked());
    QCOMPARE(d->cbPasswordColumn->currentData().toString(), QStringLiteral("EmpCode"));
    QCOMPARE(d->passwordColumn(), std::optional<QString>(QStringLiteral("EmpCode")));
    prompter->queueConfirm(false);
    QTest::mouseClick(d->Button2, Qt::LeftButton);
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
             (QStringList{"0001_张三.pdf", "0003_王五.pdf"}));
    QVERIFY(prompter->texts().at(0).endsWith(QStringLiteral("没有生成工资条：\n0002_李四")));
    const QString first = QDir(out).filePath(QStringLiteral("0001_张三.pdf"));
    QVERIFY(qpdfCheck(first, QString()) != 0);
    QVERIFY(qpdfCheck(first, QStringLiteral("C3")) != 0);
    QCOMPARE(qpdfCheck(first, QStringLiteral("A1")), 0);

    // Without the box the files open for anyone.
    d->cbPdfPassword->setChecked(false);
    QVERIFY(!d->cbPasswordColumn->isEnabled());
    QCOMPARE(d->passwordColumn(), std::optional<QString>());
    auto again = dialog();
    again->cbFileKind->setCurrentIndex(1);
    again->cbPdfPassword->setChecked(false);
    prompter->queueConfirm(false);
    again->Button2Click();
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name),
             (QStringList{"0001_张三.pdf", "0002_李四.pdf", "0003_王五.pdf"}));
    QCOMPARE(qpdfCheck(QDir(out).filePath(QStringLiteral("0002_李四.pdf")), QString()), 0);
}

void EPayslipMailDialogTest::theLogShowsTheLastRunAndSendsAgainToChosenRows() {
    auto d = dialog();
    prompter->queueConfirm(false);
    d->Button2Click();
    {
        MailTestServer refusing({QStringLiteral("--reject"), QStringLiteral("nobody")});
        sendTo(*d, refusing);
        QTest::mouseClick(d->cmdEmail, Qt::LeftButton);
        QCOMPARE(refusing.messages().size(), 2);
    }
    QCOMPARE(d->tblMailLog->rowCount(), 3);
    QCOMPARE(d->tblMailLog->item(0, 2)->text(), QStringLiteral("张三"));
    QCOMPARE(d->tblMailLog->item(0, 5)->text(), QStringLiteral("已发送"));
    QCOMPARE(d->tblMailLog->item(2, 1)->text(), QStringLiteral("3"));
    QCOMPARE(d->tblMailLog->item(2, 5)->text(), QStringLiteral("失败"));
    QVERIFY(d->tblMailLog->item(2, 6)->text().contains(QStringLiteral("550")));

    MailTestServer server;
    sendTo(*d, server);
    prompter->clear();
    QTest::mouseClick(d->btnResendFailed, Qt::LeftButton);
    QCOMPARE(recipients(server), QStringList{QStringLiteral("nobody@example.com")});
    QCOMPARE(prompter->shown(), QStringList());
    QCOMPARE(d->tblMailLog->rowCount(), 1);
    QCOMPARE(d->tblMailLog->item(0, 5)->text(), QStringLiteral("已发送"));

    // Nothing failed any more.
    QTest::mouseClick(d->btnResendFailed, Qt::LeftButton);
    QCOMPARE(prompter->shown(), QStringList{QStringLiteral("info: 上次发送没有失败的邮件。")});
    QCOMPARE(server.messages().size(), 1);

    // Nothing chosen, then the one row chosen in the table.
    prompter->clear();
    QTest::mouseClick(d->btnSendSelected, Qt::LeftButton);
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("warning: 请先在上次发送记录中选定要发送的行。")});
    d->tblMailLog->selectRow(0);
    QTest::mouseClick(d->btnSendSelected, Qt::LeftButton);
    QCOMPARE(recipients(server), (QStringList{QStringLiteral("nobody@example.com"),
                                              QStringLiteral("nobody@example.com")}));

    // A full run asks first; refused, nothing goes out.
    prompter->clear();
    prompter->queueConfirm(false);
    QTest::mouseClick(d->cmdEmail, Qt::LeftButton);
    QCOMPARE(prompter->shown().size(), 1);
    QVERIFY(prompter->shown().at(0).startsWith(
        QStringLiteral("confirm: 月度[202408]的工资条已经发送过（已发出4封）。")));
    QCOMPARE(server.messages().size(), 2);
}

void EPayslipMailDialogTest::previewShowsTheFirstEmployeesMessage() {
    auto d = dialog();
    d->cbFileKind->setCurrentIndex(1);
    d->le_title->setText(QStringLiteral("{月度}工资条-{姓名}"));
    d->me_content->setPlainText(QStringLiteral("{部门}{姓名}：实发{实发工资}元"));
    QTest::mouseClick(d->mailPanel->btnPreview, Qt::LeftButton);
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("info: 收件人：张三 <zhang3@example.com>\n"
                                        "标题：202408工资条-张三\n附件：0001_张三.pdf\n\n"
                                        "1部张三：实发5100.00元")});
}

QTEST_MAIN(EPayslipMailDialogTest)
#include "EPayslipMailDialogTest.moc"
