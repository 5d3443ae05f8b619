#include <gtest/gtest.h>

#include <QDateTime>
#include <memory>

#include "AppState.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "SalaryRecordEditor.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

using fixture::count;
using Group = SalaryRecordEditor::Group;

namespace {

class SalaryRecordEditorTest : public ::testing::Test {
  protected:
    std::unique_ptr<SalaryRecordEditor> open(qint64 id, const QString& month) {
        auto editor = std::make_unique<SalaryRecordEditor>(dm, prompter, params, id, month);
        EXPECT_TRUE(editor->ReadyData()) << prompter.texts().join(u'|').toStdString();
        return editor;
    }
    // A month of its own with `earnings` and `deductions` enabled items.
    void month(const QString& name, int earnings, int deductions) {
        fixture::addMonth(dm.ADOLocal, name);
        fixture::addStructure(dm.ADOLocal, name, earnings, deductions);
    }
    QVariant stored(qint64 id, const QString& column) {
        const QueryResult r =
            dm.ADOLocal.query(QStringLiteral("select %1 from TGZ where ID=?").arg(column), {id});
        return r.rows.empty() ? QVariant() : r.rows.front().front();
    }
    static int boundCount(const SalaryRecordEditor& e, Group g) {
        int bound = 0;
        for (int i = 0; i < SalaryRecordEditor::slotCount(g); ++i) bound += e.slot(g, i).bound;
        return bound;
    }
    // A new row ready to be saved: department and name given.
    static void name(SalaryRecordEditor& e) {
        e.form.department = QStringLiteral("生产部");
        e.form.name = QStringLiteral("张三");
    }
    qint64 onlyRowId() {
        return dm.ADOLocal.query(QStringLiteral("select ID from TGZ"))
            .rows.at(0)
            .at(0)
            .toLongLong();
    }

    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
    TAppParams params;
};

}  // namespace

// Slots are filled in SortIdx order; the rest of the group is hidden. A group without enabled
// items of its own shows the template's, decided separately for earnings and deductions.
TEST_F(SalaryRecordEditorTest, EnabledItemsAreBoundToSlotsInOrder) {
    struct Case {
        int earnings;
        int deductions;
    };
    for (const Case c : {Case{3, 0}, Case{20, 10}, Case{24, 15}, Case{30, 1}}) {
        const QString m = QStringLiteral("m%1_%2").arg(c.earnings).arg(c.deductions);
        month(m, c.earnings, c.deductions);
        const auto editor = open(-1, m);
        SCOPED_TRACE(m.toStdString());
        EXPECT_EQ(boundCount(*editor, Group::Earnings), c.earnings);
        for (int i = 0; i < c.earnings; ++i) {
            EXPECT_EQ(editor->slot(Group::Earnings, i).caption,
                      m + "收入" + QString::number(i + 1));
            EXPECT_EQ(editor->slot(Group::Earnings, i).field, "GZ" + QString::number(i + 1));
        }
        for (int i = c.earnings; i < 30; ++i) EXPECT_FALSE(editor->slot(Group::Earnings, i).bound);
        if (c.deductions == 0) {
            // The template's five enabled deductions.
            EXPECT_EQ(boundCount(*editor, Group::Deductions), 5);
            EXPECT_EQ(editor->slot(Group::Deductions, 0).caption, "养老保险");
            EXPECT_EQ(editor->slot(Group::Deductions, 4).caption, "个人所得税");
        } else {
            EXPECT_EQ(boundCount(*editor, Group::Deductions), c.deductions);
            EXPECT_EQ(editor->slot(Group::Deductions, c.deductions - 1).caption,
                      m + "扣款" + QString::number(c.deductions));
        }
    }
}

