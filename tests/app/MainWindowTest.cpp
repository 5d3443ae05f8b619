#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

#include "AppState.h"
#include "Database.h"
#include "DatabaseError.h"
#include "DetailGrid.h"
#include "FileError.h"
#include "GbkText.h"
#include "GuiPrompter.h"
#include "GztApplication.h"
#include "ModalWatch.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TfrmMainGZT.h"
#include "TfrmPassInput.h"

namespace {

struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// A watch for the next message box: notes what it shows and lets `answer` close it.
ModalWatch whenBoxShows(ShownBox* seen, std::function<void(QMessageBox*)> answer) {
    return ModalWatch::on<QMessageBox>([seen, answer](QMessageBox* box) {
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        for (QAbstractButton* button : box->buttons()) seen->buttons << button->text();
        seen->buttons.sort();
        if (box->defaultButton()) seen->defaultButton = box->defaultButton()->text();
        answer(box);
    });
}

// Entries of a menu as the user sees them, "-" for a separator.
QStringList menuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible()) continue;
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

// Raises the exception named by `kind` when it receives a user event, as a failing handler
// would; other user events are only counted.
class FailingHandler : public QObject {
  public:
    static constexpr QEvent::Type Fail = QEvent::User;
    static constexpr QEvent::Type Count = QEvent::Type(QEvent::User + 1);

    int kind = 0;
    int counted = 0;

    bool event(QEvent* e) override {
        if (e->type() == Count) {
            ++counted;
            return true;
        }
        if (e->type() != Fail) return QObject::event(e);
        switch (kind) {
            case 0:
                throw DatabaseError(QStringLiteral("数据库文件已损坏"));
            case 1:
                throw FileError(QStringLiteral("无法写入文件：工资.xls"));
            case 2:
                throw std::runtime_error(QStringLiteral("磁盘空间不足").toStdString());
            default:
                throw 42;
        }
    }
};

class UrlRecorder : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls << url; }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void layoutAndParametersWithDatabase();
    void captionFromVendorFile_data();
    void captionFromVendorFile();
    void startsWithoutDatabase();
    void monthsAndRows();
    void shownWindowGoesWithItsGridsFirst();
    void firstActivationHidesRowsDuringLogin();
    void helpPageAndClose();
    void generalErrorBox_data();
    void generalErrorBox();
    void applicationLook();
    void confirmationAnswers_data();
    void confirmationAnswers();
    void delphiFilters_data();
    void delphiFilters();

  private:
    QString programFolder(const QTemporaryDir& dir) const { return dir.path() + u'/'; }
    // The program folder in `dir` made the current one, its database holding month 202612 with
    // three employees; `values(i)` gives employee i's values beside the name.
    bool withThreeEmployees(const QTemporaryDir& dir,
                            const std::function<QVariantMap(int)>& values) const {
        AppPath = programFolder(dir);
        if (!Schema::createDatabaseFile(AppPath)) return false;
        Database db;
        db.open(Schema::databasePath(AppPath), Schema::databaseKey());
        fixture::addMonth(db, QStringLiteral("202612"));
        for (int i = 0; i < 3; ++i) {
            QVariantMap row = values(i);
            row.insert(QStringLiteral("EmpName"), QStringLiteral("员工%1").arg(i));
            fixture::addRow(db, QStringLiteral("202612"), row);
        }
        return true;
    }
};

void MainWindowTest::init() {
    AppParams = TAppParams{};
    VendorInfo = TVendorInfo{};
    AppPath.clear();
}

