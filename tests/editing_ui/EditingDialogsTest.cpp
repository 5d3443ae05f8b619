#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>
#include <memory>

#include "AppState.h"
#include "Database.h"
#include "DialogTestSupport.h"
#include "RunLogin.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"
#include "TfrmGZBaseSet.h"
#include "TfrmGZSetEdit.h"
#include "TfrmParaSet.h"
#include "TfrmPassInput.h"
#include "TfrmPassSet.h"

// Takes the place of the browser: notes the pages the program asks the desktop to open.
class PageRecorder : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls << url; }
};

class EditingDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void itemEditorWritesOnlyOnSave();
    void itemDialogCopiesBackEvenWhenCancelled();
    void parametersPresetsAndChecks();
    void parametersSaveByEnterInTheName();
    void passwordDialogClearsWhatWasWrong();
    void passwordBoxReturnsTheTextHoweverClosed_data();
    void passwordBoxReturnsTheTextHoweverClosed();
    void wrongLoginEndsBeforeAnythingIsShown();
    void rightLoginThenRowsThenFirstRunNotice();

  private:
    QStringList storedItems(int type);
    QVariant storedPara(const char* column);

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<TDM> dm_;
    TAppParams params_;
};

void EditingDialogsTest::init() {
    folder_ = std::make_unique<TestFolder>();
    prompter_ = std::make_unique<ScriptedPrompter>();
    dm_ = std::make_unique<TDM>(folder_->path(), *prompter_);
    params_ = TAppParams{};
}

void EditingDialogsTest::cleanup() {
    dm_.reset();
    prompter_.reset();
    folder_.reset();
}

QStringList EditingDialogsTest::storedItems(int type) {
    QStringList rows;
    const QueryResult r = dm_->ADOLocal.query(
        "select GZName, ShowStu from TGZSet where GZMonth='BASE' and GZType=? order by ID", {type});
    for (const QVariantList& row : r.rows) rows << row[0].toString() + u'|' + row[1].toString();
    return rows;
}

QVariant EditingDialogsTest::storedPara(const char* column) {
    return dm_->ADOLocal.query(QStringLiteral("select %1 from TPara").arg(column)).rows.at(0).at(0);
}