TEST_F(SalaryRecordEditorTest, SortIdxNotRowOrderDecidesTheSlot) {
    month("m", 3, 1);
    dm.ADOLocal.exec("update TGZSet set SortIdx=40 where GZMonth='m' and GZField1='GZ1'");
    const auto editor = open(-1, "m");
    EXPECT_EQ(editor->slot(Group::Earnings, 0).field, "GZ2");
    EXPECT_EQ(editor->slot(Group::Earnings, 1).field, "GZ3");
    EXPECT_EQ(editor->slot(Group::Earnings, 2).field, "GZ1");
}

TEST_F(SalaryRecordEditorTest, DisabledItemMovesTheNextIntoItsSlot) {
    month("m", 3, 1);
    dm.ADOLocal.exec("update TGZSet set ShowStu=1 where GZMonth='m' and GZField1='GZ2'");
    const qint64 id = fixture::addRow(dm.ADOLocal, "m",
                                      {{"DepartName", "部"}, {"EmpName", "李四"}, {"GZ2", 77.0}});
    const auto editor = open(id, "m");
    EXPECT_EQ(editor->slot(Group::Earnings, 0).field, "GZ1");
    EXPECT_EQ(editor->slot(Group::Earnings, 1).field, "GZ3");
    EXPECT_FALSE(editor->slot(Group::Earnings, 2).bound);
    editor->setSlotText(Group::Earnings, 1, "500");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "GZ3").toDouble(), 500.0);
    // The disabled item keeps its amount and stays out of the totals.
    EXPECT_EQ(stored(id, "GZ2").toDouble(), 77.0);
    EXPECT_EQ(stored(id, "YFTotal").toDouble(), 500.0);
}

TEST_F(SalaryRecordEditorTest, HiddenItemsKeepTheirStoredAmounts) {
    month("m", 4, 2);
    const qint64 id = fixture::addRow(dm.ADOLocal, "m",
                                      {{"DepartName", "部"},
                                       {"EmpName", "王五"},
                                       {"GZ1", 10.0},
                                       {"GZ5", 555.0},
                                       {"GZ30", 3.0},
                                       {"KK1", 1.0},
                                       {"KK3", 33.0}});
    const auto editor = open(id, "m");
    editor->setSlotText(Group::Earnings, 0, "20");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "GZ1").toDouble(), 20.0);
    EXPECT_EQ(stored(id, "GZ5").toDouble(), 555.0);
    EXPECT_EQ(stored(id, "GZ30").toDouble(), 3.0);
    EXPECT_EQ(stored(id, "KK3").toDouble(), 33.0);
    EXPECT_EQ(stored(id, "YFTotal").toDouble(), 20.0);
    EXPECT_EQ(stored(id, "GZTotal").toDouble(), 19.0);
}

TEST_F(SalaryRecordEditorTest, NewRowShowsZerosByTheDisplayFormat) {
    month("m", 2, 1);
    struct Case {
        int showFloat;
        const char* amount;
        const char* rate;
        const char* total;
    };
    for (const Case c : {Case{0, "", "0", "0"}, Case{1, "0.00", "0.00", "0.00"}}) {
        params.ShowFloat = c.showFloat;
        const auto editor = open(-1, "m");
        EXPECT_EQ(editor->displayFormat(), c.showFloat ? "0.00" : "0");
        EXPECT_EQ(editor->amountMask().isEmpty(), c.showFloat == 0);
        EXPECT_EQ(editor->slot(Group::Earnings, 0).text, c.amount);
        EXPECT_EQ(editor->slot(Group::Deductions, 0).text, c.amount);
        EXPECT_EQ(editor->form.rate, c.rate);
        EXPECT_EQ(editor->form.hours, "0.0");
        EXPECT_EQ(editor->form.count, "0.00");
        EXPECT_EQ(editor->form.month, "m");
        EXPECT_EQ(editor->earningsTotal(), c.total);
        EXPECT_EQ(editor->deductionsTotal(), c.total);
        EXPECT_EQ(editor->netPay(), c.total);
    }
}