// The newest month is shown at start; choosing another month loads it; deleting months through
// the button leaves "月度[]" once none is left.
void MainWindowTest::monthsAndRows() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    AppPath = programFolder(dir);
    QVERIFY(Schema::createDatabaseFile(AppPath));
    {
        Database db;
        db.open(Schema::databasePath(AppPath), Schema::databaseKey());
        fixture::addMonth(db, QStringLiteral("202611"));
        fixture::addMonth(db, QStringLiteral("202612"));
        for (int i = 0; i < 3; ++i) {
            fixture::addRow(db, QStringLiteral("202612"),
                            {{"EmpName", QStringLiteral("员工%1").arg(i)}, {"GZ1", 1000 + i}});
        }
        fixture::addRow(db, QStringLiteral("202611"), {{"EmpName", QStringLiteral("旧员工")}});
    }
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    TfrmMainGZT window(dm, prompter);
    QCOMPARE(window.detailCaption(), QStringLiteral("月度[202612]工资发放明细表"));
    QCOMPARE(window.monthGrid()->model()->rowCount(), 2);
    QCOMPARE(window.monthGrid()->model()->index(0, 1).data().toString(), QStringLiteral("202612"));
    QCOMPARE(window.detailGrid()->view()->model()->rowCount(), 3);

    window.monthGrid()->setCurrentIndex(window.monthGrid()->model()->index(1, 1));
    QCOMPARE(window.detailCaption(), QStringLiteral("月度[202611]工资发放明细表"));
    QCOMPARE(window.detailGrid()->view()->model()->rowCount(), 1);

    auto* remove = window.findChild<QPushButton*>(QStringLiteral("Button3"));
    QVERIFY(remove);
    for (int left = 1; left >= 0; --left) {
        prompter.queueConfirm(true);
        remove->click();
        QCOMPARE(window.monthGrid()->model()->rowCount(), left);
    }
    QCOMPARE(window.detailCaption(), QStringLiteral("月度[]工资发放明细表"));
    QCOMPARE(window.detailGrid()->view()->model()->rowCount(), 0);
}

// The program's start, then the window deleted while shown: closing it there hides the grids,
// whose headers measure their titles again after the rows were listed anew at activation. The
// grids have to go while the window's month and detail lists are there to read them from.
void MainWindowTest::shownWindowGoesWithItsGridsFirst() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(withThreeEmployees(dir, [](int i) { return QVariantMap{{"GZ1", 1000 + i}}; }));
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    auto window = std::make_unique<TfrmMainGZT>(dm, prompter);
    window->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QTRY_VERIFY(!window->firstActivation() && window->detailList().loaded());
    QCOMPARE(window->detailGrid()->view()->model()->rowCount(), 3);

    QObject* const asObject = window.get();
    QStringList wentFirst;
    for (QWidget* grid : {static_cast<QWidget*>(window->monthGrid()),
                          static_cast<QWidget*>(window->detailGrid())}) {
        connect(grid, &QObject::destroyed, [&, name = grid->objectName()] {
            if (qobject_cast<TfrmMainGZT*>(asObject)) wentFirst << name;
        });
    }
    window.reset();
    QCOMPARE(wentFirst, QStringList({"DBGridEh1", "DBGridEh2"}));
}

// While the first activation asks for the password no salary row is listed; afterwards the
// rows loaded at creation are listed again as they were, not read anew (the month's print marks
// are cleared once, at creation).
void MainWindowTest::firstActivationHidesRowsDuringLogin() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(withThreeEmployees(dir, [](int) { return QVariantMap{{"SelectStu", 1}}; }));
    {
        Database db;
        db.open(Schema::databasePath(AppPath), Schema::databaseKey());
        db.exec(QStringLiteral("update TPara set LogPass='Secret'"));
    }
    QFile marker(dir.filePath(QStringLiteral("NotFirst.txt")));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    TfrmMainGZT window(dm, prompter);
    QAbstractItemModel* rows = window.detailGrid()->view()->model();
    QCOMPARE(rows->rowCount(), 3);
    {
        Database db;
        db.open(Schema::databasePath(AppPath), Schema::databaseKey());
        db.exec(QStringLiteral("update TGZ set SelectStu=1 where EmpName='员工1'"));
    }

    int rowsDuringLogin = -1;
    QString captionDuringLogin;
    const ModalWatch login = ModalWatch::on<TfrmPassInput>([&](TfrmPassInput* box) {
        rowsDuringLogin = rows->rowCount();
        captionDuringLogin = window.detailCaption();
        QTest::keyClicks(box->passwordEdit(), QStringLiteral("Secret"));
        box->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    });
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&window, &activate);

    QVERIFY(login.answered());
    QCOMPARE(rowsDuringLogin, 0);
    QCOMPARE(captionDuringLogin, QStringLiteral("月度[202612]工资发放明细表"));
    QVERIFY(!window.firstActivation());
    QVERIFY(prompter.shown().isEmpty());
    QCOMPARE(rows->rowCount(), 3);
    QCOMPARE(
        rows->index(1, window.detailList().GetCol(QStringLiteral("EmpName"))).data().toString(),
        QStringLiteral("员工1"));
    Database db;
    db.open(Schema::databasePath(AppPath), Schema::databaseKey());
    QCOMPARE(fixture::count(db, QStringLiteral("select count(*) from TGZ where SelectStu=1")), 1);
}

