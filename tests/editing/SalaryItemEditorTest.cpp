#include <gtest/gtest.h>

#include "AppState.h"
#include "Database.h"
#include "DetailList.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "SalaryItemEditor.h"
#include "SalaryRecordEditor.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

using Group = SalaryItemEditor::Group;

namespace {

class SalaryItemEditorTest : public ::testing::Test {
  protected:
    void SetUp() override { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }

    // Answers the item dialog with a new caption and state.
    static SalaryItemEditor::ItemDialog answer(const QString& caption, int state,
                                               QString* offered = nullptr) {
        return [=](QString& name, int& enabled) {
            if (offered) *offered = name + u'|' + QString::number(enabled);
            name = caption;
            enabled = state;
            return true;
        };
    }
    QStringList stored(const QString& month, int type) {
        QStringList rows;
        for (const QVariantList& r :
             db.query("select GZName, ShowStu from TGZSet where GZMonth=? and GZType=? order by ID",
                      {month, type})
                 .rows) {
            rows << r[0].toString() + u'|' + r[1].toString();
        }
        return rows;
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
};

}  // namespace

TEST_F(SalaryItemEditorTest, MonthWithoutEarningsItemsEditsTheTemplate) {
    struct Case {
        const char* name;
        const char* month;
    };
    fixture::addMonth(db, "deductions only");
    db.exec(
        "insert into TGZSet (GZMonth, GZType, GZName, GZField1, SortIdx, ShowStu) "
        "values ('deductions only', 1, '自有扣款', 'KK1', 1, 0)");
    for (const Case c : {Case{"no month", "BASE"}, Case{"no items", "202405"},
                         Case{"deductions only", "deductions only"}}) {
        SCOPED_TRACE(c.name);
        SalaryItemEditor editor(db, prompter, c.month);
        ASSERT_TRUE(editor.ReadyData());
        EXPECT_EQ(editor.month(), "BASE");
        ASSERT_EQ(editor.items(Group::Earnings).size(), 30u);
        ASSERT_EQ(editor.items(Group::Deductions).size(), 15u);
        EXPECT_EQ(editor.items(Group::Earnings).front().name, "基本工资");
        EXPECT_EQ(editor.items(Group::Deductions).front().name, "养老保险");
        EXPECT_EQ(editor.items(Group::Deductions).back().field, "KK15");
    }
}

TEST_F(SalaryItemEditorTest, MonthWithItemsEditsItsOwn) {
    fixture::addMonth(db, "m");
    fixture::addStructure(db, "m", 3, 2);
    SalaryItemEditor editor(db, prompter, "m");
    ASSERT_TRUE(editor.ReadyData());
    EXPECT_EQ(editor.month(), "m");
    const EditableSalaryItem& third = editor.items(Group::Earnings).at(2);
    EXPECT_EQ(third.name, "m收入3");
    EXPECT_EQ(third.field, "GZ3");
    EXPECT_EQ(third.sortIdx, 3);
    EXPECT_EQ(SalaryItemEditor::stateText(third.showStu), "启用");
    EXPECT_EQ(SalaryItemEditor::stateText(editor.items(Group::Earnings).at(3).showStu), "禁用");
    EXPECT_EQ(SalaryItemEditor::stateNames(), (QStringList{"启用", "禁用"}));
}

TEST_F(SalaryItemEditorTest, NothingIsWrittenBeforeSaving) {
    const QStringList before = stored("BASE", 0);
    {
        SalaryItemEditor editor(db, prompter, "BASE");
        ASSERT_TRUE(editor.ReadyData());
        QString offered;
        ASSERT_TRUE(editor.modify(Group::Earnings, 0, answer("底薪", 1, &offered)));
        EXPECT_EQ(offered, "基本工资|0");
        EXPECT_EQ(editor.items(Group::Earnings).front().name, "底薪");
        EXPECT_TRUE(editor.hasChanges());
        EXPECT_EQ(stored("BASE", 0), before);
        // The editor goes without saving, as "取消(&X)" does.
    }
    EXPECT_EQ(stored("BASE", 0), before);
}

TEST_F(SalaryItemEditorTest, SavingWritesCaptionsAndStatesOfBothLists) {
    fixture::addMonth(db, "m");
    fixture::addStructure(db, "m", 3, 2);
    SalaryItemEditor editor(db, prompter, "m");
    ASSERT_TRUE(editor.ReadyData());
    ASSERT_TRUE(editor.modify(Group::Earnings, 1, answer("岗位 'A'", 1)));
    ASSERT_TRUE(editor.modify(Group::Earnings, 4, answer(" ", 0)));  // a blank caption
    ASSERT_TRUE(editor.modify(Group::Deductions, 0, answer("社保", 0)));
    ASSERT_TRUE(editor.SaveData());
    EXPECT_TRUE(editor.saved());
    EXPECT_FALSE(editor.hasChanges());
    const QStringList earnings = stored("m", 0);
    EXPECT_EQ(earnings.at(0), "m收入1|0");
    EXPECT_EQ(earnings.at(1), "岗位 'A'|1");
    EXPECT_EQ(earnings.at(4), " |0");
    EXPECT_EQ(stored("m", 1).at(0), "社保|0");
    // The template is untouched.
    EXPECT_EQ(stored("BASE", 0).at(1), "岗位工资|0");
}

TEST_F(SalaryItemEditorTest, CancelledDialogOrMissingRowChangesNothing) {
    TestFolder empty;
    Database bare;
    bare.open(Schema::databasePath(empty.path()), Schema::databaseKey());
    bare.exec("delete from TGZSet where GZType=1");
    SalaryItemEditor editor(bare, prompter, "BASE");
    ASSERT_TRUE(editor.ReadyData());
    ASSERT_TRUE(editor.items(Group::Deductions).empty());
    bool asked = false;
    const auto dialog = [&](QString&, int&) {
        asked = true;
        return true;
    };
    EXPECT_FALSE(editor.modify(Group::Deductions, 0, dialog));
    EXPECT_FALSE(asked);
    EXPECT_FALSE(editor.modify(Group::Earnings, 0, [](QString& name, int&) {
        name = "不要";
        return false;
    }));
    EXPECT_EQ(editor.items(Group::Earnings).front().name, "基本工资");
    EXPECT_FALSE(editor.hasChanges());
}

TEST_F(SalaryItemEditorTest, FailedSaveWritesNothingAndKeepsTheChanges) {
    db.execScript(
        "CREATE TRIGGER locked BEFORE UPDATE ON TGZSet WHEN new.GZType=1 "
        "BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    const QStringList before = stored("BASE", 0);
    SalaryItemEditor editor(db, prompter, "BASE");
    ASSERT_TRUE(editor.ReadyData());
    ASSERT_TRUE(editor.modify(Group::Earnings, 0, answer("底薪", 0)));
    ASSERT_TRUE(editor.modify(Group::Deductions, 0, answer("社保", 0)));
    EXPECT_FALSE(editor.SaveData());
    EXPECT_FALSE(editor.saved());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 存储数据发生错误！"});
    EXPECT_EQ(stored("BASE", 0), before);
    EXPECT_TRUE(editor.hasChanges());

    db.execScript("DROP TRIGGER locked;");
    ASSERT_TRUE(editor.SaveData());
    EXPECT_EQ(stored("BASE", 0).front(), "底薪|0");
    EXPECT_EQ(stored("BASE", 1).front(), "社保|0");
}

TEST_F(SalaryItemEditorTest, UnreadableItemsStopTheOpening) {
    db.execScript("DROP TABLE TGZSet;");
    SalaryItemEditor editor(db, prompter, "m");
    EXPECT_FALSE(editor.ReadyData());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 读取数据库发生错误！"});
}

TEST_F(SalaryItemEditorTest, ItemNameIsRequired) {
    EXPECT_FALSE(SalaryItemEditor::CheckItemName(prompter, ""));
    EXPECT_TRUE(SalaryItemEditor::CheckItemName(prompter, " "));
    EXPECT_TRUE(SalaryItemEditor::CheckItemName(prompter, "奖金"));
    EXPECT_EQ(prompter.shown(), QStringList{"warning: 请务必输入工资项目名称！"});
}

// A disabled item leaves the record editor and the list, and the recalculated totals.
TEST_F(SalaryItemEditorTest, DisabledItemDropsOutOfEditorListAndTotals) {
    fixture::addMonth(db, "m");
    fixture::addStructure(db, "m", 3, 1);
    for (const double second : {200.0, 50.0}) {
        fixture::addRow(db, "m",
                        {{"DepartName", "部"},
                         {"EmpName", "甲"},
                         {"GZ1", 1000.0},
                         {"GZ2", second},
                         {"YFTotal", 1000.0 + second},
                         {"GZTotal", 1000.0 + second}});
    }
    SalaryItemEditor editor(db, prompter, "m");
    ASSERT_TRUE(editor.ReadyData());
    ASSERT_TRUE(editor.modify(Group::Earnings, 1, answer("m收入2", 1)));
    ASSERT_TRUE(editor.SaveData());

    DetailList list(db, prompter);
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    EXPECT_FALSE(list.layout.column(list.GetCol("GZ2")).visible);
    list.ReCalcAll();
    for (const QVariantList& row : db.query("select YFTotal, GZTotal, GZ2 from TGZ").rows) {
        EXPECT_EQ(row[0].toDouble(), 1000.0);
        EXPECT_EQ(row[1].toDouble(), 1000.0);
        EXPECT_GT(row[2].toDouble(), 0.0);  // the amount itself stays
    }

    db.close();
    TDM dm(folder.path(), prompter);
    SalaryRecordEditor record(dm, prompter, TAppParams{}, -1, "m");
    ASSERT_TRUE(record.ReadyData());
    EXPECT_EQ(record.slot(SalaryRecordEditor::Group::Earnings, 1).field, "GZ3");
}
