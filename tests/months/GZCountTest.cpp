#include <gtest/gtest.h>

#include "Database.h"
#include "DetailList.h"
#include "GZCount.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

// Every text the grid shows: titles and visibility, then each row, then the footer.
QStringList shown(const DetailList& list) {
    QStringList texts;
    for (const DetailColumn& column : list.layout.columns()) {
        texts << column.title + (column.visible ? "" : " (hidden)");
    }
    const int rows = list.loaded() ? list.dsGZDetail.recordCount() : 0;
    for (int r = 0; r < rows; ++r) {
        QStringList cells;
        for (int i = 0; i < list.layout.size(); ++i) cells << list.displayText(r, i);
        texts << cells.join(u'|');
    }
    for (int i = 0; i < list.layout.size(); ++i) texts << list.footerText(i);
    return texts;
}

class GZCountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        Transaction transaction(db);
        // Added oldest first: the check list shows 202406 at the top.
        fixture::addMonth(db, "202405");
        fixture::addStructure(db, "202405", 3, 1);
        fixture::addMonth(db, "202406");
        fixture::addStructure(db, "202406", 5, 2);
        fixture::addMonth(db, "模板月");  // no structure of its own
        addRow("202405", "生产部", "王芳", 3000, 100, 200);
        addRow("202405", "财务部", "张伟", 3100, 0, 210);
        addRow("202406", "生产部", "王芳", 3050, 120, 205);
        addRow("202406", "财务部", "张伟", 3150, 10, 215);
        addRow("202406", "财务部", "李娜", 2900, 40, 190);
        addRow("模板月", "销售部", "赵敏", 1000, 0, 0);
        transaction.commit();
    }

    void addRow(const QString& month, const QString& department, const QString& name, double basic,
                double gz5, double pension) {
        fixture::addRow(db, month,
                        {{"DepartName", department},
                         {"EmpName", name},
                         {"GZ1", basic},
                         {"GZ5", gz5},
                         {"YFTotal", basic + gz5},
                         {"KK1", pension},
                         {"KKTotal", pension},
                         {"GZTotal", basic + gz5 - pension}});
    }

    double footerNumber(const DetailList& list, const char* field) const {
        return list.footerText(list.GetCol(field)).toDouble();
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    GZCount count{db, prompter};
};

}  // namespace

TEST_F(GZCountTest, MonthsComeNewestFirst) {
    EXPECT_EQ(count.ReadyMonth(), QStringList({"模板月", "202406", "202405"}));
    db.close();
    EXPECT_TRUE(count.ReadyMonth().isEmpty());
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(GZCountTest, OneCheckedMonthShowsWhatTheMainListShows) {
    for (const char* month : {"202406", "202405", "模板月"}) {
        for (int printDays : {0, 1, 2}) {
            SCOPED_TRACE(QStringLiteral("%1 %2").arg(month).arg(printDays).toStdString());
            DetailList main(db, prompter);
            ASSERT_TRUE(main.ReadyGZList(month, printDays));
            GZCount fresh(db, prompter);
            fresh.rebuild({month}, printDays);
            ASSERT_TRUE(fresh.list.loaded());
            EXPECT_EQ(shown(fresh.list), shown(main));
            EXPECT_EQ(fresh.firstMonth(), month);
        }
    }
}

TEST_F(GZCountTest, TwoMonthsListMonthByMonthAndTheirFootersAdd) {
    DetailList older(db, prompter), newer(db, prompter);
    ASSERT_TRUE(older.ReadyGZList("202405", 0));
    ASSERT_TRUE(newer.ReadyGZList("202406", 0));
    count.rebuild({"202406", "202405"}, 0);
    const RecordSet& rows = count.list.dsGZDetail;
    ASSERT_EQ(rows.recordCount(), 5);
    QStringList order;
    for (int r = 0; r < rows.recordCount(); ++r) {
        order << rows.value(r, "GZMonth").toString() + rows.value(r, "EmpName").toString();
    }
    EXPECT_EQ(order,
              QStringList({"202405张伟", "202405王芳", "202406李娜", "202406张伟", "202406王芳"}));
    EXPECT_EQ(count.list.footerText(count.list.GetCol("EmpName")), "5条");
    for (const char* field : {"GZ1", "GZ5", "YFTotal", "KK1", "KKTotal", "GZTotal"}) {
        EXPECT_DOUBLE_EQ(footerNumber(count.list, field),
                         footerNumber(older, field) + footerNumber(newer, field))
            << field;
    }
    EXPECT_EQ(count.list.footerText(count.list.GetCol("GZTotal")), "14450");
}

TEST_F(GZCountTest, TheFirstCheckedMonthCaptionsTheColumns) {
    count.rebuild({"202406", "202405"}, 0);
    EXPECT_EQ(count.firstMonth(), "202406");
    const DetailLayout& layout = count.list.layout;
    EXPECT_EQ(layout.column(10).title, "应发工资|202406收入1");
    EXPECT_TRUE(layout.column(14).visible);  // GZ5: enabled in 202406 only
    EXPECT_FALSE(layout.column(15).visible);
    EXPECT_EQ(layout.column(42).title, "应扣/代扣工资|202406扣款2");
    // The older month's amount of GZ5 stands under the newer month's caption.
    const int gz5 = count.list.GetCol("GZ5");
    EXPECT_EQ(count.list.displayText(0, gz5), "0");
    EXPECT_EQ(count.list.displayText(1, gz5), "100");

    count.rebuild({"202405"}, 0);
    EXPECT_EQ(count.list.layout.column(10).title, "应发工资|202405收入1");
    EXPECT_FALSE(count.list.layout.column(14).visible);
}

TEST_F(GZCountTest, UncheckingTheLastMonthEmptiesTheList) {
    count.rebuild({"202405"}, 0);
    ASSERT_EQ(count.list.dsGZDetail.recordCount(), 2);
    count.rebuild({}, 0);
    EXPECT_FALSE(count.list.loaded());
    EXPECT_TRUE(count.firstMonth().isEmpty());
    EXPECT_EQ(count.list.footerText(count.list.GetCol("EmpName")), "0条");
    EXPECT_EQ(count.list.footerText(count.list.GetCol("GZTotal")), "0");
}

TEST_F(GZCountTest, AMonthKeyWithAQuoteIsMatchedAsTyped) {
    fixture::addMonth(db, "O'Brien");
    addRow("O'Brien", "销售部", "钱七", 500, 0, 0);
    count.rebuild({"O'Brien", "202405"}, 0);
    EXPECT_EQ(count.list.dsGZDetail.recordCount(), 3);
}

TEST_F(GZCountTest, AStructureThatCannotBeReadIsReported) {
    db.close();
    count.rebuild({"202405"}, 0);
    EXPECT_EQ(prompter.shown(), QStringList({"error: 读取数据库发生错误！"}));
    EXPECT_FALSE(count.list.loaded());
}