TEST_F(SalaryRecordEditorTest, WholeNumberDisplayRoundsTotalsButStoresTheAmounts) {
    month("m", 2, 1);
    auto editor = open(-1, "m");
    name(*editor);
    editor->setSlotText(Group::Earnings, 0, "100.4");
    EXPECT_EQ(editor->earningsTotal(), "100");
    editor->setSlotText(Group::Earnings, 1, "100.4");
    EXPECT_EQ(editor->earningsTotal(), "201");
    EXPECT_EQ(editor->deductionsTotal(), "0");
    EXPECT_EQ(editor->netPay(), "201");
    ASSERT_TRUE(editor->SaveData());
    const qint64 id = onlyRowId();
    EXPECT_EQ(stored(id, "GZ1").toDouble(), 100.4);
    EXPECT_EQ(stored(id, "GZ2").toDouble(), 100.4);
    EXPECT_EQ(stored(id, "YFTotal").toDouble(), 201.0);
    EXPECT_EQ(stored(id, "GZTotal").toDouble(), 201.0);

    // Reopened, the amounts show rounded; saved untouched they keep their decimals.
    editor = open(id, "m");
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "100");
    EXPECT_EQ(editor->earningsTotal(), "201");
    editor->form.remark = QStringLiteral("只改备注");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "GZ1").toDouble(), 100.4);
    EXPECT_EQ(stored(id, "QM").toString(), "只改备注");
    // A text the clerk types counts as typed, even when it reads like the rounded one.
    editor = open(id, "m");
    editor->setSlotText(Group::Earnings, 0, "100.0");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "GZ1").toDouble(), 100.0);
    EXPECT_EQ(stored(id, "YFTotal").toDouble(), 200.0);
}

TEST_F(SalaryRecordEditorTest, BoxReshapingATextDoesNotChangeTheStoredAmount) {
    month("m", 1, 1);
    params.ShowFloat = 1;
    const qint64 id = fixture::addRow(
        dm.ADOLocal, "m",
        {{"DepartName", "部"}, {"EmpName", "赵六"}, {"GZ1", 12345678.5}, {"WorkDays", 120.0}});
    const auto editor = open(id, "m");
    // A seven-digit mask keeps only part of the texts, as the dialog then reports.
    editor->setSlotText(Group::Earnings, 0, "1234567.50");
    editor->form.count = "12.00";
    editor->markTextsAsLoaded();
    EXPECT_EQ(editor->earningsTotal(), "12345678.50");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "GZ1").toDouble(), 12345678.5);
    EXPECT_EQ(stored(id, "WorkDays").toDouble(), 120.0);
}

TEST_F(SalaryRecordEditorTest, DecimalDisplayTotals) {
    month("m", 2, 1);
    params.ShowFloat = 1;
    const auto editor = open(-1, "m");
    name(*editor);
    editor->setSlotText(Group::Earnings, 0, "1000");
    editor->setSlotText(Group::Earnings, 1, "250.5");
    editor->setSlotText(Group::Deductions, 0, "88.25");
    EXPECT_EQ(editor->earningsTotal(), "1250.50");
    EXPECT_EQ(editor->deductionsTotal(), "88.25");
    EXPECT_EQ(editor->netPay(), "1162.25");
    ASSERT_TRUE(editor->SaveData());
    const qint64 id = onlyRowId();
    EXPECT_EQ(stored(id, "KK1").toDouble(), 88.25);
    EXPECT_EQ(stored(id, "KKTotal").toDouble(), 88.25);
    EXPECT_EQ(stored(id, "GZTotal").toDouble(), 1162.25);
}

TEST_F(SalaryRecordEditorTest, NetPayMayFallBelowZero) {
    month("m", 1, 1);
    const auto editor = open(-1, "m");
    editor->setSlotText(Group::Earnings, 0, "100");
    editor->setSlotText(Group::Deductions, 0, "150");
    EXPECT_EQ(editor->netPay(), "-50");
    name(*editor);
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(onlyRowId(), "GZTotal").toDouble(), -50.0);
}

