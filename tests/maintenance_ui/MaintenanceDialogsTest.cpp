#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleFactory>
#include <QUrl>
#include <QtTest>

#include "../maintenance/MaintenanceFixture.h"
#include "AppState.h"
#include "DataClearing.h"
#include "DataFolder.h"
#include "DatabaseBackup.h"
#include "GbkText.h"
#include "GuiPrompter.h"
#include "ModalWatch.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"
#include "TfrmAbout.h"
#include "TfrmReBulid.h"

namespace {

QString labelText(const QWidget* dialog, const char* name) {
    const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing %1>").arg(QString::fromLatin1(name));
}

// Saves a picture of the window when the caller asked for pictures.
void saveShot(QWidget* window, const QString& name) {
    const QString folder = qEnvironmentVariable("GZT_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    QVERIFY(window->grab().save(QDir(folder).filePath(name)));
}

struct AboutSeen {
    QString caption;
    QStringList labels;
    bool shown = false;
};

}  // namespace

class MaintenanceDialogsTest : public QObject {
    Q_OBJECT

  public slots:
    void openUrl(const QUrl& url) { opened_ << url.toString(); }

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void reBulidLooksAsDesigned();
    void reBulidClearsOnlyWhenTickedAndConfirmed();
    void reBulidEscapeCancels();
    void wrongPasswordOpensNoDialog();
    void rightPasswordOpensTheDialog();
    void aboutWithoutIniShowsTheDefaults();
    void aboutShowsVendorTextsAndVersion_data();
    void aboutShowsVendorTextsAndVersion();
    void aboutClosesWithEnterAndEscape();
    void aboutOpensTheHomePage();
    void backupDialogAsksBeforeReplacing();

  private:
    AboutSeen showAbout(TDM& dm, const TVendorInfo& vendor, int key = Qt::Key_Return);

    QStringList opened_;
};

void MaintenanceDialogsTest::initTestCase() {
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
}

void MaintenanceDialogsTest::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void MaintenanceDialogsTest::reBulidLooksAsDesigned() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    ScriptedPrompter prompter;
    DataClearing clearing(db, prompter, folder.path());
    TfrmReBulid dialog(clearing);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("系统重建"));
    QCOMPARE(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("警告！！！"));
    auto* memo = dialog.findChild<QPlainTextEdit*>(QStringLiteral("EditWarm"));
    QVERIFY(memo);
    QCOMPARE(memo->toPlainText().split(u'\n'),
             QStringList({"    系统重建将会将系统中所有信息清除，本功能仅用",
                          "于对期初测试、熟悉系统所产生的测试数据的清除。",
                          "    在执行本功能之前，建议首先在服务端备份数据库",
                          "。若由于没有备份数据而造成损失，开发商概不负责。"}));
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->palette().color(QPalette::Text), QColor(Qt::red));
    QCOMPARE(memo->font().pixelSize(), 15);
    // Every line is seen whole: the memo needs no scroll bar.
    QVERIFY(!memo->horizontalScrollBar()->isVisible());
    QVERIFY(!memo->verticalScrollBar()->isVisible());
    auto* tick = dialog.findChild<QCheckBox*>(QStringLiteral("cmkYW"));
    QCOMPARE(tick->text(), QStringLiteral("清除业务数据"));
    QVERIFY(!tick->isChecked());
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdSH"))->text(),
             QStringLiteral("系统重建"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("取消(&X)"));
    QCOMPARE(QFontInfo(dialog.font()).family(), QStringLiteral("AR PL UMing CN"));
    saveShot(&dialog, QStringLiteral("TfrmReBulid.png"));
}

void MaintenanceDialogsTest::reBulidClearsOnlyWhenTickedAndConfirmed() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    fixture::addMonth(db, "202401");
    fixture::addRow(db, "202401", {{"EmpName", "张三"}});
    maint::writeFile(QDir(DataFolder::contractFolder(folder.path())).filePath("a.txt"), "x");
    ScriptedPrompter prompter;
    DataClearing clearing(db, prompter, folder.path());
    TfrmReBulid dialog(clearing);
    dialog.show();
    auto* run = dialog.findChild<QPushButton*>(QStringLiteral("cmdSH"));

    QTest::mouseClick(run, Qt::LeftButton);
    QCOMPARE(prompter.shown(), QStringList{"warning: 至少需要选择一项清除项目！"});
    QVERIFY(dialog.isVisible());

    dialog.findChild<QCheckBox*>(QStringLiteral("cmkYW"))->setChecked(true);
    prompter.queueConfirm(false);
    QTest::mouseClick(run, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    QCOMPARE(fixture::count(db, "select count(*) from TGZ"), 1);

    prompter.clear();
    prompter.queueConfirm(true);
    QTest::mouseClick(run, Qt::LeftButton);
    QCOMPARE(prompter.shown().last(), QStringLiteral("info: 系统重建完成！"));
    QVERIFY(dialog.cleared());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(fixture::count(db, "select count(*) from TGZ"), 0);
    QCOMPARE(fixture::count(db, "select count(*) from TGZMonth"), 0);
    QVERIFY(!QFileInfo::exists(QDir(DataFolder::contractFolder(folder.path())).filePath("a.txt")));
}

