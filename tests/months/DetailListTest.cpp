#include <gtest/gtest.h>

#include <QDateTime>

#include "Database.h"
#include "DetailList.h"
#include "MonthCopy.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

using fixture::count;

namespace {

class DetailListTest : public ::testing::Test {
  protected:
    void SetUp() override { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }

    QStringList visibleTitles() const {
        QStringList titles;
        for (const DetailColumn& c : list.layout.columns()) {
            if (c.visible) titles << c.title;
        }
        return titles;
    }
    int visibleIn(int first, int last) const {
        int shown = 0;
        for (int i = first; i <= last; ++i) shown += list.layout.column(i).visible ? 1 : 0;
        return shown;
    }
    QStringList column(const char* field) const {
        QStringList values;
        for (int r = 0; r < list.dsGZDetail.recordCount(); ++r) {
            values << list.displayText(r, list.GetCol(field));
        }
        return values;
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
};

}  // namespace

TEST_F(DetailListTest, LayoutHasSixtyOneColumnsInFixedPlaces) {
    const DetailLayout& layout = list.layout;
    ASSERT_EQ(layout.size(), 61);
    struct Case {
        int position;
        const char* field;
    };
    const Case cases[] = {{0, "ID"},    {1, "SortIdx"},  {5, "EmpName"},  {9, "OneDayMOney"},
                          {10, "GZ1"},  {39, "GZ30"},    {40, "YFTotal"}, {41, "KK1"},
                          {55, "KK15"}, {56, "KKTotal"}, {57, "GZTotal"}, {60, "LOGTime"}};
    for (const Case& c : cases) {
        EXPECT_EQ(layout.column(c.position).field, c.field);
        EXPECT_EQ(layout.GetCol(QString(c.field).toLower()), c.position);
    }
    EXPECT_EQ(layout.GetCol("Nothing"), -1);
    EXPECT_FALSE(layout.column(0).visible);
    EXPECT_EQ(layout.column(40).group(), "应发工资");
    EXPECT_EQ(layout.column(56).caption(), "合计");
    EXPECT_EQ(layout.column(57).group(), "");
}

TEST_F(DetailListTest, ColumnsFollowTheMonthsOwnStructureOrTheTemplate) {
    fixture::addStructure(db, "own", 20, 10);
    ASSERT_TRUE(list.ReadyGrid("own", 0));
    EXPECT_EQ(visibleIn(10, 39), 20);
    EXPECT_EQ(visibleIn(41, 55), 10);
    EXPECT_EQ(list.layout.column(10).title, "应发工资|own收入1");
    EXPECT_EQ(list.layout.column(29).title, "应发工资|own收入20");
    EXPECT_FALSE(list.layout.column(30).visible);
    EXPECT_EQ(list.layout.column(41).title, "应扣/代扣工资|own扣款1");

    ASSERT_TRUE(list.ReadyGrid("no-structure", 0));
    EXPECT_EQ(visibleIn(10, 39), 10);
    EXPECT_EQ(visibleIn(41, 55), 5);
    EXPECT_EQ(list.layout.column(10).title, "应发工资|基本工资");
    EXPECT_EQ(list.layout.column(45).title, "应扣/代扣工资|个人所得税");
}

TEST_F(DetailListTest, DeductionTotalFollowsTheDeductions) {
    fixture::addStructure(db, "none", 3, 0);
    fixture::addStructure(db, "some", 3, 1);
    const QString months[] = {"none", "some", "none"};
    for (const QString& m : months) {
        ASSERT_TRUE(list.ReadyGrid(m, 0));
        EXPECT_EQ(list.layout.column(DetailLayout::DeductionTotal).visible, m == "some")
            << m.toStdString();
        EXPECT_TRUE(list.layout.column(DetailLayout::EarningTotal).visible);
    }
}

TEST_F(DetailListTest, AttendanceColumnsFollowPrintDays) {
    struct Case {
        int printDays;
        QStringList shown;
    };
    const Case cases[] = {
        {0, {}}, {1, {"出勤天数", "工资/天"}}, {2, {"出勤天数", "出勤小时", "工资/小时"}},
        {3, {}}, {1, {"出勤天数", "工资/天"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(list.ReadyGrid("m", c.printDays));
        QStringList shown;
        for (int i = 7; i <= 9; ++i) {
            if (list.layout.column(i).visible) shown << list.layout.column(i).title;
        }
        EXPECT_EQ(shown, c.shown) << c.printDays;
    }
}

TEST_F(DetailListTest, LoadsTheMonthByDepartmentAndNameAndClearsPrintMarks) {
    fixture::addRow(db, "m", {{"DepartName", "生产部"}, {"EmpName", "张三"}, {"SelectStu", 1}});
    fixture::addRow(db, "m", {{"DepartName", "财务部"}, {"EmpName", "王五"}});
    fixture::addRow(db, "m", {{"DepartName", "生产部"}, {"EmpName", "李四"}});
    // A mark left unset (NULL) counts as a mark to clear, as any value other than 0 does.
    fixture::addRow(db, "m", {{"DepartName", "质检部"}, {"EmpName", "赵六"}, {"SelectStu", {}}});
    fixture::addRow(db, "m", {{"DepartName", "质检部"}, {"EmpName", "钱七"}, {"SelectStu", 2}});
    fixture::addRow(db, "other", {{"EmpName", "外人"}, {"SelectStu", 1}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    EXPECT_EQ(column("EmpName"), (QStringList{"王五", "李四", "张三", "钱七", "赵六"}));
    EXPECT_EQ(column("SortIdx"), (QStringList{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(count(db, "select count(*) from TGZ where SelectStu=1"), 1);
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='m' and SelectStu=0"), 5);
    // With no mark left, loading writes nothing.
    db.execScript(
        "create temp table written (id integer);"
        "create temp trigger count_writes after update on TGZ begin "
        "insert into written values (new.ID); end;");
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    EXPECT_EQ(count(db, "select count(*) from written"), 0);
    EXPECT_EQ(list.dsGZDetail.recordCount(), 5);
    EXPECT_EQ(list.caption(), "月度[m]工资发放明细表");
}

TEST_F(DetailListTest, FooterAndCellsUseTheAmountFormat) {
    fixture::addRow(db, "m",
                    {{"EmpName", "甲"},
                     {"GZ1", 100.4},
                     {"GZTotal", 100.4},
                     {"LOGTime", "2026-12-01 08:05:00"}});
    fixture::addRow(db, "m", {{"EmpName", "乙"}, {"GZ1", 100.4}, {"GZTotal", 2.675}});
    ASSERT_TRUE(list.ReadyGZList("m", 1));
    EXPECT_EQ(list.footerText(1), "合计");
    EXPECT_EQ(list.footerText(5), "2条");
    EXPECT_EQ(list.footerText(10), "201");
    EXPECT_EQ(list.footerText(3), "");
    EXPECT_EQ(list.displayText(0, 60), "26-12-01 08:05");
    EXPECT_EQ(list.displayText(1, 11), "");  // an empty amount shows nothing
    list.layout.setAmountFormat("0.00");
    EXPECT_EQ(list.footerText(10), "200.80");
    EXPECT_EQ(list.displayText(1, DetailLayout::NetPay), "2.68");
    EXPECT_EQ(list.layout.column(7).format, "0.00");  // attendance formats stay their own
    EXPECT_EQ(list.layout.column(8).format, "0.0");
}

TEST_F(DetailListTest, TitleClicksToggleTheDirectionProgramWide) {
    for (const char* name : {"乙", "甲", "丙"}) fixture::addRow(db, "m", {{"EmpName", name}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    const int name = list.GetCol("EmpName");
    list.titleClicked(name);
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(column("EmpName"), (QStringList{"丙", "甲", "乙"}));
    list.titleClicked(name);
    EXPECT_FALSE(list.sortAscending());
    EXPECT_EQ(column("EmpName"), (QStringList{"乙", "甲", "丙"}));
    EXPECT_EQ(column("SortIdx"), (QStringList{"1", "2", "3"}));
    list.titleClicked(list.GetCol("ID"));  // another column: the toggle goes on
    EXPECT_TRUE(list.sortAscending());
    EXPECT_EQ(list.dsGZDetail.sort(), "ID ASC");
    list.titleClicked(list.GetCol("SortIdx"));  // the row number cannot be sorted
    EXPECT_TRUE(list.sortAscending());
}

TEST_F(DetailListTest, ReCalcAllCountsOnlyEnabledItems) {
    fixture::addStructure(db, "m", 2, 1);
    fixture::addRow(db, "m", {{"GZ1", 3000}, {"GZ2", 500}, {"KK1", 200}});
    fixture::addRow(db, "m", {{"GZ1", 1000}, {"GZ3", 777}, {"KK2", 55}});  // GZ3, KK2 disabled
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    list.ReCalcAll();
    const QueryResult totals = db.query("select YFTotal, KKTotal, GZTotal from TGZ order by ID");
    EXPECT_EQ(totals.rows[0], (QVariantList{3500.0, 200.0, 3300.0}));
    EXPECT_EQ(totals.rows[1], (QVariantList{1000.0, 0.0, 1000.0}));
    EXPECT_EQ(list.dsGZDetail.recNo(), 1);  // ends on the last row
    EXPECT_DOUBLE_EQ(db.query("select GZ3 from TGZ where ID=2").rows[0][0].toDouble(), 777);
}

TEST_F(DetailListTest, ReCalcAllThatCannotWriteSaysSoAndKeepsNothing) {
    fixture::addStructure(db, "m", 2, 1);
    fixture::addRow(db, "m", {{"EmpName", "甲"}, {"GZ1", 3000}, {"YFTotal", 0}});
    fixture::addRow(db, "m", {{"EmpName", "乙"}, {"GZ1", 1000}, {"YFTotal", 0}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    db.execScript(
        "CREATE TRIGGER no_total BEFORE UPDATE OF YFTotal ON TGZ WHEN old.EmpName='乙' "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    EXPECT_FALSE(list.ReCalcAll());
    EXPECT_EQ(count(db, "select count(*) from TGZ where YFTotal=0"), 2);
    EXPECT_FALSE(list.dsGZDetail.hasPendingChanges());
    EXPECT_DOUBLE_EQ(list.dsGZDetail.value(0, "YFTotal").toDouble(), 0);
    db.execScript("DROP TRIGGER no_total");
    EXPECT_TRUE(list.ReCalcAll());
    EXPECT_EQ(count(db, "select count(*) from TGZ where YFTotal=0"), 0);
}

// Rows whose totals already hold the figures are not written again; a failing write is told
// to the caller and the list goes back to the stored totals.
TEST_F(DetailListTest, ReCalcAllWritesOnlyStaleTotalsAndTellsAFailedWrite) {
    fixture::addStructure(db, "m", 1, 1);
    fixture::addRow(
        db, "m",
        {{"GZ1", 3000}, {"KK1", 200}, {"YFTotal", 3000}, {"KKTotal", 200}, {"GZTotal", 2800}});
    fixture::addRow(
        db, "m",
        {{"GZ1", 1000}, {"YFTotal", 1000}, {"KKTotal", 0}, {"GZTotal", 999}});  // stale net pay
    fixture::addRow(db, "m", {{"GZ1", 500}});                                   // no totals at all
    db.execScript(
        "create temp table written (id integer);"
        "create temp trigger count_writes after update on TGZ begin "
        "insert into written values (new.ID); end;");
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    EXPECT_TRUE(list.ReCalcAll());
    const QueryResult ids = db.query("select id from written order by id");
    ASSERT_EQ(ids.rows.size(), 2u);
    EXPECT_EQ(ids.rows[0][0].toInt(), 2);
    EXPECT_EQ(ids.rows[1][0].toInt(), 3);
    const QueryResult totals = db.query("select YFTotal, KKTotal, GZTotal from TGZ order by ID");
    EXPECT_EQ(totals.rows[1], (QVariantList{1000.0, 0.0, 1000.0}));
    EXPECT_EQ(totals.rows[2], (QVariantList{500.0, 0.0, 500.0}));
    EXPECT_TRUE(list.ReCalcAll());  // nothing stale is left
    EXPECT_EQ(count(db, "select count(*) from written"), 2);

    db.exec("update TGZ set GZ1=2000 where ID=1");
    db.execScript(
        "create temp trigger refuse before update on TGZ begin "
        "select raise(abort, 'disk full'); end;");
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    EXPECT_FALSE(list.ReCalcAll());
    EXPECT_FALSE(list.dsGZDetail.hasPendingChanges());
    EXPECT_EQ(db.query("select YFTotal from TGZ where ID=1").rows[0][0].toDouble(), 3000.0);
    EXPECT_EQ(list.displayText(0, list.GetCol("YFTotal")), "3000");
}

TEST_F(DetailListTest, WithheldRowsAreListedAgainUnread) {
    fixture::addRow(db, "m", {{"EmpName", "甲"}, {"GZTotal", 10}});
    fixture::addRow(db, "m", {{"EmpName", "乙"}, {"GZTotal", 20}});
    EXPECT_FALSE(list.showWithheld());  // nothing loaded, nothing to show
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    list.dsGZDetail.setRecNo(1);
    list.withhold();
    EXPECT_FALSE(list.loaded());
    EXPECT_EQ(list.footerText(5), "0条");
    EXPECT_EQ(list.caption(), "月度[m]工资发放明细表");
    list.withhold();  // twice is once
    db.exec("delete from TGZ where EmpName='甲'");
    EXPECT_TRUE(list.showWithheld());
    EXPECT_TRUE(list.loaded());
    EXPECT_EQ(column("EmpName"), (QStringList{"甲", "乙"}));
    EXPECT_EQ(list.dsGZDetail.recNo(), 1);
    EXPECT_FALSE(list.showWithheld());

    list.withhold();
    list.clear();  // a closed list has nothing withheld
    EXPECT_FALSE(list.showWithheld());
    EXPECT_FALSE(list.loaded());
}

TEST_F(DetailListTest, DeleteCurrentAsksFirst) {
    fixture::addRow(db, "m", {{"EmpName", "甲"}});
    fixture::addRow(db, "m", {{"EmpName", "乙"}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    prompter.queueConfirm(false);
    EXPECT_FALSE(list.deleteCurrent());
    prompter.queueConfirm(true);
    EXPECT_TRUE(list.deleteCurrent());
    EXPECT_EQ(prompter.shown().last(), "confirm: 您确认删除选定的工资记录吗？");
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 1);
    EXPECT_EQ(list.dsGZDetail.recordCount(), 1);
}

TEST_F(DetailListTest, BatchDeleteRemovesTheSelectedRowsTogether) {
    for (int i = 0; i < 5; ++i) fixture::addRow(db, "m", {{"EmpName", QString::number(i)}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    prompter.queueConfirm(true);
    ASSERT_TRUE(list.deleteRows({1, 3, 3}));
    EXPECT_EQ(
        prompter.shown().last(),
        "confirm: 您确认删除选定的工资记录吗？\n批量删除一般用于期初批量导入数据出错的情况！");
    EXPECT_EQ(column("EmpName"), (QStringList{"0", "2", "4"}));
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 3);

    db.execScript(
        "CREATE TRIGGER no_delete BEFORE DELETE ON TGZ WHEN old.EmpName='4' "
        "BEGIN SELECT RAISE(ABORT, 'locked'); END;");
    prompter.queueConfirm(true);
    EXPECT_FALSE(list.deleteRows({0, 2}));
    EXPECT_EQ(prompter.shown().last(), "error: 删除数据过程中出现错误！");
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 3);
    EXPECT_EQ(column("EmpName"), (QStringList{"0", "2", "4"}));
}

TEST_F(DetailListTest, CopiedRowKeepsEverythingButKeyAndEntryTime) {
    EXPECT_FALSE(list.copyCurrent());
    EXPECT_EQ(prompter.shown().last(), "warning: 没有可复制的职员工资数据记录！");
    fixture::addRow(db, "m",
                    {{"EmpName", "O'Neil"},
                     {"GZ1", 3000.5},
                     {"YFTotal", 3000.5},
                     {"GZTotal", 3000.5},
                     {"QM", "备注"},
                     {"SelectStu", 1},
                     {"LOGTime", "2020-01-01 00:00:00"}});
    ASSERT_TRUE(list.ReadyGZList("m", 0));
    prompter.queueConfirm(true);
    ASSERT_TRUE(list.copyCurrent());
    const QueryResult rows = db.query(
        "select ID, GZMonth, EmpName, GZ1, YFTotal, GZTotal, QM, LOGTime from TGZ order by ID");
    ASSERT_EQ(rows.rows.size(), 2u);
    const QVariantList& copy = rows.rows[1];
    EXPECT_NE(copy[0], rows.rows[0][0]);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(copy[i], rows.rows[0][i]) << i;
    const QDateTime entered = QDateTime::fromString(copy[7].toString(), "yyyy-MM-dd HH:mm:ss");
    EXPECT_LE(qAbs(entered.secsTo(QDateTime::currentDateTime())), 60);
}

TEST_F(DetailListTest, MonthCopyBringsRowsAndStructure) {
    fixture::addStructure(db, "src", 3, 2);
    for (int i = 0; i < 25; ++i) {
        fixture::addRow(db, "src",
                        {{"EmpName", QString("员工%1").arg(i)},
                         {"GZ1", 1000 + i},
                         {"YFTotal", 1000 + i},
                         {"GZTotal", 1000 + i}});
    }
    const auto chooser = [] { return std::optional<QString>("src"); };
    ASSERT_TRUE(MonthCopy::Button9Click(db, prompter, "dst", false, chooser));
    EXPECT_TRUE(prompter.shown().isEmpty());  // an empty target is not asked about
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='dst'"), 25);
    EXPECT_EQ(count(db,
                    "select count(*) from TGZ a join TGZ b on a.EmpName=b.EmpName and "
                    "a.GZ1=b.GZ1 and a.GZTotal=b.GZTotal where a.GZMonth='dst' and "
                    "b.GZMonth='src' and a.ZWName=' ' and a.LOGTime is not null"),
              25);
    ASSERT_TRUE(list.ReadyGZList("dst", 0));
    EXPECT_EQ(list.layout.column(10).title, "应发工资|src收入1");
    EXPECT_EQ(visibleTitles().filter("src").size(), 5);

    // A target with rows is asked about; No changes nothing.
    prompter.queueConfirm(false);
    EXPECT_FALSE(MonthCopy::Button9Click(db, prompter, "dst", true, chooser));
    EXPECT_EQ(prompter.shown().last(),
              "confirm: 月度数据复制应针对新的月度！您确认继续复制吗？\n"
              "选定月度下已经有数据，可能会造成数据重复！");
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='dst'"), 25);

    EXPECT_FALSE(MonthCopy::Button9Click(db, prompter, "", false, chooser));
    EXPECT_EQ(prompter.shown().last(),
              "warning: 请首先增加新的工资发放月度作为数据复制的目的月度！");
}

TEST_F(DetailListTest, FailedMonthCopyWritesNothing) {
    for (int i = 0; i < 3; ++i) fixture::addRow(db, "src", {{"EmpName", QString::number(i)}});
    db.execScript(
        "CREATE TRIGGER no_third BEFORE INSERT ON TGZ WHEN new.EmpName='2' "
        "BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
    const auto chooser = [] { return std::optional<QString>("src"); };
    EXPECT_FALSE(MonthCopy::Button9Click(db, prompter, "dst", false, chooser));
    EXPECT_EQ(prompter.shown().last(), "error: 复制数据失败！");
    EXPECT_EQ(count(db, "select count(*) from TGZ where GZMonth='dst'"), 0);
}