void MainWindowTest::layoutAndParametersWithDatabase() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    AppPath = programFolder(dir);
    QVERIFY(Schema::createDatabaseFile(AppPath));
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    QVERIFY(dm.connected());
    TfrmMainGZT window(dm, prompter);
    QVERIFY(prompter.shown().isEmpty());

    QCOMPARE(window.windowTitle(), QStringLiteral("青禾工资条制作打印软件"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("青禾工资条制作打印软件"));
    QVERIFY(window.firstActivation());

    // The parameters row of a new database: decimals shown, attendance in days, "746" = none.
    QCOMPARE(AppParams.LogPass, QString());
    QCOMPARE(AppParams.PrintDays, 1);
    QCOMPARE(AppParams.ShowFloat, 1);
    QCOMPARE(AppParams.JJUnit, QStringLiteral("件"));
    QCOMPARE(window.floatFormat(), QStringLiteral("0.00"));

    const QStringList captions{
        "工资编辑与打印", "工资统计",   "工资项目参数设置", "基本参数", "设置登陆密码", "发送Excel",
        "从Excel导入",    "数据库维护", "在线升级",         "帮助",     "关闭"};
    QCOMPARE(window.toolbarCaptions(), captions);
    QStringList withSeparators;
    for (const QAction* action : window.toolBar()->actions())
        withSeparators << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(withSeparators.join(u','),
             QStringLiteral("工资编辑与打印,工资统计,工资项目参数设置,基本参数,设置登陆密码,-,"
                            "发送Excel,从Excel导入,-,数据库维护,-,在线升级,帮助,-,关闭"));

    QCOMPARE(menuTexts(window.databaseMenu()),
             QStringList({"数据库备份", "数据库还原", "-", "数据清除"}));
    QCOMPARE(menuTexts(window.helpMenu()), QStringList({"动画教程", "-", "关于.."}));
    QCOMPARE(menuTexts(window.printMenu()), QStringList({"全部打印", "打印选定行"}));
    QCOMPARE(menuTexts(window.detailMenu()),
             QStringList({"发送到&Excel", "-", "批量删除-先鼠标拖选", "-", "列表打印-打印选定行"}));

    QCOMPARE(window.detailCaption(), QStringLiteral("月度[XXXX]工资发放明细表"));
    window.setDetailCaption(QStringLiteral("202403"));
    QCOMPARE(window.detailCaption(), QStringLiteral("月度[202403]工资发放明细表"));
    window.setDetailCaption(QStringLiteral("XXXX"));

    QCOMPARE(window.monthBox()->title(), QStringLiteral("工资发放月度"));
    QTableView* months = window.monthGrid();
    QCOMPARE(months->model()->columnCount(), 2);
    QCOMPARE(months->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("编号"));
    QCOMPARE(months->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("发放月度"));
    QCOMPARE(months->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(months->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(months->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(window.detailGrid()->view()->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(window.detailGrid()->view()->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(window.detailGrid()->view()->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Every command of the window is in working order: nothing is left greyed out.
    QStringList disabled;
    for (const QAction* action : window.toolBar()->actions()) {
        if (!action->isSeparator() && !action->isEnabled()) disabled << action->text();
    }
    for (const QMenu* menu :
         {window.databaseMenu(), window.helpMenu(), window.printMenu(), window.detailMenu()}) {
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible()) continue;
            if (!action->isEnabled()) disabled << action->text();
        }
    }
    for (const QGroupBox* box : {window.monthBox(), window.detailBox()}) {
        for (const QPushButton* button : box->findChildren<QPushButton*>()) {
            if (!button->isEnabled()) disabled << button->text();
        }
    }
    QCOMPARE(disabled, QStringList());
    for (const char* name : {"TBDatabase", "TBHelp"}) {
        QAction* action = window.findChild<QAction*>(QString::fromLatin1(name));
        QVERIFY(action);
        auto* button = qobject_cast<QToolButton*>(window.toolBar()->widgetForAction(action));
        QVERIFY(button);
        QCOMPARE(button->popupMode(), QToolButton::InstantPopup);
    }

    // The smallest screen the program is meant for.
    window.resize(1366, 768);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(1366, 768));
    QCOMPARE(window.monthBox()->width(), 175);

    for (QAction* action : window.toolBar()->actions()) {
        if (action->isSeparator()) continue;
        QWidget* button = window.toolBar()->widgetForAction(action);
        QVERIFY(button->height() >= 35);
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(action->text()));
    }

    // The buttons below the detail grid: all on screen, in order, none squeezed.
    QList<QPushButton*> buttons = window.detailBox()->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(), [](QPushButton* a, QPushButton* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    QStringList texts;
    const QRect inside = window.detailBox()->contentsRect();
    for (QPushButton* button : buttons) {
        texts << button->text();
        QVERIFY(button->isVisible());
        const QRect frame(button->mapTo(window.detailBox(), QPoint()), button->size());
        QVERIFY2(inside.contains(frame), qPrintable(button->text()));
        QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
    }
    QCOMPARE(texts,
             QStringList({"增加明细", "修改明细", "删除明细", "打印明细表", "打印工资条",
                          "POS工资条", "月度数据复制", "职员数据复制", "生成电子工资条并EMail"}));
    const QRect grid(window.detailGrid()->mapTo(window.detailBox(), QPoint()),
                     window.detailGrid()->size());
    QVERIFY(grid.bottom() < buttons.front()->mapTo(window.detailBox(), QPoint()).y());
    // The detail box takes the width the month box leaves.
    QVERIFY(window.detailBox()->width() > 1366 - 175 - 40);
    for (QPushButton* button : window.monthBox()->findChildren<QPushButton*>()) {
        const QRect frame(button->mapTo(window.monthBox(), QPoint()), button->size());
        QVERIFY2(window.monthBox()->contentsRect().contains(frame), qPrintable(button->text()));
    }

    QVERIFY(window.grab().save(QStringLiteral("/tmp/mainwindow.png")));
}

void MainWindowTest::captionFromVendorFile_data() {
    QTest::addColumn<QString>("ini");  // content of IIS.INI; null for no file
    QTest::addColumn<QString>("caption");
    QTest::newRow("no file") << QString() << QStringLiteral("青禾工资条制作打印软件");
    QTest::newRow("brand") << QStringLiteral("[Last]\nEntName=金算盘软件\nBrand=金算盘\n")
                           << QStringLiteral("金算盘工资条制作打印软件");
    QTest::newRow("no brand key") << QStringLiteral("[Last]\nEntName=金算盘软件\n")
                                  << QStringLiteral("青禾工资条制作打印软件");
    QTest::newRow("other section")
        << QStringLiteral("[First]\nBrand=金算盘\n") << QStringLiteral("青禾工资条制作打印软件");
}

void MainWindowTest::captionFromVendorFile() {
    QFETCH(QString, ini);
    QFETCH(QString, caption);
    QTemporaryDir dir;
    AppPath = programFolder(dir);
    QVERIFY(Schema::createDatabaseFile(AppPath));
    if (!ini.isNull()) GbkText::writeTextFile(AppPath + QStringLiteral("IIS.INI"), ini);
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    TfrmMainGZT window(dm, prompter);
    QCOMPARE(window.windowTitle(), caption);
    QCOMPARE(QGuiApplication::applicationDisplayName(), caption);
}

void MainWindowTest::startsWithoutDatabase() {
    QTemporaryDir dir;
    AppPath = programFolder(dir);
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    QCOMPARE(prompter.shown(),
             QStringList(QStringLiteral(
                 "error: 请确认您的程序是否安装正确，或者没有安装MDAC数据访问组件！")));
    QVERIFY(!dm.connected());

    // Left over from earlier: the window sets the margin and clears the password itself.
    AppParams.TopPos = 9;
    AppParams.LogPass = QStringLiteral("123");
    TfrmMainGZT window(dm, prompter);
    QCOMPARE(prompter.shown().size(), 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("青禾工资条制作打印软件"));
    QCOMPARE(AppParams.TopPos, 2);
    QCOMPARE(AppParams.PrintDays, 0);
    QCOMPARE(AppParams.ShowFloat, 0);
    QCOMPARE(AppParams.ShowXH, 0);
    QCOMPARE(AppParams.NameOnTitle, 0);
    QCOMPARE(AppParams.EntName, QString());
    QCOMPARE(AppParams.LogPass, QString());
    QCOMPARE(AppParams.JJUnit, QString());
    QCOMPARE(window.floatFormat(), QStringLiteral("0"));
    QVERIFY(window.firstActivation());
    QCOMPARE(window.toolbarCaptions().size(), 11);
}

void MainWindowTest::helpPageAndClose() {
    QTemporaryDir dir;
    AppPath = programFolder(dir);
    ScriptedPrompter prompter;
    TDM dm(AppPath, prompter);
    TfrmMainGZT window(dm, prompter);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    QAction* tutorial = window.findChild<QAction*>(QStringLiteral("N13"));
    QVERIFY(tutorial);
    tutorial->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QCOMPARE(recorder.urls,
             QList<QUrl>({QUrl::fromLocalFile(dir.path() + QStringLiteral("/Help/LarkGZ.htm"))}));

    QAction* closeAction = window.findChild<QAction*>(QStringLiteral("ToolButtonClose"));
    QVERIFY(closeAction);
    closeAction->trigger();
    QVERIFY(!window.isVisible());
}

void MainWindowTest::generalErrorBox_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("database") << 0 << QStringLiteral("数据库文件已损坏");
    QTest::newRow("file") << 1 << QStringLiteral("无法写入文件：工资.xls");
    QTest::newRow("standard, UTF-8") << 2 << QStringLiteral("磁盘空间不足");
    QTest::newRow("anything else") << 3 << QStringLiteral("程序发生未知错误！");
}

void MainWindowTest::generalErrorBox() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    FailingHandler handler;
    handler.kind = kind;
    ShownBox seen;
    const auto watch =
        whenBoxShows(&seen, [](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    QEvent fail(FailingHandler::Fail);
    QCoreApplication::sendEvent(&handler, &fail);
    QCOMPARE(seen.title, QStringLiteral("错误"));
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, QStringList(QStringLiteral("确定")));

    // The program goes on: the next event reaches its handler.
    QEvent count(FailingHandler::Count);
    QVERIFY(QCoreApplication::sendEvent(&handler, &count));
    QCOMPARE(handler.counted, 1);
}

void MainWindowTest::applicationLook() {
    QVERIFY(qobject_cast<GztApplication*>(QCoreApplication::instance()));
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    const QFont font = QApplication::font();
    QCOMPARE(font.family(), QStringLiteral("宋体"));
    QCOMPARE(font.pointSize(), 9);
    // 宋体 is not installed here; the Song face in its place is the one named for it.
    QCOMPARE(QFontInfo(font).family(), QStringLiteral("AR PL UMing CN"));
    QCOMPARE(QFontInfo(QFont(QStringLiteral("SimSun"), 9)).family(),
             QStringLiteral("AR PL UMing CN"));
}

void MainWindowTest::confirmationAnswers_data() {
    QTest::addColumn<QString>("press");  // a key, or the text of the button clicked
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter takes the default, Yes") << QStringLiteral("Enter") << true;
    QTest::newRow("Escape is No") << QStringLiteral("Escape") << false;
    QTest::newRow("Yes clicked") << QStringLiteral("是") << true;
    QTest::newRow("No clicked") << QStringLiteral("否") << false;
}

void MainWindowTest::confirmationAnswers() {
    QFETCH(QString, press);
    QFETCH(bool, answer);
    GuiPrompter prompter;
    ShownBox seen;
    const auto watch = whenBoxShows(&seen, [press](QMessageBox* box) {
        if (press == u"Enter") return QTest::keyClick(box, Qt::Key_Return);
        if (press == u"Escape") return QTest::keyClick(box, Qt::Key_Escape);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == press) button->click();
        }
    });
    QCOMPARE(prompter.confirm(QStringLiteral("您确认删除该月度吗？")), answer);
    QCOMPARE(seen.text, QStringLiteral("您确认删除该月度吗？"));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.buttons, QStringList({"否", "是"}));
    QCOMPARE(seen.defaultButton, QStringLiteral("是"));
}

