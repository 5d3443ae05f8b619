#include <gtest/gtest.h>

#include "Database.h"
#include "DetailList.h"
#include "PayMonths.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

using fixture::count;

namespace {

const QString kStructureNote =
    "info: 注意，需要选择复制哪个月度的工资结构，如果不选择，则采用系统默认工资结构！";

class PayMonthsTest : public ::testing::Test {
  protected:
    void SetUp() override { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }
    QStringList keys() const {
        QStringList result;
        for (int i = 0; i < months.dsGZMonth.recordCount(); ++i) {
            result << months.dsGZMonth.value(i, "GZMonth").toString();
        }
        return result;
    }
    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    PayMonths months{db, prompter};
    std::optional<QString> chosen;
    PayMonths::HistoryChooser chooser = [this] { return chosen; };
};

}  // namespace

TEST_F(PayMonthsTest, ListShowsNewestFirst) {
    for (const char* m : {"202401", "202402", "202403"}) fixture::addMonth(db, m);
    ASSERT_TRUE(months.ReadyMonth());
    EXPECT_EQ(keys(), (QStringList{"202403", "202402", "202401"}));
    EXPECT_EQ(months.currentMonth(), "202403");
}

TEST_F(PayMonthsTest, FirstMonthGetsTheTemplate) {
    months.ReadyMonth();
    prompter.queueInput(QString("202601"));
    ASSERT_TRUE(months.Button1Click(chooser));
    EXPECT_EQ(prompter.shown(),
              (QStringList{"input: 请输入新的工资发放月度|请输入新的工资发放月度：|" +
                               PayMonths::proposedMonth(),
                           kStructureNote}));
    EXPECT_EQ(months.currentMonth(), "202601");
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202601'"), 45);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet a join TGZSet b on a.GZField1=b.GZField1 "
                    "and a.GZName=b.GZName and a.ShowStu=b.ShowStu "
                    "where a.GZMonth='202601' and b.GZMonth='BASE'"),
              45);
}

TEST_F(PayMonthsTest, NewMonthCopiesTheChosenStructureAndStandsLast) {
    fixture::addMonth(db, "202401");
    fixture::addStructure(db, "202401", 3, 1);
    fixture::addMonth(db, "202402");
    months.ReadyMonth();
    prompter.queueInput(QString("202403"));
    chosen = "202401";
    ASSERT_TRUE(months.Button1Click(chooser));
    EXPECT_EQ(keys(), (QStringList{"202402", "202401", "202403"}));
    EXPECT_EQ(months.currentMonth(), "202403");
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202403' and ShowStu=0"), 4);
}

TEST_F(PayMonthsTest, CancelledInputAddsTheProposedMonth) {
    months.ReadyMonth();
    prompter.queueInput(std::nullopt);
    ASSERT_TRUE(months.Button1Click(chooser));
    EXPECT_EQ(months.currentMonth(), PayMonths::proposedMonth());
}

TEST_F(PayMonthsTest, DuplicateOrReservedKeysAreRefused) {
    fixture::addMonth(db, "2024abc");
    months.ReadyMonth();
    struct Case {
        QString answer;
        QString message;
    };
    const Case cases[] = {
        {"2024ABC", "warning: 名称为[2024ABC]的月度已经存在！"},
        {"base", "warning: “base”是系统默认工资结构的保留名称，不能作为月度名称！"},
        {"", ""},
    };
    for (const Case& c : cases) {
        prompter.clear();
        prompter.queueInput(c.answer);
        EXPECT_FALSE(months.Button1Click(chooser)) << c.answer.toStdString();
        const QStringList shown = prompter.shown().mid(1);
        EXPECT_EQ(shown, c.message.isEmpty() ? QStringList{} : QStringList{c.message});
    }
    EXPECT_EQ(count(db, "select count(*) from TGZMonth"), 1);
}

TEST_F(PayMonthsTest, HistoryOffersMonthsWithRowsNewestTextFirst) {
    for (const char* m : {"202311", "202402", "202401", "空月度"}) fixture::addMonth(db, m);
    for (const char* m : {"202311", "202402", "202401", "202402"}) fixture::addRow(db, m, {});
    EXPECT_EQ(PayMonths::HistoryMonths(db, prompter).value(),
              (QStringList{"202402", "202401", "202311"}));
    db.close();
    EXPECT_FALSE(PayMonths::HistoryMonths(db, prompter).has_value());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 读取数据库发生错误！"});
}