TEST_F(SalaryRecordEditorTest, FirstItemIsAttendanceTimesRate) {
    month("m", 2, 1);
    struct Case {
        int printDays;
        int showFloat;
        const char* count;
        const char* hours;
        const char* rate;
        const char* slot1;
        const char* total;
    };
    const Case cases[] = {
        {2, 0, "20.00", "172.5", "15", "2587.50", "2588"},  // hours, not days
        {2, 1, "20.00", "172.5", "15.00", "2587.50", "2587.50"},
        {3, 1, "1200.0", "0.0", "0.50", "600.00", "600.00"},  // pieces
        {1, 0, "21.50", "99.0", "100", "2150.00", "2150"},    // days, not hours
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot1);
        params.PrintDays = c.printDays;
        params.ShowFloat = c.showFloat;
        const auto editor = open(-1, "m");
        editor->setSlotText(Group::Earnings, 1, c.showFloat ? "0.00" : "");
        editor->form.count = c.count;
        editor->form.hours = c.hours;
        editor->form.rate = c.rate;
        ASSERT_TRUE(editor->Button5Click());
        EXPECT_EQ(editor->slot(Group::Earnings, 0).text, c.slot1);
        EXPECT_EQ(editor->earningsTotal(), c.total);
        EXPECT_EQ(editor->netPay(), c.total);
    }
}

TEST_F(SalaryRecordEditorTest, FirstItemNeedsAnEarningsSlot) {
    // A template whose earnings are all disabled leaves no slot to fill.
    dm.ADOLocal.exec("update TGZSet set ShowStu=1 where GZType=0");
    const auto editor = open(-1, "empty");
    editor->form.count = "22.00";
    editor->form.rate = "100";
    EXPECT_FALSE(editor->Button5Click());
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "");
    EXPECT_EQ(editor->earningsTotal(), "0");
}

TEST_F(SalaryRecordEditorTest, PartMonthScalesEarningsOnly) {
    month("m", 3, 1);
    const auto editor = open(-1, "m");
    editor->setSlotText(Group::Earnings, 0, "1000");
    editor->setSlotText(Group::Earnings, 1, "333");
    editor->setSlotText(Group::Deductions, 0, "50");
    editor->form.count = "21.00";

    double offered = -1;
    ASSERT_TRUE(editor->Button3Click([&](double& required, double& worked) {
        offered = worked;
        required = 22;
        worked = 11;  // changed in the calculator
        return true;
    }));
    EXPECT_EQ(offered, 21.0);
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "500.00");
    EXPECT_EQ(editor->slot(Group::Earnings, 1).text, "166.50");
    EXPECT_EQ(editor->slot(Group::Earnings, 2).text, "0.00");
    EXPECT_EQ(editor->slot(Group::Deductions, 0).text, "50");
    EXPECT_EQ(editor->earningsTotal(), "667");
    EXPECT_EQ(editor->netPay(), "617");
    // The count edit keeps its value.
    EXPECT_EQ(editor->form.count, "21.00");

    // Cancelling the calculator changes nothing.
    EXPECT_FALSE(editor->Button3Click([](double& required, double& worked) {
        required = 1;
        worked = 31;
        return false;
    }));
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "500.00");
    EXPECT_EQ(editor->earningsTotal(), "667");

    // No day worked: every earning becomes zero.
    ASSERT_TRUE(editor->Button3Click([](double& required, double& worked) {
        required = 22;
        worked = 0;
        return true;
    }));
    EXPECT_EQ(editor->slot(Group::Earnings, 1).text, "0.00");
    EXPECT_EQ(editor->earningsTotal(), "0");
    EXPECT_EQ(editor->netPay(), "-50");
}

