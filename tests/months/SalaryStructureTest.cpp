#include <gtest/gtest.h>

#include "Database.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "SalaryItem.h"
#include "SalaryStructure.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

using fixture::count;

namespace {

class SalaryStructureTest : public ::testing::Test {
  protected:
    void SetUp() override { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }
    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
};

}  // namespace

TEST_F(SalaryStructureTest, EmptyTemplateIsRebuiltDisabled) {
    db.exec("delete from TGZSet");
    fixture::addMonth(db, "202401");
    SalaryStructure::StructUpdate(db);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='BASE'"), 45);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet where GZName='工资项目' and ShowStu=1 "
                    "and SortIdx=cast(substr(GZField1, 3) as integer)"),
              45);
    // A month without items of its own keeps using the template.
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401'"), 0);
}

TEST_F(SalaryStructureTest, GapsAreFilledAndExistingItemsKept) {
    fixture::addMonth(db, "202401");
    fixture::addStructure(db, "202401", 5, 2);
    db.exec(
        "delete from TGZSet where GZMonth='202401' and "
        "((GZType=0 and SortIdx>20) or (GZType=1 and SortIdx>10))");
    db.exec("update TGZSet set GZField1=lower(GZField1) where GZMonth='202401' and SortIdx=3");
    SalaryStructure::StructUpdate(db);

    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401'"), 45);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet where GZMonth='202401' and "
                    "GZName='工资项目' and ShowStu=1"),
              15);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet where GZMonth='202401' and GZType=0 and "
                    "SortIdx between 21 and 30 and GZField1='GZ'||SortIdx"),
              10);
    // Items already there, including one whose field is in other letter case, stay as they were.
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet where GZMonth='202401' and GZName like "
                    "'202401%' and ShowStu=0"),
              7);
    SalaryStructure::StructUpdate(db);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401'"), 45);
}

TEST_F(SalaryStructureTest, ItemsComeFromTheMonthOrTheTemplate) {
    fixture::addStructure(db, "own", 3, 1);
    const auto own = ReadSalaryItems(db, "OWN", 0);
    ASSERT_EQ(own.size(), 30u);
    EXPECT_EQ(own[0].name, "own收入1");
    EXPECT_TRUE(own[2].enabled);
    EXPECT_FALSE(own[3].enabled);
    const auto base = ReadSalaryItems(db, "none", 1);
    ASSERT_EQ(base.size(), 15u);
    EXPECT_EQ(base[0].name, "养老保险");
    EXPECT_EQ(base[14].field, "KK15");
}

TEST_F(SalaryStructureTest, AddBaseGZSetCopiesSourceOrTemplate) {
    fixture::addStructure(db, "202401", 4, 2);
    fixture::addStructure(db, "202402", 1, 1);  // replaced wholesale
    ASSERT_TRUE(SalaryStructure::AddBaseGZSet(db, prompter, "202402", "202401"));
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202402'"), 45);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZSet a join TGZSet b on a.GZField1=b.GZField1 "
                    "and a.GZName=b.GZName and a.ShowStu=b.ShowStu and a.SortIdx=b.SortIdx "
                    "where a.GZMonth='202402' and b.GZMonth='202401'"),
              45);

    ASSERT_TRUE(SalaryStructure::AddBaseGZSet(db, prompter, "202403", "没有结构的月度"));
    EXPECT_EQ(ReadSalaryItems(db, "202403", 0).front().name, "基本工资");
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202403'"), 45);

    // The month may be its own source (copying a month into itself).
    ASSERT_TRUE(SalaryStructure::AddBaseGZSet(db, prompter, "202401", "202401"));
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202401' and ShowStu=0"), 6);
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(SalaryStructureTest, FailedCopyKeepsTheOldStructure) {
    fixture::addStructure(db, "202402", 2, 2);
    db.execScript(
        "CREATE TRIGGER no_insert BEFORE INSERT ON TGZSet "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    EXPECT_FALSE(SalaryStructure::AddBaseGZSet(db, prompter, "202402", "BASE"));
    EXPECT_EQ(prompter.shown(), QStringList{"error: 增加新月度的工资项目模板失败！"});
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth='202402' and ShowStu=0"), 4);
}
