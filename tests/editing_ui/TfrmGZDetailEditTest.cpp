#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "AppState.h"
#include "Database.h"
#include "DialogTestSupport.h"
#include "Pub.h"
#include "SalaryFixture.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"
#include "TfrmBMYCalcEdit.h"
#include "TfrmGZDetailEdit.h"

using Group = TfrmGZDetailEdit::Group;

class TfrmGZDetailEditTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void typingIntoSlot23ChangesTheTotals_data();
    void typingIntoSlot23ChangesTheTotals();
    void amountEditsIgnoreWhatIsNoAmount_data();
    void amountEditsIgnoreWhatIsNoAmount();
    void slotsArePlacedNamedAndHidden();
    void enterMovesThroughTheFocusOrder();
    void attendanceBoxesFollowTheMode_data();
    void attendanceBoxesFollowTheMode();
    void firstItemButtonFillsSlotOne();
    void partMonthThroughTheCalculator();
    void savingChecksThenClosesWithTheRow();
    void unreadableAmountIsReportedNotStored();

  private:
    std::unique_ptr<TfrmGZDetailEdit> open(qint64 id, const QString& month);
    QLineEdit* edit(TfrmGZDetailEdit& dialog, const char* name);
    QVariant stored(qint64 id, const QString& column);

    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<TDM> dm_;
    TAppParams params_;
};

void TfrmGZDetailEditTest::init() {
    folder_ = std::make_unique<TestFolder>();
    prompter_ = std::make_unique<ScriptedPrompter>();
    dm_ = std::make_unique<TDM>(folder_->path(), *prompter_);
    params_ = TAppParams{};
    fixture::addMonth(dm_->ADOLocal, "202405");
    fixture::addStructure(dm_->ADOLocal, "202405", 25, 0);
}

void TfrmGZDetailEditTest::cleanup() {
    dm_.reset();
    prompter_.reset();
    folder_.reset();
}

std::unique_ptr<TfrmGZDetailEdit> TfrmGZDetailEditTest::open(qint64 id, const QString& month) {
    auto dialog = std::make_unique<TfrmGZDetailEdit>(*dm_, *prompter_, params_, id, month);
    if (!dialog->ReadyData()) return nullptr;
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get())) return nullptr;
    return dialog;
}