void MainWindowTest::delphiFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qt");
    QTest::newRow("patterns already shown") << QStringLiteral("工资条数据库备份(*.GZBK)|*.GZBK")
                                            << QStringLiteral("工资条数据库备份(*.GZBK)");
    QTest::newRow("patterns added")
        << QStringLiteral("Excel文件|*.xls;*.xlsx") << QStringLiteral("Excel文件 (*.xls *.xlsx)");
    QTest::newRow("two filters") << QStringLiteral(
                                        "Excel文件(*.xls;*.xlsx)|*.xls;*.xlsx|所有文件|*.*")
                                 << QStringLiteral("Excel文件(*.xls *.xlsx);;所有文件 (*.*)");
    QTest::newRow("Qt form kept") << QStringLiteral("文本 (*.txt);;所有文件 (*)")
                                  << QStringLiteral("文本 (*.txt);;所有文件 (*)");
}

void MainWindowTest::delphiFilters() {
    QFETCH(QString, filter);
    QFETCH(QString, qt);
    QCOMPARE(GuiPrompter::toQtFilter(filter), qt);
}

// The program's own application object, so that style, font and the general error box are the
// ones the window program runs with.
int main(int argc, char** argv) {
    GztApplication app(argc, argv);
    // Closing the window under test must not end the test program.
    app.setQuitOnLastWindowClosed(false);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"