TEST_F(SalaryRecordEditorTest, AmountThatIsNotANumberIsReportedAndNothingStored) {
    month("m", 2, 1);
    const qint64 id = fixture::addRow(dm.ADOLocal, "m",
                                      {{"DepartName", "部"}, {"EmpName", "钱七"}, {"GZ2", 5.0}});
    for (const char* bad : {"1.2.3", "-5", "1,000", "1e3", "5+"}) {
        SCOPED_TRACE(bad);
        prompter.clear();
        const auto editor = open(id, "m");
        editor->setSlotText(Group::Earnings, 0, "7");
        EXPECT_EQ(editor->earningsTotal(), "12");
        editor->setSlotText(Group::Earnings, 1, bad);
        EXPECT_EQ(editor->earningsTotal(), "");
        EXPECT_EQ(editor->netPay(), "");
        EXPECT_FALSE(editor->SaveData());
        EXPECT_FALSE(editor->saved());
        EXPECT_EQ(
            prompter.shown(),
            QStringList{
                QStringLiteral("warning: “m收入2”中的“%1”不是有效的数字，请改正！").arg(bad)});
        EXPECT_TRUE(stored(id, "GZ1").isNull());
        EXPECT_EQ(stored(id, "GZ2").toDouble(), 5.0);
        // The calculation buttons refuse too, leaving every amount as it was.
        prompter.clear();
        EXPECT_FALSE(editor->Button3Click([](double&, double&) {
            ADD_FAILURE() << "the calculator opened";
            return false;
        }));
        EXPECT_EQ(prompter.shown().size(), 1);
        EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "7");
    }
}

TEST_F(SalaryRecordEditorTest, RateThatIsNotANumberStopsTheProduct) {
    month("m", 1, 1);
    const auto editor = open(-1, "m");
    editor->form.count = "22.00";
    editor->form.rate = "1.5.0";
    EXPECT_FALSE(editor->Button5Click());
    EXPECT_EQ(prompter.shown(),
              QStringList{"warning: “工资/天”中的“1.5.0”不是有效的数字，请改正！"});
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "");
}

TEST_F(SalaryRecordEditorTest, SavingNeedsDepartmentAndName) {
    month("m", 1, 1);
    const auto editor = open(-1, "m");
    EXPECT_FALSE(editor->SaveData());
    editor->form.department = " ";
    EXPECT_FALSE(editor->SaveData());
    EXPECT_EQ(prompter.texts(), (QStringList{"请选择或输入部门！", "请选择或输入姓名！"}));
    EXPECT_EQ(count(dm.ADOLocal, "select count(*) from TGZ"), 0);

    // A blank department passes; an empty position is stored as one blank.
    editor->form.name = QStringLiteral("孙八");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_TRUE(editor->saved());
    const qint64 id = onlyRowId();
    EXPECT_EQ(stored(id, "DepartName").toString(), " ");
    EXPECT_EQ(stored(id, "ZWName").toString(), " ");
    EXPECT_EQ(stored(id, "GZMonth").toString(), "m");
}

TEST_F(SalaryRecordEditorTest, RowIsWrittenAsTyped) {
    month("m", 1, 1);
    params.PrintDays = 2;
    params.ShowFloat = 1;
    const auto editor = open(-1, "m");
    editor->form.department = QStringLiteral(" O'Neil部 ");
    editor->form.name = QStringLiteral("张三");
    editor->form.code = QStringLiteral("A01");
    editor->form.position = QStringLiteral("组长");
    editor->form.email = QStringLiteral("zhang.san.long-address@example.com.cn");
    editor->form.remark = QStringLiteral("备注");
    editor->form.count = QStringLiteral("2.5");
    editor->form.hours = QStringLiteral("1.5");
    editor->form.rate = QStringLiteral("15.5");
    ASSERT_TRUE(editor->SaveData());
    const qint64 id = onlyRowId();
    const QueryResult r = dm.ADOLocal.query(
        "select DepartName, EmpName, EmpCode, ZWName, EMail, QM, WorkDays, HourCount, "
        "OneDayMOney from TGZ where ID=?",
        {id});
    const QVariantList& row = r.rows.at(0);
    EXPECT_EQ(row[0].toString(), " O'Neil部 ");
    EXPECT_EQ(row[3].toString(), "组长");
    EXPECT_EQ(row[4].toString(), "zhang.san.long-address@example.com.cn");
    EXPECT_EQ(row[6].toDouble(), 2.5);
    EXPECT_EQ(row[7].toDouble(), 1.5);
    EXPECT_EQ(row[8].toDouble(), 15.5);

    // Reopened, every box shows what was stored.
    const auto again = open(id, "m");
    EXPECT_EQ(again->form.department, " O'Neil部 ");
    EXPECT_EQ(again->form.code, "A01");
    EXPECT_EQ(again->form.email, "zhang.san.long-address@example.com.cn");
    EXPECT_EQ(again->form.remark, "备注");
    EXPECT_EQ(again->form.count, "2.50");
    EXPECT_EQ(again->form.hours, "1.5");
    EXPECT_EQ(again->form.rate, "15.50");
}