QLineEdit* TfrmGZDetailEditTest::edit(TfrmGZDetailEdit& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

QVariant TfrmGZDetailEditTest::stored(qint64 id, const QString& column) {
    return dm_->ADOLocal.query(QStringLiteral("select %1 from TGZ where ID=?").arg(column), {id})
        .rows.at(0)
        .at(0);
}

void TfrmGZDetailEditTest::typingIntoSlot23ChangesTheTotals_data() {
    QTest::addColumn<int>("showFloat");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("earnings");
    QTest::addColumn<QString>("net");
    QTest::addColumn<double>("amount");
    QTest::newRow("whole numbers") << 0 << "150"
                                   << "1150"
                                   << "1120" << 150.0;
    QTest::newRow("two decimals") << 1 << "150.5"
                                  << "1150.50"
                                  << "1120.50" << 150.5;
}

void TfrmGZDetailEditTest::typingIntoSlot23ChangesTheTotals() {
    QFETCH(int, showFloat);
    QFETCH(QString, typed);
    QFETCH(QString, earnings);
    QFETCH(QString, net);
    QFETCH(double, amount);
    params_.ShowFloat = showFloat;
    const qint64 id = fixture::addRow(
        dm_->ADOLocal, "202405",
        {{"DepartName", "生产部"}, {"EmpName", "张三"}, {"GZ1", 1000.0}, {"KK1", 30.0}});
    auto dialog = open(id, "202405");
    QVERIFY(dialog);
    QLineEdit* slot23 = edit(*dialog, "MaskEdit53");
    QVERIFY(slot23);
    QCOMPARE(slot23, dialog->amountEdit(Group::Earnings, 23));
    QVERIFY(slot23->isVisible());
    QCOMPARE(edit(*dialog, "EditYF")->text(), showFloat ? QString("1000.00") : QString("1000"));

    slot23->setFocus();
    slot23->selectAll();
    QTest::keyClicks(slot23, typed);
    QCOMPARE(edit(*dialog, "EditYF")->text(), earnings);
    QCOMPARE(edit(*dialog, "EditSF")->text(), net);

    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(dialog->saved());
    QCOMPARE(stored(id, "GZ23").toDouble(), amount);
    QCOMPARE(stored(id, "GZ1").toDouble(), 1000.0);
    QCOMPARE(stored(id, "YFTotal").toDouble(), 1000.0 + amount);
}

void TfrmGZDetailEditTest::amountEditsIgnoreWhatIsNoAmount_data() {
    QTest::addColumn<int>("showFloat");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("before");
    QTest::newRow("amount, whole numbers") << 0 << "MaskEdit1"
                                           << "";
    QTest::newRow("amount, two decimals") << 1 << "MaskEdit1"
                                          << "0.00";
    QTest::newRow("deduction") << 0 << "MaskEdit11"
                               << "";
    QTest::newRow("rate") << 0 << "EditOneDayMOney"
                          << "0";
}

void TfrmGZDetailEditTest::amountEditsIgnoreWhatIsNoAmount() {
    QFETCH(int, showFloat);
    QFETCH(QString, box);
    QFETCH(QString, before);
    params_.ShowFloat = showFloat;
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    QLineEdit* amount = edit(*dialog, box.toLatin1().constData());
    QVERIFY(amount);
    QVERIFY(!amount->testAttribute(Qt::WA_InputMethodEnabled));
    amount->setFocus();
    amount->setCursorPosition(0);
    QTest::keyClicks(amount, "-a,Z ");
    TypeText(amount, QStringLiteral("，５"));  // full-width, as a Chinese layout types them
    QCOMPARE(amount->text(), before);

    amount->selectAll();
    QTest::keyClicks(amount, "12.5");
    QCOMPARE(amount->text(), QString("12.5"));
    QTest::keyClick(amount, Qt::Key_Backspace);
    QCOMPARE(CleanNumText(amount->text()), QString("12"));
}

void TfrmGZDetailEditTest::slotsArePlacedNamedAndHidden() {
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QString("新增/修改工资明细"));
    QCOMPARE(dialog->size(), QSize(563, 616));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    struct Place {
        Group group;
        int slot;
        const char* edit;
        const char* label;
        QPoint editAt;
        QPoint labelAt;
    };
    const Place places[] = {
        {Group::Earnings, 1, "MaskEdit1", "Label1", {16, 32}, {16, 16}},
        {Group::Earnings, 10, "MaskEdit10", "Label10", {320, 73}, {320, 56}},
        {Group::Earnings, 11, "MaskEdit31", "Label31", {16, 114}, {16, 97}},
        {Group::Earnings, 23, "MaskEdit53", "Label53", {168, 195}, {168, 178}},
        {Group::Earnings, 30, "MaskEdit60", "Label60", {320, 235}, {320, 218}},
        {Group::Deductions, 1, "MaskEdit11", "Label11", {16, 29}, {16, 13}},
        {Group::Deductions, 6, "MaskEdit41", "Label41", {16, 69}, {16, 53}},
        {Group::Deductions, 15, "MaskEdit75", "Label75", {320, 109}, {320, 93}},
    };
    for (const Place& p : places) {
        QLineEdit* e = dialog->findChild<QLineEdit*>(p.edit);
        QLabel* l = dialog->findChild<QLabel*>(p.label);
        QVERIFY2(e && l, p.edit);
        QCOMPARE(e, dialog->amountEdit(p.group, p.slot));
        QCOMPARE(e->geometry(), QRect(p.editAt, QSize(70, 20)));
        QCOMPARE(l->pos(), p.labelAt);
        QCOMPARE(e->parentWidget()->objectName(),
                 p.group == Group::Earnings ? QString("GroupBoxYF") : QString("GroupBoxKK"));
    }
    // 25 earnings of the month's own; the template's five deductions.
    for (int slot = 1; slot <= 30; ++slot) {
        QCOMPARE(dialog->amountEdit(Group::Earnings, slot)->isVisible(), slot <= 25);
        QCOMPARE(dialog->amountLabel(Group::Earnings, slot)->isVisible(), slot <= 25);
    }
    QCOMPARE(dialog->amountLabel(Group::Earnings, 25)->text(), QString("202405收入25"));
    for (int slot = 1; slot <= 15; ++slot) {
        QCOMPARE(dialog->amountEdit(Group::Deductions, slot)->isVisible(), slot <= 5);
    }
    QCOMPARE(dialog->amountLabel(Group::Deductions, 1)->text(), QString("养老保险"));
    QCOMPARE(dialog->findChild<QGroupBox*>("GroupBoxYF")->title(), QString("应发工资项目"));
    QCOMPARE(dialog->findChild<QGroupBox*>("GroupBoxKK")->title(), QString("应扣代扣工资项目"));
    QCOMPARE(edit(*dialog, "EditMonth")->text(), QString("202405"));
    QVERIFY(edit(*dialog, "EditMonth")->isReadOnly());
    for (const char* total : {"EditYF", "EditKK", "EditSF"}) {
        QVERIFY(edit(*dialog, total)->isReadOnly());
        QVERIFY(edit(*dialog, total)->inputMask().isEmpty());
    }
    QCOMPARE(edit(*dialog, "EditQM")->width(), 349);
    QWidget* focused = dialog->focusWidget();
    QVERIFY(focused);
    if (qobject_cast<QComboBox*>(focused->parentWidget())) focused = focused->parentWidget();
    QCOMPARE(focused->objectName(), QString("cmbDepart"));
}

