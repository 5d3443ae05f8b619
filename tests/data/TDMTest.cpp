#include <gtest/gtest.h>

#include <QFile>

#include "AppState.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

namespace {

class TDMTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dm.ADOLocal.exec("insert into TGZMonth (GZMonth) values ('202401')");
        for (const char* depart : {"生产部", "", "财务部", "生产部"}) {
            dm.ADOLocal.exec("insert into TGZ (GZMonth, DepartName) values ('202401', ?)",
                             {depart});
        }
        dm.ADOLocal.exec("insert into TGZ (GZMonth, DepartName) values ('202401', NULL)");
    }
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
};

}  // namespace

TEST_F(TDMTest, OpensTheProgramFoldersDatabaseSilently) {
    EXPECT_TRUE(dm.connected());
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(TDMTest, GetDataBySQLGivesTextOrEmpty) {
    const QString rename = "select GZMonth from TGZMonth where GZMonth=? and ID<>?";
    EXPECT_EQ(dm.GetDataBySQL(rename, {"202401", 0}), "202401");
    EXPECT_EQ(dm.GetDataBySQL(rename, {"202402", 0}), "");          // no such month
    EXPECT_EQ(dm.GetDataBySQL("select GZMonth frm TGZMonth"), "");  // malformed
    EXPECT_EQ(dm.GetDataBySQL("select NULL"), "");
    EXPECT_EQ(dm.GetDataBySQL("select BillHeight from TPara"), "296.78");
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(TDMTest, GetDataBySQLToItemsSkipsEmptyValues) {
    QStringList items{"old"};
    dm.GetDataBySQLToItems(
        "Select Distinct DepartName from TGZ where GZMonth=? order by DepartName", items, true,
        {"202401"});
    EXPECT_EQ(items, (QStringList{"财务部", "生产部"}));

    dm.GetDataBySQLToItems("select DepartName from TGZ where ID=1", items, false);
    EXPECT_EQ(items, (QStringList{"财务部", "生产部", "生产部"}));

    dm.GetDataBySQLToItems("select broken from", items, true);
    EXPECT_EQ(items.size(), 3);  // a failing query leaves the list alone, even with clear set
}

TEST_F(TDMTest, GetItemsBySQLKeepsEmptyValues) {
    QStringList items{"old"};
    dm.GetItemsBySQL("", items);
    EXPECT_EQ(items, QStringList{"old"});
    dm.GetItemsBySQL("select DepartName from TGZ order by ID", items);
    EXPECT_EQ(items, (QStringList{"生产部", "", "财务部", "生产部", ""}));
    dm.GetItemsBySQL("select broken from", items);
    EXPECT_EQ(items.size(), 5);
}

TEST_F(TDMTest, GetFltDataBySQLGivesZeroOnFailure) {
    EXPECT_DOUBLE_EQ(dm.GetFltDataBySQL("BillHeight from TPara"), 296.78);
    EXPECT_DOUBLE_EQ(dm.GetFltDataBySQL("EntName from TPara where ID=-1"), 0);
    EXPECT_DOUBLE_EQ(dm.GetFltDataBySQL("nonsense from"), 0);
}

TEST(TDMStartTest, MissingOrBrokenDatabaseIsReportedOnce) {
    const QString message = TDM::missingDatabaseMessage();
    EXPECT_EQ(message,
              QStringLiteral("请确认您的程序是否安装正确，或者没有安装MDAC数据访问组件！"));
    for (bool broken : {false, true}) {
        TestFolder folder(false);
        if (broken) {
            QDir().mkpath(folder.file("db"));
            QFile file(Schema::databasePath(folder.path()));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'x'));
        }
        ScriptedPrompter prompter;
        TDM dm(folder.path(), prompter);
        EXPECT_FALSE(dm.connected());
        EXPECT_EQ(prompter.shown(), QStringList{"error: " + message}) << broken;
        // Everything afterwards fails quietly.
        EXPECT_EQ(dm.GetDataBySQL("select 1"), "");
        EXPECT_EQ(prompter.shown().size(), 1);
        EXPECT_FALSE(QFile::exists(Schema::databasePath(folder.path())) && !broken);
    }
}

TEST(LoadRegParaTest, ReadsTheParametersRow) {
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    dm.ADOLocal.exec(
        "update TPara set EntName=?, PrintDays=2, ShowFloat=0, TopPos=5, ShowXH=2, "
        "NameOnTitle=1, JJUnit=?, LogPass=?",
        {"青禾机械厂", "套", "secret"});
    TAppParams params;
    ASSERT_TRUE(LoadRegPara(dm, params));
    EXPECT_EQ(params.EntName, "青禾机械厂");
    EXPECT_EQ(params.PrintDays, 2);
    EXPECT_EQ(params.ShowFloat, 0);
    EXPECT_EQ(params.TopPos, 5);
    EXPECT_EQ(params.ShowXH, 2);
    EXPECT_EQ(params.NameOnTitle, 1);
    EXPECT_EQ(params.JJUnit, "套");
    EXPECT_EQ(params.LogPass, "secret");
    EXPECT_EQ(AmountFormat(params), "0");
}

TEST(LoadRegParaTest, InitialPasswordMeansNone) {
    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm(folder.path(), prompter);
    TAppParams params;
    ASSERT_TRUE(LoadRegPara(dm, params));
    EXPECT_EQ(params.LogPass, "");
    EXPECT_EQ(AmountFormat(params), "0.00");
}

TEST(LoadRegParaTest, UnreadableParametersKeepTheStartValues) {
    const TAppParams start;
    EXPECT_EQ(start.TopPos, 2);
    {
        TestFolder folder(false);
        ScriptedPrompter prompter;
        TDM dm(folder.path(), prompter);  // no database at all
        TAppParams params;
        EXPECT_FALSE(LoadRegPara(dm, params));
        EXPECT_EQ(params.TopPos, 2);
        EXPECT_EQ(params.PrintDays, 0);
        EXPECT_EQ(params.ShowFloat, 0);
        EXPECT_EQ(params.EntName, "");
        EXPECT_EQ(AmountFormat(params), "0");
    }
    {
        TestFolder folder;
        ScriptedPrompter prompter;
        TDM dm(folder.path(), prompter);
        dm.ADOLocal.exec("delete from TPara");  // a table without its row
        TAppParams params;
        EXPECT_TRUE(LoadRegPara(dm, params));
        EXPECT_EQ(params.TopPos, 2);
        EXPECT_EQ(params.JJUnit, "");
    }
    {
        // A value that cannot be read ends the reading; what came before it stays.
        TestFolder folder;
        ScriptedPrompter prompter;
        TDM dm(folder.path(), prompter);
        dm.ADOLocal.exec("update TPara set JJUnit='米', PrintDays=3, ShowFloat='x', TopPos=7");
        TAppParams params;
        EXPECT_TRUE(LoadRegPara(dm, params));
        EXPECT_EQ(params.JJUnit, "米");
        EXPECT_EQ(params.PrintDays, 3);
        EXPECT_EQ(params.ShowFloat, 0);
        EXPECT_EQ(params.TopPos, 2);
    }
}