void MaintenanceDialogsTest::reBulidEscapeCancels() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    fixture::addMonth(db, "202401");
    ScriptedPrompter prompter;
    DataClearing clearing(db, prompter, folder.path());
    TfrmReBulid dialog(clearing);
    dialog.findChild<QCheckBox*>(QStringLiteral("cmkYW"))->setChecked(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.cleared());
    QVERIFY(prompter.shown().isEmpty());
    QCOMPARE(fixture::count(db, "select count(*) from TGZMonth"), 1);
}

void MaintenanceDialogsTest::wrongPasswordOpensNoDialog() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    fixture::addMonth(db, "202401");
    ScriptedPrompter prompter;
    QStringList asked;
    // Should the dialog open after all, it is seen and closed rather than waited for.
    const auto watch = ModalWatch::on<TfrmReBulid>([](TfrmReBulid* d) { d->reject(); });
    const bool ended = ShowReBulid(
        db, prompter, folder.path(), QStringLiteral("管理员"),
        [&](const QString& caption) {
            asked << caption;
            return QStringLiteral("管理");
        },
        nullptr);
    QVERIFY(!ended);
    QVERIFY(!watch.answered());
    QCOMPARE(asked, QStringList{"请输入登陆/管理密码："});
    QCOMPARE(prompter.shown(), QStringList{"error: 密码错误！"});
    QCOMPARE(fixture::count(db, "select count(*) from TGZMonth"), 1);
}

void MaintenanceDialogsTest::rightPasswordOpensTheDialog() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    ScriptedPrompter prompter;
    QString seenTitle;
    const auto watch = ModalWatch::on<TfrmReBulid>([&](TfrmReBulid* d) {
        seenTitle = d->windowTitle();
        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    });
    const bool ended = ShowReBulid(
        db, prompter, folder.path(), QStringLiteral("管理员"),
        [](const QString&) { return QStringLiteral("管理员"); }, nullptr);
    QVERIFY(!ended);
    QCOMPARE(seenTitle, QStringLiteral("系统重建"));
    QVERIFY(prompter.shown().isEmpty());
}

AboutSeen MaintenanceDialogsTest::showAbout(TDM& dm, const TVendorInfo& vendor, int key) {
    AboutSeen seen;
    const auto watch = ModalWatch::on<TfrmAbout>([&seen, key](TfrmAbout* d) {
        seen.shown = true;
        seen.caption = d->windowTitle();
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5"})
            seen.labels << labelText(d, name);
        QTest::keyClick(d, Qt::Key(key));
        // A key that failed to close it must not leave the test waiting.
        if (d->isVisible()) {
            seen.shown = false;
            d->reject();
        }
    });
    ShowAbout(vendor, dm, nullptr);
    return seen;
}

void MaintenanceDialogsTest::aboutWithoutIniShowsTheDefaults() {
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    const TVendorInfo defaults = ReadyPara(folder.path());
    const AboutSeen seen = showAbout(dm, defaults);
    QVERIFY(seen.shown);
    QCOMPARE(seen.caption, QStringLiteral("青禾工资条制作打印软件"));
    QCOMPARE(seen.labels.at(0), seen.caption);
    QVERIFY(!defaults.EntName.isEmpty());
    QVERIFY(seen.labels.at(2).endsWith(defaults.EntName));
    QCOMPARE(seen.labels.at(3), QStringLiteral("网址："));
    QVERIFY(defaults.HomePage.startsWith(QStringLiteral("http")));
    QCOMPARE(seen.labels.at(4), defaults.HomePage);
}