void TfrmGZDetailEditTest::enterMovesThroughTheFocusOrder() {
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QStringList expected{"EditBM", "cmbEmpName", "cmbZWName"};
    for (int slot = 1; slot <= 25; ++slot)
        expected << TfrmGZDetailEdit::editName(Group::Earnings, slot);
    for (int slot = 1; slot <= 5; ++slot)
        expected << TfrmGZDetailEdit::editName(Group::Deductions, slot);
    expected << "EditYF"
             << "EditKK"
             << "EditSF"
             << "Button1";

    dialog->findChild<QComboBox*>("cmbDepart")->setFocus();
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        visited << FocusedControl()->objectName();
    }
    QCOMPARE(visited, expected);
    QVERIFY(dialog->isVisible());  // Enter only moved the focus

    const auto walk = [&](const char* from, int steps) {
        edit(*dialog, from)->setFocus();
        QStringList names;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
            names << FocusedControl()->objectName();
        }
        return names;
    };
    QCOMPARE(walk("EditWorkDays", 3), QStringList({"EditWorkHours", "EditOneDayMOney", "Button5"}));
    QCOMPARE(walk("EditQM", 1), QStringList{"EditEMail"});
}

void TfrmGZDetailEditTest::attendanceBoxesFollowTheMode_data() {
    QTest::addColumn<int>("printDays");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("hours");
    QTest::addColumn<QString>("shownCount");
    QTest::newRow("none") << 0 << "工资/天"
                          << "出勤天数" << true << "21.50";
    QTest::newRow("daily") << 1 << "工资/天"
                           << "出勤天数" << false << "21.50";
    QTest::newRow("hourly") << 2 << "工资/小时"
                            << "出勤天数" << true << "21.50";
    QTest::newRow("pieces") << 3 << "工资/吨"
                            << "完工件数" << false << "21.5";
}

void TfrmGZDetailEditTest::attendanceBoxesFollowTheMode() {
    QFETCH(int, printDays);
    QFETCH(QString, rate);
    QFETCH(QString, count);
    QFETCH(bool, hours);
    QFETCH(QString, shownCount);
    params_.PrintDays = printDays;
    params_.JJUnit = "吨";
    const qint64 id = fixture::addRow(dm_->ADOLocal, "202405",
                                      {{"DepartName", "部"},
                                       {"EmpName", "李四"},
                                       {"WorkDays", 21.5},
                                       {"HourCount", 160.25},
                                       {"OneDayMOney", 88.0}});
    auto dialog = open(id, "202405");
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QLabel*>("LabelRate")->text(), rate);
    QCOMPARE(dialog->findChild<QLabel*>("LabelCount")->text(), count);
    QLineEdit* hoursEdit = edit(*dialog, "EditWorkHours");
    QCOMPARE(hoursEdit->isEnabled(), hours);
    QCOMPARE(hoursEdit->palette().color(QPalette::Base),
             hours ? QColor(Qt::white) : QColor(128, 128, 128));
    QCOMPARE(edit(*dialog, "EditWorkDays")->text(), shownCount);
    QCOMPARE(hoursEdit->text(), QString("160.3"));
    QCOMPARE(edit(*dialog, "EditOneDayMOney")->text(), QString("88"));

    // Opened and saved untouched, the row keeps its numbers.
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QVERIFY(dialog->saved());
    QCOMPARE(stored(id, "HourCount").toDouble(), 160.25);
    QCOMPARE(stored(id, "WorkDays").toDouble(), 21.5);
}

void TfrmGZDetailEditTest::firstItemButtonFillsSlotOne() {
    params_.PrintDays = 2;
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    edit(*dialog, "EditWorkHours")->setText("172.5");
    edit(*dialog, "EditOneDayMOney")->setText("15");
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button5"), Qt::LeftButton);
    QCOMPARE(edit(*dialog, "MaskEdit1")->text(), QString("2587.50"));
    QCOMPARE(edit(*dialog, "EditYF")->text(), QString("2588"));
    QCOMPARE(edit(*dialog, "EditSF")->text(), QString("2588"));
}

