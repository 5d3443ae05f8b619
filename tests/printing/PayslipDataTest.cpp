#include <gtest/gtest.h>

#include "Database.h"
#include "DetailList.h"
#include "PayslipData.h"
#include "QtPrinters.h"
#include "ReportError.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

class PayslipDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, "202405");
        fixture::addRow(db, "202405",
                        {{"DepartName", "生产部"},
                         {"EmpName", "王芳"},
                         {"WorkDays", 21.5},
                         {"GZ1", 1234.565},
                         {"GZTotal", 2.675}});
        fixture::addRow(db, "202405", {{"DepartName", "财务部"}, {"EmpName", "李娜"}});
        ASSERT_TRUE(list.ReadyGZList("202405", 1));
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
    const QString salary = PayslipData::salaryConnection();
    const QString para = PayslipData::parameterConnection();
};

}  // namespace

TEST_F(PayslipDataTest, SalaryRowsShowAsTheListShowsThemWithAmountsInTheDisplayFormat) {
    const PayslipData whole(list, {}, "0");
    const PayslipData decimals(list, {}, "0.00");
    EXPECT_EQ(whole.rowCount(salary), 2);
    EXPECT_EQ(whole.rowCount("rvdatasetconnection1"), 2);
    // Listed by department: 财务部 (cai) before 生产部 (sheng).
    EXPECT_EQ(whole.text(salary, 0, "EmpName"), "李娜");
    EXPECT_EQ(whole.text(salary, 1, "empname"), "王芳");
    EXPECT_EQ(whole.text(salary, 1, "SortIdx"), "2");
    EXPECT_EQ(whole.text(salary, 1, "WorkDays"), "21.50");
    EXPECT_EQ(whole.text(salary, 1, "GZ1"), "1235");
    EXPECT_EQ(decimals.text(salary, 1, "GZ1"), "1234.57");
    EXPECT_EQ(decimals.text(salary, 1, "GZTotal"), "2.68");
    EXPECT_EQ(decimals.text(salary, 0, "GZ1"), "");  // never entered
    EXPECT_EQ(whole.text(salary, 1, " "), "");
    EXPECT_EQ(whole.text(salary, 1, "SelectStu"), "0");  // a column the grid does not show
    EXPECT_THROW(whole.text(salary, 1, "GZ31"), ReportError);
    EXPECT_THROW(whole.text("RvDataSetConnection9", 0, "EmpName"), ReportError);
    EXPECT_EQ(whole.rowCount("RvDataSetConnection9"), 0);
}

TEST_F(PayslipDataTest, TheParametersRowIsTheSecondConnection) {
    const PayslipData data(list, {{"EntName", "星光机械厂"}, {"JJUnit", "吨"}, {"BillHeight", {}}},
                           "0");
    EXPECT_EQ(data.rowCount(para), 1);
    EXPECT_EQ(data.text(para, 0, "entname"), "星光机械厂");
    EXPECT_EQ(data.text(para, 0, "JJUnit"), "吨");
    EXPECT_EQ(data.text(para, 0, "BillHeight"), "");
    EXPECT_THROW(data.text(para, 0, "Nothing"), ReportError);
    EXPECT_EQ(PayslipData(list, {}, "0").rowCount(para), 0);
}

TEST_F(PayslipDataTest, AFilteredListGivesOnlyItsShownRowsNumberedFromOne) {
    list.dsGZDetail.setValue(1, "SelectStu", 1);
    list.dsGZDetail.setFilter("SelectStu=1");
    const PayslipData data(list, {}, "0");
    EXPECT_EQ(data.rowCount(salary), 1);
    EXPECT_EQ(data.text(salary, 0, "EmpName"), "王芳");
    EXPECT_EQ(data.text(salary, 0, "SortIdx"), "1");
}