void MaintenanceDialogsTest::aboutShowsVendorTextsAndVersion_data() {
    QTest::addColumn<QVariant>("clientVer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("version") << QVariant(QStringLiteral("3.2.1")) << QStringLiteral("版本：3.2.1");
    QTest::newRow("empty") << QVariant(QString()) << QStringLiteral("版本：");
    QTest::newRow("null") << QVariant() << QStringLiteral("版本：");
}

void MaintenanceDialogsTest::aboutShowsVendorTextsAndVersion() {
    QFETCH(QVariant, clientVer);
    QFETCH(QString, shown);
    TestFolder folder;
    GbkText::writeTextFile(folder.file("IIS.INI"),
                           QStringLiteral("[Last]\nBrand=星河\nEntName=星河软件公司\n"
                                          "HomePage=https://www.example.cn/payroll\n"));
    {
        Database db;
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        db.exec(QStringLiteral("update TPara set ClientVer = ?"), {clientVer});
    }
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    const AboutSeen seen = showAbout(dm, ReadyPara(folder.path()));
    QVERIFY(seen.shown);
    QCOMPARE(seen.caption, QStringLiteral("星河工资条制作打印软件"));
    QCOMPARE(seen.labels, QStringList({"星河工资条制作打印软件", shown, "开发商：星河软件公司",
                                       "网址：", "https://www.example.cn/payroll"}));
}

void MaintenanceDialogsTest::aboutClosesWithEnterAndEscape() {
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        QVERIFY2(showAbout(dm, ReadyPara(folder.path()), key).shown,
                 qPrintable(QString::number(key)));
    }
}

void MaintenanceDialogsTest::aboutOpensTheHomePage() {
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    dm.ADOLocal.exec(QStringLiteral("update TPara set ClientVer = '1.0.0'"));
    TVendorInfo vendor = ReadyPara(folder.path());
    vendor.HomePage = QStringLiteral("https://www.example.cn/home");
    TfrmAbout dialog(AboutInfo::make(vendor, AboutInfo::clientVersion(dm)));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(QFontInfo(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->font()).pixelSize(),
             15);
    auto* link = dialog.findChild<QLabel*>(QStringLiteral("Label5"));
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    saveShot(&dialog, QStringLiteral("TfrmAbout.png"));

    opened_.clear();
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QLabel*>(QStringLiteral("Image1")), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
    QCOMPARE(opened_, QStringList({"https://www.example.cn/home", "https://www.example.cn/home"}));
}

void MaintenanceDialogsTest::backupDialogAsksBeforeReplacing() {
    TestFolder folder;
    GuiPrompter prompter;
    TDM dm(folder.path(), prompter);
    const QString existing = folder.file("Bak/existing.GZBK");
    maint::writeFile(existing, "older file");

    for (bool replace : {false, true}) {
        QString title;
        QString proposed;
        QString question;
        QString told;
        const auto chooser = ModalWatch::on<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            proposed = QDir(dialog->directory()).filePath(dialog->selectedFiles().value(0));
            const auto asked = ModalWatch::on<QMessageBox>([&](QMessageBox* box) {
                question = box->text();
                QAbstractButton* answer = box->button(replace ? QMessageBox::Yes : QMessageBox::No);
                if (answer) {
                    answer->click();
                } else {
                    box->reject();
                }
            });
            // Typed, as a user would: the name box is what the dialog goes by.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(existing);
            // Through QDialog, where accept() is public; the file dialog's own one runs.
            static_cast<QDialog*>(dialog)->accept();
            if (!replace) dialog->reject();
        });
        // The box with the outcome comes after the chooser closed, never before the question.
        const ModalWatch outcome([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || question.isEmpty()) return false;
            told = box->text();
            box->accept();
            return true;
        });
        BackupDatabase(dm, prompter, folder.path());

        QCOMPARE(title, QStringLiteral(" 存储工资条数据库"));
        QCOMPARE(QFileInfo(proposed).absoluteFilePath(),
                 QFileInfo(DatabaseBackup::proposedFile(folder.path(), QDate::currentDate()))
                     .absoluteFilePath());
        QVERIFY2(question.contains(QStringLiteral("existing.GZBK")), qPrintable(question));
        if (replace) {
            QCOMPARE(told, QStringLiteral("数据文件备份成功！"));
            QVERIFY(maint::unzipList(existing).contains(QStringLiteral("ZYDB.dat")));
        } else {
            QVERIFY(told.isEmpty());
            QCOMPARE(maint::readFile(existing), QByteArray("older file"));
        }
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    app.setQuitOnLastWindowClosed(false);
    MaintenanceDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MaintenanceDialogsTest.moc"