void TfrmGZDetailEditTest::partMonthThroughTheCalculator() {
    const qint64 id = fixture::addRow(dm_->ADOLocal, "202405",
                                      {{"DepartName", "部"},
                                       {"EmpName", "王五"},
                                       {"GZ1", 1000.0},
                                       {"GZ2", 333.0},
                                       {"KK1", 50.0},
                                       {"WorkDays", 20.0}});
    auto dialog = open(id, "202405");
    QVERIFY(dialog);
    QPushButton* button3 = dialog->findChild<QPushButton*>("Button3");

    // Cancelled: nothing changes.
    QString offered;
    const auto cancel = ModalWatch::on<TfrmBMYCalcEdit>([&](TfrmBMYCalcEdit* calc) {
        offered = calc->trueDayEdit()->text();
        calc->findChild<QPushButton*>("Button2")->click();
    });
    QTest::mouseClick(button3, Qt::LeftButton);
    QCOMPARE(offered, QString("20.00"));
    QCOMPARE(edit(*dialog, "MaskEdit1")->text(), QString("1000"));

    // A refused number keeps the calculator open until it is right.
    bool stayedOpen = false;
    const auto refuse = ModalWatch::on<TfrmBMYCalcEdit>([&](TfrmBMYCalcEdit* calc) {
        QCOMPARE(calc->windowTitle(), QString("应发工资不满1月自动计算参数"));
        QCOMPARE(calc->totalDayEdit()->text(), QString("22"));
        calc->totalDayEdit()->setText("32");
        calc->findChild<QPushButton*>("Button1")->click();
        stayedOpen = calc->isVisible();
        calc->totalDayEdit()->setText("22");
        calc->trueDayEdit()->setText("11");
        calc->findChild<QPushButton*>("Button1")->click();
    });
    QTest::mouseClick(button3, Qt::LeftButton);
    QVERIFY(stayedOpen);
    QCOMPARE(prompter_->texts(), QStringList{"本月应上班天数不能大于31"});
    QCOMPARE(edit(*dialog, "MaskEdit1")->text(), QString("500.00"));
    QCOMPARE(edit(*dialog, "MaskEdit2")->text(), QString("166.50"));
    QCOMPARE(edit(*dialog, "MaskEdit11")->text(), QString("50"));
    QCOMPARE(edit(*dialog, "EditYF")->text(), QString("667"));
    QCOMPARE(edit(*dialog, "EditSF")->text(), QString("617"));
    QCOMPARE(edit(*dialog, "EditWorkDays")->text(), QString("20.00"));
}

void TfrmGZDetailEditTest::savingChecksThenClosesWithTheRow() {
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    auto* save = dialog->findChild<QPushButton*>("Button1");
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(prompter_->texts(), QStringList{"请选择或输入部门！"});

    auto* depart = dialog->findChild<QComboBox*>("cmbDepart");
    TypeText(depart->lineEdit(), "生产部");
    QTest::mouseClick(save, Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(prompter_->texts().last(), QString("请选择或输入姓名！"));

    TypeText(dialog->findChild<QComboBox*>("cmbEmpName")->lineEdit(), "张三");
    QTest::keyClicks(edit(*dialog, "EditEMail"), "zhang.san@example.com");
    QTest::keyClicks(edit(*dialog, "MaskEdit1"), "3000");
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(dialog->saved());
    const QueryResult rows =
        dm_->ADOLocal.query("select DepartName, EmpName, ZWName, EMail, GZ1, GZTotal from TGZ");
    QCOMPARE(int(rows.rows.size()), 1);
    const QVariantList& row = rows.rows.front();
    QCOMPARE(row[0].toString(), QString("生产部"));
    QCOMPARE(row[1].toString(), QString("张三"));
    QCOMPARE(row[2].toString(), QString(" "));
    QCOMPARE(row[3].toString(), QString("zhang.san@example.com"));
    QCOMPARE(row[4].toDouble(), 3000.0);
    QCOMPARE(row[5].toDouble(), 3000.0);
}

void TfrmGZDetailEditTest::unreadableAmountIsReportedNotStored() {
    auto dialog = open(-1, "202405");
    QVERIFY(dialog);
    dialog->findChild<QComboBox*>("cmbDepart")->setEditText("部");
    dialog->findChild<QComboBox*>("cmbEmpName")->setEditText("赵六");
    QTest::keyClicks(edit(*dialog, "MaskEdit2"), "1.2.3");
    QCOMPARE(edit(*dialog, "MaskEdit2")->text(), QString("1.2.3"));
    QCOMPARE(edit(*dialog, "EditYF")->text(), QString());
    QTest::mouseClick(dialog->findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QVERIFY(dialog->isVisible());
    QCOMPARE(prompter_->texts(), QStringList{"“202405收入2”中的“1.2.3”不是有效的数字，请改正！"});
    QCOMPARE(fixture::count(dm_->ADOLocal, "select count(*) from TGZ"), 0);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UseProgramLook();
    TfrmGZDetailEditTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TfrmGZDetailEditTest.moc"