TEST_F(PayMonthsTest, RenameMovesRowsAndStructure) {
    fixture::addMonth(db, "202401");
    fixture::addStructure(db, "202401", 2, 1);
    fixture::addRow(db, "202401", {{"EmpName", "张三"}});
    fixture::addRow(db, "202401", {{"EmpName", "李四"}});
    months.ReadyMonth();
    prompter.queueInput(QString("2024-01"));
    ASSERT_TRUE(months.Button2Click());
    EXPECT_EQ(months.currentMonth(), "2024-01");
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='2024-01'"), 2);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='2024-01' and ShowStu=0"), 3);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401'"), 0);

    // Only the letter case changes: the month keeps its own rows.
    prompter.queueInput(QString("2024-01X"));
    ASSERT_TRUE(months.Button2Click());
    prompter.queueInput(QString("2024-01x"));
    ASSERT_TRUE(months.Button2Click());
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='2024-01x'"), 45);
}

TEST_F(PayMonthsTest, RenameToAnotherMonthsKeyIsRefused) {
    fixture::addMonth(db, "202401");
    fixture::addMonth(db, "202402");
    months.ReadyMonth();
    prompter.queueInput(QString("202401"));
    EXPECT_FALSE(months.Button2Click());
    EXPECT_EQ(prompter.shown().last(), "warning: 名称为：202401的月度已经存在！");
    EXPECT_EQ(months.currentMonth(), "202402");
}

TEST_F(PayMonthsTest, FailedRenameLeavesKeyAndRowsUnchanged) {
    fixture::addMonth(db, "202401");
    fixture::addStructure(db, "202401", 2, 1);
    fixture::addRow(db, "202401", {{"EmpName", "张三"}});
    db.execScript(
        "CREATE TRIGGER no_rename BEFORE UPDATE ON TGZMonth "
        "BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    months.ReadyMonth();
    prompter.queueInput(QString("202402"));
    EXPECT_FALSE(months.Button2Click());
    EXPECT_EQ(prompter.shown().last(), "error: 保存数据发生错误！");
    EXPECT_EQ(months.currentMonth(), "202401");
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='202401'"), 1);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401'"), 45);
    EXPECT_EQ(count(db, "select count(*) from TGZMonth where GZMonth='202401'"), 1);
}

TEST_F(PayMonthsTest, DeleteRemovesMonthRowsAndStructure) {
    fixture::addMonth(db, "202401");
    fixture::addMonth(db, "202402");
    fixture::addStructure(db, "202402", 1, 1);
    fixture::addRow(db, "202402", {});
    fixture::addRow(db, "202401", {});
    months.ReadyMonth();

    prompter.queueConfirm(false);
    EXPECT_FALSE(months.Button3Click());
    EXPECT_EQ(count(db, "select count(*) from TGZMonth"), 2);

    prompter.queueConfirm(true);
    ASSERT_TRUE(months.Button3Click());
    EXPECT_EQ(prompter.shown().last(),
              "confirm: 您确认删除选定月度的数据吗？相应的工资发放明细也将一并删除！");
    EXPECT_EQ(months.currentMonth(), "202401");  // the next month is selected
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='202402'"), 0);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202402'"), 0);
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 1);
}

TEST_F(PayMonthsTest, DeletingTheOnlyMonthEmptiesTheCaption) {
    fixture::addMonth(db, "202401");
    months.ReadyMonth();
    DetailList list(db, prompter);
    EXPECT_EQ(list.caption(), "月度[XXXX]工资发放明细表");
    ASSERT_TRUE(list.ReadyGZList(months.currentMonth(), 0));
    EXPECT_EQ(list.caption(), "月度[202401]工资发放明细表");
    prompter.queueConfirm(true);
    ASSERT_TRUE(months.Button3Click());
    EXPECT_TRUE(months.isEmpty());
    list.ReadyGZList(months.currentMonth(), 0);
    EXPECT_EQ(list.caption(), "月度[]工资发放明细表");
    EXPECT_FALSE(months.Button3Click());  // nothing to delete, nothing asked
}

TEST_F(PayMonthsTest, FailedDeleteKeepsEverything) {
    fixture::addMonth(db, "202401");
    fixture::addRow(db, "202401", {});
    db.execScript(
        "CREATE TRIGGER no_delete BEFORE DELETE ON TGZMonth "
        "BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    months.ReadyMonth();
    prompter.queueConfirm(true);
    EXPECT_FALSE(months.Button3Click());
    EXPECT_EQ(prompter.shown().last(), "error: 删除数据发生错误！");
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 1);
    EXPECT_EQ(count(db, "select count(*) from TGZMonth"), 1);
}
