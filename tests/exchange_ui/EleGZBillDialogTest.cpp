#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtTest>

#include "Database.h"
#include "EPayslipTemplates.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "TfrmEleEleGZBill.h"
#include "XlsWorkbook.h"

class EleGZBillDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void showsItsControls();
    void chooseFolderSetsThePath();
    void doubleClickOnThePathChoosesToo();
    void startWithoutFolderAsksForOne();
    void startWritesTheFilesAndStaysDisabled();
    void escapeCloses();
    void showEleGZBillShowsTheDialogModally();
    void button13WithoutMonthSaysSo();

  private:
    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ScriptedPrompter> prompter;
    TAppParams params;
};

void EleGZBillDialogTest::init() {
    folder = std::make_unique<TestFolder>();
    db = std::make_unique<Database>();
    db->open(Schema::databasePath(folder->path()), Schema::databaseKey());
    EPayslipTemplates::writeAll(folder->file(QStringLiteral("RPT")));
    prompter = std::make_unique<ScriptedPrompter>();
    params.EntName = QStringLiteral("青禾科技");
    params.ShowFloat = 0;
    fixture::addMonth(*db, QStringLiteral("202405"));
    fixture::addRow(*db, QStringLiteral("202405"), {{"EmpName", "张三"}, {"GZ1", 1234.6}});
    fixture::addRow(*db, QStringLiteral("202405"), {{"EmpName", "李四"}, {"GZ1", 10}});
}

void EleGZBillDialogTest::cleanup() {
    prompter.reset();
    db.reset();
    folder.reset();
}

void EleGZBillDialogTest::showsItsControls() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    QCOMPARE(dialog.windowTitle(),
             QStringLiteral(
                 "生成电子工资条(直接按打印格式，生成Excel工资条文件，用于通过Excel发送工资条)"));
    QVERIFY(dialog.EditPath->isReadOnly());
    QVERIFY(dialog.EditPath->text().isEmpty());
    QCOMPARE(dialog.Button1->text(), QStringLiteral("选择"));
    QCOMPARE(dialog.Button2->text(), QStringLiteral("1:开始生成"));
    QCOMPARE(dialog.cmdEmail->text(), QStringLiteral("2:发送邮件"));
    QCOMPARE(dialog.Button3->text(), QStringLiteral("关闭"));
    QVERIFY(dialog.Button2->isEnabled());
    QVERIFY(dialog.cmdEmail->isEnabled());
    QCOMPARE(dialog.GroupBox1->title(), QStringLiteral("配置"));
    QCOMPARE(dialog.le_title->text(), QStringLiteral("工资条"));
    QCOMPARE(dialog.me_content->toPlainText(), QStringLiteral("工资条"));
    QCOMPARE(dialog.StatusBar1->currentMessage(), QStringLiteral("就绪..."));
    QCOMPARE(dialog.le_pass->echoMode(), QLineEdit::Password);
    QVERIFY(dialog.ledAttachment->isReadOnly());
    QStringList labels;
    for (const QLabel* l : dialog.findChildren<QLabel*>()) labels << l->text();
    QVERIFY(labels.contains(QStringLiteral("指定电子工资条的存放路径：")));
    QVERIFY(labels.contains(QStringLiteral("电子工资条生成进度提示：")));
    QVERIFY(labels.contains(QStringLiteral("发送电子邮件设置：")));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

void EleGZBillDialogTest::chooseFolderSetsThePath() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    QStringList asked;
    std::optional<QString> answer = QStringLiteral("/tmp/payslips");
    bool ownedByDialog = true;
    dialog.setFolderChooser([&](QWidget* owner, const QString& title, const QString& start) {
        asked << title + u'|' + start;
        ownedByDialog = ownedByDialog && owner == &dialog;
        return answer;
    });
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    QCOMPARE(dialog.EditPath->text(), QStringLiteral("/tmp/payslips"));
    answer.reset();
    dialog.Button1Click();
    QCOMPARE(dialog.EditPath->text(), QStringLiteral("/tmp/payslips"));
    QCOMPARE(asked, (QStringList{"选择电子工资条存放路径|", "选择电子工资条存放路径|"}));
    QVERIFY(ownedByDialog);
}

