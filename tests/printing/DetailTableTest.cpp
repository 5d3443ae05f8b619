#include <gtest/gtest.h>

#include "Database.h"
#include "DetailList.h"
#include "DetailTable.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TablePreview.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

const QString kMonth = QStringLiteral("202406");

// Gives the month's items the captions listed (enabled) and "停用" to the rest (disabled).
void captionItems(Database& db, const QString& month, int type, const QStringList& captions) {
    db.exec("Update TGZSet Set GZName='停用', ShowStu=1 where GZMonth=? and GZType=?",
            {month, type});
    for (int i = 0; i < captions.size(); ++i) {
        db.exec("Update TGZSet Set GZName=?, ShowStu=0 where GZMonth=? and GZType=? and SortIdx=?",
                {captions[i], month, type, i + 1});
    }
}

class DetailTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        Transaction transaction(db);
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, 30, 15);
        captionItems(db, kMonth, 0, {"基本工资", "奖", "GZ1"});
        captionItems(db, kMonth, 1, {"养老保险", "个税"});
        addRow("生产部", "王芳", 3000, 200, 240, "2024-06-05T08:30:00");
        addRow("财务部", "张伟", 3200, 0, 256, "2024-06-06T09:00:00");
        addRow("财务部", "李娜", 2800, 150, 224, "2024-06-07T10:15:00");
        transaction.commit();
        ASSERT_TRUE(list.ReadyGZList(kMonth, 1));
    }

    void addRow(const QString& department, const QString& name, double basic, double bonus,
                double pension, const QString& logged) {
        fixture::addRow(db, kMonth,
                        {{"DepartName", department},
                         {"EmpName", name},
                         {"WorkDays", 21.5},
                         {"GZ1", basic},
                         {"GZ2", bonus},
                         {"GZ4", 777},  // a disabled item's amount
                         {"YFTotal", basic + bonus},
                         {"KK1", pension},
                         {"KKTotal", pension},
                         {"GZTotal", basic + bonus - pension},
                         {"LOGTime", logged}});
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
    TablePreview preview;
};

}  // namespace

TEST_F(DetailTableTest, PropertiesFollowTheListAndItsGrid) {
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    EXPECT_EQ(preview.pPrintType(), 1);
    EXPECT_EQ(preview.pRowHeight(), 20);
    EXPECT_EQ(preview.pCaption(), "月度[202406]工资发放明细表");
    EXPECT_EQ(preview.pColCount(), 61);
    EXPECT_EQ(preview.pHeaderRowCount(), 2);
    EXPECT_EQ(preview.pDataRowCount(), 3);
    EXPECT_EQ(preview.pCountRowCount(), 0);
    EXPECT_FALSE(preview.pShowCount());

    TablePreview unsized;
    DetailTable::ReadyData1(unsized, QString(), list, 0);
    EXPECT_EQ(unsized.pRowHeight(), 16);
}

TEST_F(DetailTableTest, TitlesSplitIntoTwoRowsAndOneLevelTitlesRepeat) {
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    struct Case {
        int column;
        const char* upper;
        const char* lower;
    };
    const Case cases[] = {{1, "序号", "序号"},
                          {5, "姓名", "姓名"},
                          {10, "应发工资", "基本工资"},
                          {12, "应发工资", "GZ1"},
                          {40, "应发工资", "合计"},
                          {41, "应扣/代扣工资", "养老保险"},
                          {56, "应扣/代扣工资", "合计"},
                          {57, "实发工资", "实发工资"},
                          {0, "", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(preview.titleCell(c.column, 0), c.upper);
        EXPECT_EQ(preview.titleCell(c.column, 1), c.lower);
    }
}

TEST_F(DetailTableTest, HiddenColumnsArePassedWithWidthZeroAtTheirGridPositions) {
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    for (int i = 0; i < list.layout.size(); ++i) {
        const DetailColumn& column = list.layout.column(i);
        SCOPED_TRACE(column.field.toStdString());
        EXPECT_EQ(preview.colWidth(i), column.visible ? column.width : 0);
    }
    // The record ID, the hours (attendance by days), a disabled item and its amount.
    for (int hidden : {0, 8, 13}) EXPECT_EQ(preview.colWidth(hidden), 0) << hidden;
    EXPECT_EQ(preview.dataCell(13, 0), "777");
    EXPECT_FALSE(preview.dataCell(0, 0).isEmpty());
    EXPECT_GT(preview.colWidth(10), 0);
}

TEST_F(DetailTableTest, DataRowsShowTheGridsTextsInTheListsOrder) {
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    const QStringList names{"李娜", "张伟", "王芳"};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(preview.dataCell(1, r), QString::number(r + 1));
        EXPECT_EQ(preview.dataCell(5, r), names[r]);
        EXPECT_EQ(preview.dataCell(7, r), "21.50");
    }
    EXPECT_EQ(preview.dataCell(3, 0), "财务部");
    EXPECT_EQ(preview.dataCell(10, 0), "2800");
    EXPECT_EQ(preview.dataCell(40, 2), "3200");
    EXPECT_EQ(preview.dataCell(57, 1), "2944");
    EXPECT_EQ(preview.dataCell(60, 2), "24-06-05 08:30");
    EXPECT_EQ(preview.colAlign(10), TablePreview::AlignRight);
    EXPECT_EQ(preview.colAlign(5), TablePreview::AlignLeft);
}