TEST_F(SalaryRecordEditorTest, EntryTimeIsSetOnceWhenTheRowIsCreated) {
    month("m", 1, 1);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    auto editor = open(-1, "m");
    name(*editor);
    ASSERT_TRUE(editor->SaveData());
    const qint64 id = onlyRowId();
    const QDateTime set =
        QDateTime::fromString(stored(id, "LOGTime").toString(), "yyyy-MM-dd HH:mm:ss");
    EXPECT_GE(set, before);
    EXPECT_LE(set, QDateTime::currentDateTime().addSecs(1));

    dm.ADOLocal.exec("update TGZ set LOGTime='2001-02-03 04:05:06'");
    editor = open(id, "m");
    editor->setSlotText(Group::Earnings, 0, "9");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(stored(id, "LOGTime").toString(), "2001-02-03 04:05:06");
    EXPECT_EQ(count(dm.ADOLocal, "select count(*) from TGZ"), 1);
}

TEST_F(SalaryRecordEditorTest, RowDeletedMeanwhileIsCreatedAgain) {
    month("m", 1, 1);
    // Deleted before the opening: the form opens empty, as for a new row.
    auto gone = open(4711, "m");
    EXPECT_EQ(gone->form.name, "");
    name(*gone);
    ASSERT_TRUE(gone->SaveData());
    EXPECT_EQ(count(dm.ADOLocal, "select count(*) from TGZ where ID<>4711 and LOGTime is not null"),
              1);
    dm.ADOLocal.exec("delete from TGZ");
    // Deleted while the form is open.
    const qint64 id =
        fixture::addRow(dm.ADOLocal, "m", {{"DepartName", "部"}, {"EmpName", "周九"}});
    const auto editor = open(id, "m");
    EXPECT_EQ(editor->form.name, "周九");
    dm.ADOLocal.exec("delete from TGZ");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(count(dm.ADOLocal,
                    "select count(*) from TGZ where EmpName='周九' and GZMonth='m' "
                    "and LOGTime is not null"),
              1);
}