void EditingDialogsTest::itemEditorWritesOnlyOnSave() {
    const QStringList before = storedItems(0);
    {
        TfrmGZBaseSet dialog(dm_->ADOLocal, *prompter_, "202405");
        QVERIFY(dialog.ReadyData());
        QCOMPARE(dialog.windowTitle(), QString("基本工资项目设置"));
        QCOMPARE(dialog.size(), QSize(890, 464));
        QCOMPARE(dialog.monthEdit()->text(), QString("BASE"));
        QTableWidget* earnings = dialog.grid(TfrmGZBaseSet::Group::Earnings);
        QCOMPARE(earnings->rowCount(), 30);
        QCOMPARE(dialog.grid(TfrmGZBaseSet::Group::Deductions)->rowCount(), 15);
        QStringList shown;
        for (int c = 0; c < earnings->columnCount(); ++c) {
            if (!earnings->isColumnHidden(c)) {
                shown << earnings->horizontalHeaderItem(c)->text() + u':' +
                             QString::number(earnings->columnWidth(c));
            }
        }
        QCOMPARE(shown, QStringList({"序号:35", "工资项目名称:148", "是否启用:57"}));
        QCOMPARE(earnings->item(1, 1)->text(), QString("岗位工资"));
        QCOMPARE(earnings->item(12, 2)->text(), QString("禁用"));
        dialog.show();

        earnings->selectRow(1);
        bool refusedEmpty = false;
        const auto watch = ModalWatch::on<TfrmGZSetEdit>([&](TfrmGZSetEdit* item) {
            QCOMPARE(item->windowTitle(), QString("修改工资设置"));
            QCOMPARE(item->nameEdit()->text(), QString("岗位工资"));
            QCOMPARE(item->stateList()->currentText(), QString("启用"));
            item->nameEdit()->clear();
            item->findChild<QPushButton*>("Button1")->click();
            refusedEmpty = item->isVisible();
            item->nameEdit()->setText(" ");
            item->stateList()->setCurrentIndex(1);
            item->findChild<QPushButton*>("Button1")->click();
        });
        dialog.findChild<QPushButton*>("Button3")->click();
        QVERIFY(refusedEmpty);
        QCOMPARE(prompter_->texts(), QStringList{"请务必输入工资项目名称！"});
        QCOMPARE(earnings->item(1, 1)->text(), QString(" "));
        QCOMPARE(earnings->item(1, 2)->text(), QString("禁用"));
        QCOMPARE(storedItems(0), before);
        dialog.findChild<QPushButton*>("Button2")->click();  // 取消(&X)
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(storedItems(0), before);

    TfrmGZBaseSet dialog(dm_->ADOLocal, *prompter_, "BASE");
    QVERIFY(dialog.ReadyData());
    dialog.show();
    QTableWidget* deductions = dialog.grid(TfrmGZBaseSet::Group::Deductions);
    const auto watch = ModalWatch::on<TfrmGZSetEdit>([](TfrmGZSetEdit* item) {
        item->nameEdit()->setText("社保");
        item->findChild<QPushButton*>("Button1")->click();
    });
    // A double click on a row opens the item dialog as "修改(&E)" does.
    const QRect cell = deductions->visualRect(deductions->model()->index(0, 1));
    QTest::mouseClick(deductions->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(deductions->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(deductions->item(0, 1)->text(), QString("社保"));
    dialog.findChild<QPushButton*>("Button1")->click();  // 保存(&S)
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(dialog.saved());
    QCOMPARE(storedItems(1).front(), QString("社保|0"));
    QCOMPARE(storedItems(0), before);
}

void EditingDialogsTest::itemDialogCopiesBackEvenWhenCancelled() {
    QString caption = "奖金";
    int state = 0;
    const auto watch = ModalWatch::on<TfrmGZSetEdit>([](TfrmGZSetEdit* item) {
        item->nameEdit()->setText("改了");
        item->stateList()->setCurrentIndex(1);
        item->findChild<QPushButton*>("Button2")->click();
    });
    QVERIFY(!ShowGZSetEdit(*prompter_, caption, state));
    QCOMPARE(caption, QString("改了"));
    QCOMPARE(state, 1);
}

void EditingDialogsTest::parametersPresetsAndChecks() {
    TfrmParaSet dialog(*dm_, *prompter_, params_);
    QCOMPARE(dialog.windowTitle(), QString("基本参数设置"));
    QCOMPARE(dialog.heightEdit()->text(), QString("296.78"));
    QCOMPARE(dialog.topPosBox()->minimum(), 2);
    QCOMPARE(dialog.topPosBox()->maximum(), 20);
    dialog.show();
    QStringList presets;
    for (QAction* action : dialog.paperMenu()->actions()) {
        action->trigger();
        presets << action->text() + u'=' + dialog.heightEdit()->text();
    }
    QCOMPARE(presets, QStringList({"A4=296.78", "A5=209.85", "B5=256.80"}));

    auto* save = dialog.findChild<QPushButton*>("cmdSH");
    dialog.nameEdit()->setText("  青禾公司  ");
    dialog.heightEdit()->selectAll();
    QTest::keyClicks(dialog.heightEdit(), "42.99");
    QCOMPARE(dialog.heightEdit()->text(), QString("42.99"));
    save->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(prompter_->texts(), QStringList{"工资条的最小高度为43毫米！"});
    QCOMPARE(dialog.nameEdit()->text(), QString("青禾公司"));

    dialog.heightEdit()->selectAll();
    QTest::keyClicks(dialog.heightEdit(), "43.00");
    dialog.printDaysList()->setCurrentIndex(3);
    dialog.unitBox()->setEditText("  ");
    save->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(prompter_->texts().last(), QString("您选择了其他计件，请指定计件单位！"));

    dialog.unitBox()->setEditText("吨");
    // Enter outside the name edit saves nothing.
    QTest::keyClick(dialog.heightEdit(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(storedPara("BillHeight").toDouble(), 296.78);
    save->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(storedPara("BillHeight").toDouble(), 43.0);
    QCOMPARE(storedPara("PrintDays").toInt(), 3);
    QCOMPARE(storedPara("JJUnit").toString(), QString("吨"));
    QCOMPARE(storedPara("EntName").toString(), QString("青禾公司"));
    QCOMPARE(params_.EntName, QString("青禾公司"));
}

void EditingDialogsTest::parametersSaveByEnterInTheName() {
    TfrmParaSet dialog(*dm_, *prompter_, params_);
    dialog.show();
    dialog.paperMenu()->actions().at(2)->trigger();  // B5
    dialog.topPosBox()->setValue(7);
    dialog.nameEdit()->setText("O'Brien");
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(storedPara("BillHeight").toDouble(), 256.8);
    QCOMPARE(storedPara("TopPos").toInt(), 7);
    QCOMPARE(storedPara("EntName").toString(), QString("O'Brien"));
}

void EditingDialogsTest::passwordDialogClearsWhatWasWrong() {
    TfrmPassSet dialog(dm_->ADOLocal, *prompter_, params_);
    QCOMPARE(dialog.windowTitle(), QString("参数修改密码设置"));
    QCOMPARE(dialog.size(), QSize(615, 139));
    for (QLineEdit* edit : {dialog.oldEdit(), dialog.newEdit(), dialog.confirmEdit()}) {
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
    }
    QCOMPARE(dialog.oldEdit()->width(), 81);
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* ok = dialog.findChild<QPushButton*>("Button1");

    dialog.oldEdit()->setText("746");
    dialog.newEdit()->setText("Abc");
    dialog.confirmEdit()->setText("abc");
    ok->click();
    QCOMPARE(dialog.newEdit()->text(), QString());
    QCOMPARE(dialog.confirmEdit()->text(), QString());
    QCOMPARE(dialog.oldEdit()->text(), QString("746"));

    dialog.oldEdit()->setText("747");
    dialog.newEdit()->setText("Abc");
    dialog.confirmEdit()->setText("Abc");
    ok->click();
    QCOMPARE(dialog.oldEdit()->text(), QString());
    QCOMPARE(QApplication::focusWidget(), dialog.oldEdit());
    QVERIFY(dialog.isVisible());

    dialog.oldEdit()->setText("746");
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(prompter_->texts(),
             QStringList({"新密码与确认输入的新密码不一致！", "要修改密码，必须输入正确的原密码！",
                          "修改密码成功！"}));
    QCOMPARE(params_.LogPass, QString("Abc"));
}

void EditingDialogsTest::passwordBoxReturnsTheTextHoweverClosed_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("确认(&E)") << "ok";
    QTest::newRow("Enter") << "enter";
    QTest::newRow("取消(&X)") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("title bar") << "close";
}

void EditingDialogsTest::passwordBoxReturnsTheTextHoweverClosed() {
    QFETCH(QString, how);
    QString caption;
    QString prompt;
    const auto watch = ModalWatch::on<TfrmPassInput>([&](TfrmPassInput* box) {
        caption = box->windowTitle();
        prompt = box->promptLabel()->text();
        QCOMPARE(box->passwordEdit()->echoMode(), QLineEdit::Password);
        QTest::keyClicks(box->passwordEdit(), "Pa55");
        if (how == "ok") box->findChild<QPushButton*>("Button1")->click();
        if (how == "enter") QTest::keyClick(box->passwordEdit(), Qt::Key_Return);
        if (how == "cancel") box->findChild<QPushButton*>("Button2")->click();
        if (how == "escape") QTest::keyClick(box->passwordEdit(), Qt::Key_Escape);
        if (how == "close") box->close();
    });
    QCOMPARE(InputPass("请输入登陆/管理密码：", "请输入登陆/管理密码："), QString("Pa55"));
    QCOMPARE(caption, QString("请输入登陆/管理密码："));
    QCOMPARE(prompt, QString("请输入登陆/管理密码："));
}

void EditingDialogsTest::wrongLoginEndsBeforeAnythingIsShown() {
    params_.LogPass = "Secret";
    PageRecorder pages;
    QDesktopServices::setUrlHandler("file", &pages, "open");
    bool rowsShown = false;
    const auto watch = ModalWatch::on<TfrmPassInput>([](TfrmPassInput* box) {
        QTest::keyClicks(box->passwordEdit(), "secret");
        box->findChild<QPushButton*>("Button1")->click();
    });
    QVERIFY(!RunLogin(folder_->path(), params_, *prompter_, nullptr, [&] { rowsShown = true; }));
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(prompter_->shown(), QStringList{"error: 密码错误！"});
    QVERIFY(!rowsShown);
    QVERIFY(pages.urls.isEmpty());
    QVERIFY(!QFile::exists(folder_->file("NotFirst.txt")));
}

void EditingDialogsTest::rightLoginThenRowsThenFirstRunNotice() {
    params_.LogPass = "Secret";
    PageRecorder pages;
    QDesktopServices::setUrlHandler("file", &pages, "open");
    qsizetype shownBeforeRows = -1;
    const auto watch = ModalWatch::on<TfrmPassInput>([](TfrmPassInput* box) {
        QCOMPARE(box->windowTitle(), QString("请输入登陆密码："));
        QTest::keyClicks(box->passwordEdit(), "Secret");
        box->findChild<QPushButton*>("Button2")->click();  // the right text passes either way
    });
    QVERIFY(RunLogin(folder_->path(), params_, *prompter_, nullptr,
                     [&] { shownBeforeRows = prompter_->shown().size(); }));
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(shownBeforeRows, 0);
    QCOMPARE(prompter_->texts(),
             QStringList{"您是首次运行本软件，点击确认按钮然后查看软件使用动画说明！"});
    QCOMPARE(pages.urls, QList<QUrl>{QUrl::fromLocalFile(folder_->file("Help/LarkGZ.htm"))});
    QVERIFY(QFile::exists(folder_->file("NotFirst.txt")));

    // The administration box: nothing is asked while no password is set.
    params_.LogPass = "746";
    QVERIFY(AskAdminPassword(params_, *prompter_, nullptr));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UseProgramLook();
    EditingDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "EditingDialogsTest.moc"