TEST_F(DetailTableTest, FooterRowFollowsAsDataRowNumberRecordCount) {
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    EXPECT_EQ(preview.dataCell(1, 3), "合计");
    EXPECT_EQ(preview.dataCell(5, 3), "3条");
    EXPECT_EQ(preview.dataCell(10, 3), "9000");
    EXPECT_EQ(preview.dataCell(11, 3), "350");
    EXPECT_EQ(preview.dataCell(40, 3), "9350");
    EXPECT_EQ(preview.dataCell(41, 3), "720");
    EXPECT_EQ(preview.dataCell(57, 3), "8630");
    // Columns without a footer get no cell.
    EXPECT_EQ(preview.dataCell(3, 3), "");
    EXPECT_EQ(preview.dataCell(60, 3), "");
    EXPECT_EQ(preview.printedDataRows(), 4);
}

TEST_F(DetailTableTest, AnEmptyListGivesTitlesAndTheFooterRowZero) {
    ASSERT_TRUE(list.ReadyGZList("空月度", 1));
    DetailTable::ReadyData1(preview, list.caption(), list, 20);
    EXPECT_EQ(preview.pDataRowCount(), 0);
    EXPECT_EQ(preview.titleCell(40, 1), "合计");
    EXPECT_EQ(preview.dataCell(1, 0), "合计");
    EXPECT_EQ(preview.dataCell(5, 0), "0条");
    EXPECT_EQ(preview.dataCell(57, 0), "0");
    EXPECT_EQ(preview.printedDataRows(), 1);
}

TEST_F(DetailTableTest, TitleRowsFollowTheDeepestTitle) {
    struct Case {
        const char* title;
        int rows;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"序号", 1}, {"应发工资|合计", 2}, {"甲|乙|丙", 3}, {"", 1}, {"||", 3}}) {
        EXPECT_EQ(DetailTable::GetMaxTitleRow(c.title), c.rows) << c.title;
    }
}

TEST_F(DetailTableTest, TheDeepestTitleSetsTheTitleRowsAndShallowerOnesRepeatTheirLastLevel) {
    for (int i = 0; i < list.layout.size(); ++i) {
        list.layout.column(i).title = list.layout.column(i).caption();
    }
    DetailTable::ReadyData1(preview, QString(), list, 20);
    EXPECT_EQ(preview.pHeaderRowCount(), 1);
    EXPECT_EQ(preview.titleCell(40, 0), "合计");

    list.layout.column(40).title = "应发工资|合计";
    list.layout.column(57).title = "工资|实发|金额";
    DetailTable::ReadyData1(preview, QString(), list, 20);
    EXPECT_EQ(preview.pHeaderRowCount(), 3);
    const QStringList seqNo{preview.titleCell(1, 0), preview.titleCell(1, 1),
                            preview.titleCell(1, 2)};
    EXPECT_EQ(seqNo, QStringList({"序号", "序号", "序号"}));
    const QStringList total{preview.titleCell(40, 0), preview.titleCell(40, 1),
                            preview.titleCell(40, 2)};
    EXPECT_EQ(total, QStringList({"应发工资", "合计", "合计"}));
    const QStringList net{preview.titleCell(57, 0), preview.titleCell(57, 1),
                          preview.titleCell(57, 2)};
    EXPECT_EQ(net, QStringList({"工资", "实发", "金额"}));
}

TEST_F(DetailTableTest, SomeRowsCountAndSumOnlyTheRowsGiven) {
    DetailTable::ReadyRows(preview, QString(), list, 20, {0, 2});
    EXPECT_EQ(preview.pDataRowCount(), 2);
    EXPECT_EQ(preview.dataCell(5, 0), "李娜");
    EXPECT_EQ(preview.dataCell(5, 1), "王芳");
    EXPECT_EQ(preview.dataCell(1, 1), "3");  // the row number the grid shows
    EXPECT_EQ(preview.dataCell(1, 2), "合计");
    EXPECT_EQ(preview.dataCell(5, 2), "2条");
    EXPECT_EQ(preview.dataCell(10, 2), "5800");
    EXPECT_EQ(preview.dataCell(57, 2), "5686");
}

TEST(DetailTableWidths, PrintingNarrowsAmountColumnsToTheirCaptions) {
    struct Case {
        const char* title;
        int width;
        int narrowed;
    };
    const Case cases[] = {
        {"应发工资|GZ1", 52, 39},      {"应发工资|合计", 60, 60},
        {"应发工资|合计", 20, 26},     {"应发工资|奖", 52, 26},
        {"应发工资|基本工资", 52, 52}, {"应扣/代扣工资|养老保险金", 52, 65},
        {"应发工资|a|b", 52, 39},      {"无分组", 10, 39},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetailTable::narrowedWidth(c.title, c.width), c.narrowed) << c.title;
    }
}

TEST_F(DetailTableTest, NarrowingReachesGZ1ToKK2AndRestoringSetsThemTo52) {
    const DetailLayout before = list.layout;
    DetailTable::narrowAmountColumns(list.layout);
    EXPECT_EQ(list.layout.column(10).width, 52);                       // 基本工资
    EXPECT_EQ(list.layout.column(11).width, 26);                       // 奖
    EXPECT_EQ(list.layout.column(12).width, 39);                       // GZ1
    EXPECT_EQ(list.layout.column(13).width, 26);                       // 停用
    EXPECT_EQ(list.layout.column(40).width, before.column(40).width);  // 合计
    EXPECT_EQ(list.layout.column(41).width, 52);                       // 养老保险
    EXPECT_EQ(list.layout.column(42).width, 26);                       // 个税
    for (int i = 43; i < list.layout.size(); ++i) {
        EXPECT_EQ(list.layout.column(i).width, before.column(i).width) << i;
    }
    for (int i = 0; i < 10; ++i) EXPECT_EQ(list.layout.column(i).width, before.column(i).width);

    DetailTable::restoreAmountColumns(list.layout);
    for (int i = 10; i <= 42; ++i) EXPECT_EQ(list.layout.column(i).width, 52) << i;
    EXPECT_EQ(list.layout.column(56).width, before.column(56).width);
}