TEST_F(SalaryRecordEditorTest, FailedWriteKeepsTheFormAndCanBeRetried) {
    month("m", 1, 1);
    dm.ADOLocal.execScript(
        "CREATE TRIGGER full BEFORE INSERT ON TGZ BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    const auto editor = open(-1, "m");
    name(*editor);
    editor->setSlotText(Group::Earnings, 0, "300");
    EXPECT_FALSE(editor->SaveData());
    EXPECT_FALSE(editor->saved());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 存储数据库发生错误！"});
    EXPECT_EQ(editor->slot(Group::Earnings, 0).text, "300");
    EXPECT_EQ(count(dm.ADOLocal, "select count(*) from TGZ"), 0);

    dm.ADOLocal.execScript("DROP TRIGGER full;");
    ASSERT_TRUE(editor->SaveData());
    EXPECT_EQ(count(dm.ADOLocal, "select count(*) from TGZ where GZ1=300"), 1);
}

TEST_F(SalaryRecordEditorTest, UnreadableRowOrItemsStopTheOpening) {
    struct Case {
        const char* name;
        const char* damage;
    };
    const Case cases[] = {
        {"misspelt column", "update TGZSet set GZField1='GZ 2' where GZField1='GZ2'"},
        {"empty column", "update TGZSet set GZField1='' where GZField1='KK1'"},
        {"total instead of an amount", "update TGZSet set GZField1='YFTotal' where GZField1='GZ1'"},
        {"deduction column for an earning",
         "update TGZSet set GZField1='KK9' where GZField1='GZ1'"},
        {"no salary table", "drop table TGZ"},
        {"no item table", "drop table TGZSet"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder damaged;
        ScriptedPrompter seen;
        TDM data(damaged.path(), seen);
        data.ADOLocal.execScript(QString::fromUtf8(c.damage));
        SalaryRecordEditor editor(data, seen, params, -1, "m");
        EXPECT_FALSE(editor.ReadyData());
        EXPECT_EQ(seen.shown(), QStringList{"error: 读取数据库发生错误！"});
    }
}

TEST_F(SalaryRecordEditorTest, PickListsComeFromTheNewestOtherMonth) {
    month("old", 1, 1);
    month("new", 1, 1);
    month("this", 1, 1);
    fixture::addRow(dm.ADOLocal, "old", {{"DepartName", "旧部"}, {"EmpName", "甲"}});
    fixture::addRow(dm.ADOLocal, "new",
                    {{"DepartName", "销售部"}, {"EmpName", "乙"}, {"ZWName", "经理"}});
    fixture::addRow(dm.ADOLocal, "new",
                    {{"DepartName", "财务部"}, {"EmpName", "丙"}, {"ZWName", " "}});
    fixture::addRow(dm.ADOLocal, "new", {{"DepartName", "销售部"}, {"EmpName", ""}});
    fixture::addRow(dm.ADOLocal, "this", {{"DepartName", "本月部"}, {"EmpName", "丁"}});

    auto editor = open(-1, "this");
    EXPECT_EQ(editor->departments(), (QStringList{"财务部", "销售部"}));
    EXPECT_EQ(editor->names(), (QStringList{"丙", "乙"}));
    EXPECT_EQ(editor->positions(), (QStringList{" ", "经理"}));
    // Nothing of the other month is put into the row.
    EXPECT_EQ(editor->form.department, "");

    // The only month offers its own.
    TestFolder single;
    TDM alone(single.path(), prompter);
    fixture::addMonth(alone.ADOLocal, "only");
    fixture::addRow(alone.ADOLocal, "only", {{"DepartName", "一部"}, {"EmpName", "戊"}});
    SalaryRecordEditor own(alone, prompter, params, -1, "only");
    ASSERT_TRUE(own.ReadyData());
    EXPECT_EQ(own.departments(), QStringList{"一部"});
}

TEST_F(SalaryRecordEditorTest, AttendanceCaptionsAndMasksFollowTheMode) {
    struct Case {
        int printDays;
        const char* rate;
        const char* countCaption;
        bool hours;
        const char* countMask;
    };
    const Case cases[] = {
        {0, "工资/天", "出勤天数", true, "00.00;_"},
        {1, "工资/天", "出勤天数", false, "00.00;_"},
        {2, "工资/小时", "出勤天数", true, "00.00;_"},
        {3, "工资/吨", "完工件数", false, "0000.0;_"},
    };
    for (const Case& c : cases) {
        params.PrintDays = c.printDays;
        params.JJUnit = QStringLiteral("吨");
        const AttendanceFormat f = SalaryRecordEditor::attendanceFor(params);
        EXPECT_EQ(f.rateCaption, c.rate);
        EXPECT_EQ(f.countCaption, c.countCaption);
        EXPECT_EQ(f.hoursEnabled, c.hours);
        EXPECT_EQ(f.countMask, c.countMask);
        EXPECT_EQ(f.hoursMask, "0000.0;_");
    }
}