void EleGZBillDialogTest::doubleClickOnThePathChoosesToo() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    dialog.setFolderChooser([](QWidget*, const QString&, const QString&) {
        return std::optional<QString>(QStringLiteral("/srv/gz"));
    });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseDClick(dialog.EditPath, Qt::LeftButton);
    QCOMPARE(dialog.EditPath->text(), QStringLiteral("/srv/gz"));
}

void EleGZBillDialogTest::startWithoutFolderAsksForOne() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    dialog.GZMonth = QStringLiteral("202405");
    dialog.TemplatePath = folder->file(QStringLiteral("RPT/GZBill.xls"));
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("warning: 请指定电子工资条的存放路径！")});
    QVERIFY(dialog.Button2->isEnabled());
}

void EleGZBillDialogTest::startWritesTheFilesAndStaysDisabled() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    dialog.GZMonth = QStringLiteral("202405");
    dialog.TemplatePath = folder->file(QStringLiteral("RPT/GZBill.xls"));
    const QString out = folder->file(QStringLiteral("out"));
    QDir().mkpath(out);
    dialog.EditPath->setText(out);
    QStringList opened;
    dialog.setOpenFolder([&](const QString& f) {
        opened << f;
        return true;
    });
    prompter->queueConfirm(true);
    QTest::mouseClick(dialog.Button2, Qt::LeftButton);
    QVERIFY(!dialog.Button2->isEnabled());
    QVERIFY(dialog.cmdEmail->isEnabled());
    QCOMPARE(dialog.lblHint->text(), QStringLiteral("2/2"));
    QCOMPARE(opened, QStringList{out});
    QCOMPARE(prompter->texts(), (QStringList{"生成工资条结束！\n已生成工资条文件 2 个，失败 0 个。",
                                             "是否立即打开工资条文件所在目录？"}));
    QStringList files = QDir(out).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, (QStringList{"0001_李四.xls", "0002_张三.xls"}));
    const XlsSheetText sheet =
        XlsWorkbook::load(QDir(out).filePath(QStringLiteral("0002_张三.xls"))).sheet(0);
    QCOMPARE(sheet.text(4, 1), QStringLiteral("1235"));
    QCOMPARE(dialog.lastSummary()->written, 2);
}

void EleGZBillDialogTest::escapeCloses() {
    TfrmEleEleGZBill dialog(*db, *prompter, folder->path(), params);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void EleGZBillDialogTest::showEleGZBillShowsTheDialogModally() {
    bool seen = false;
    EleGZBillButton13Click(*db, *prompter, folder->path(), QStringLiteral("202405"), params,
                           nullptr, [&](TfrmEleEleGZBill& dialog) {
                               QCOMPARE(dialog.GZMonth, QStringLiteral("202405"));
                               // TPara's PrintDays is 1 in a new database.
                               QCOMPARE(QFileInfo(dialog.TemplatePath).fileName(),
                                        QStringLiteral("GZBillWithDay.xls"));
                               QTimer::singleShot(0, &dialog, [&dialog, &seen] {
                                   seen = dialog.isVisible() && dialog.isModal();
                                   QTest::mouseClick(dialog.Button3, Qt::LeftButton);
                               });
                           });
    QVERIFY(seen);
    QVERIFY(prompter->shown().isEmpty());
}

void EleGZBillDialogTest::button13WithoutMonthSaysSo() {
    bool opened = false;
    QVERIFY(!EleGZBillButton13Click(*db, *prompter, folder->path(), QString(), params, nullptr,
                                    [&](TfrmEleEleGZBill&) { opened = true; }));
    QVERIFY(!opened);
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("warning: 请首先建立/选择工资发放月度！")});
}

QTEST_MAIN(EleGZBillDialogTest)
#include "EleGZBillDialogTest.moc"
