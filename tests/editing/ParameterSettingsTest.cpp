#include <gtest/gtest.h>

#include "AppState.h"
#include "ParameterSettings.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

namespace {

class ParameterSettingsTest : public ::testing::Test {
  protected:
    QVariant stored(const char* column) {
        return dm.ADOLocal.query(QStringLiteral("select %1 from TPara").arg(column))
            .rows.at(0)
            .at(0);
    }

    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
    TAppParams params;
    ParameterSettings settings{dm, prompter, params};
};

}  // namespace

TEST_F(ParameterSettingsTest, OpensWithTheStoredValues) {
    dm.ADOLocal.exec(
        "update TPara set EntName='青禾公司', BillHeight=150.5, TopPos=7, "
        "PrintDays=3, ShowFloat=1, ShowXH=2, NameOnTitle=1, JJUnit='吨'");
    const ParameterValues v = settings.FormCreate();
    EXPECT_EQ(v.EntName, "青禾公司");
    EXPECT_EQ(v.BillHeight, "150.50");
    EXPECT_EQ(v.TopPos, 7);
    EXPECT_EQ(v.PrintDays, 3);
    EXPECT_EQ(v.ShowFloat, 1);
    EXPECT_EQ(v.ShowXH, 2);
    EXPECT_EQ(v.NameOnTitle, 1);
    EXPECT_EQ(v.JJUnit, "吨");
}

TEST_F(ParameterSettingsTest, MissingOrUnusableValuesOpenAsDefaults) {
    dm.ADOLocal.exec(
        "update TPara set BillHeight=NULL, TopPos=NULL, PrintDays=NULL, "
        "ShowFloat=7, ShowXH=-1, NameOnTitle='x'");
    ParameterValues v = settings.FormCreate();
    EXPECT_EQ(v.BillHeight, "296.78");
    EXPECT_EQ(v.TopPos, 2);
    EXPECT_EQ(v.PrintDays, 0);
    EXPECT_EQ(v.ShowFloat, 0);
    EXPECT_EQ(v.ShowXH, 0);
    EXPECT_EQ(v.NameOnTitle, 0);
    dm.ADOLocal.exec("update TPara set TopPos='宽', BillHeight=''");
    v = settings.FormCreate();
    EXPECT_EQ(v.TopPos, 2);
    EXPECT_EQ(v.BillHeight, "296.78");
    dm.ADOLocal.exec("update TPara set TopPos=35");
    EXPECT_EQ(settings.FormCreate().TopPos, 20);
}

TEST_F(ParameterSettingsTest, PaperPresetsAndTheHeightStored) {
    struct Case {
        const char* name;
        const char* shown;
        double stored;
    };
    const Case cases[] = {
        {"A4", "296.78", 296.78}, {"A5", "209.85", 209.85}, {"B5", "256.80", 256.8}};
    const std::vector<PaperPreset> presets = ParameterSettings::paperPresets();
    ASSERT_EQ(presets.size(), std::size(cases));
    for (std::size_t i = 0; i < presets.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(presets[i].name, cases[i].name);
        ParameterValues v = settings.FormCreate();
        v.BillHeight = ParameterSettings::heightText(presets[i].height);
        EXPECT_EQ(v.BillHeight, cases[i].shown);
        ASSERT_TRUE(settings.cmdSHClick(v));
        EXPECT_EQ(stored("BillHeight").toDouble(), cases[i].stored);
    }
}

TEST_F(ParameterSettingsTest, HeightBelowTheMinimumIsRefused) {
    ParameterValues v = settings.FormCreate();
    v.BillHeight = "42.99";
    EXPECT_FALSE(settings.cmdSHClick(v));
    EXPECT_EQ(prompter.shown(), QStringList{"warning: 工资条的最小高度为43毫米！"});
    EXPECT_EQ(stored("BillHeight").toDouble(), 296.78);
    v.BillHeight = "  .  ";
    EXPECT_FALSE(settings.cmdSHClick(v));
    v.BillHeight = "43.00";
    prompter.clear();
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_EQ(stored("BillHeight").toDouble(), 43.0);
    // Decimals beyond two are rounded as the edit shows them.
    v.BillHeight = "100.125";
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_EQ(stored("BillHeight").toDouble(), 100.13);
}

TEST_F(ParameterSettingsTest, PieceWorkNeedsAUnit) {
    ParameterValues v = settings.FormCreate();
    v.PrintDays = 3;
    v.JJUnit = "   ";
    EXPECT_FALSE(settings.cmdSHClick(v));
    EXPECT_EQ(prompter.shown(), QStringList{"warning: 您选择了其他计件，请指定计件单位！"});
    EXPECT_EQ(stored("PrintDays").toInt(), 1);

    v.PrintDays = 1;
    v.JJUnit = "";
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_EQ(v.JJUnit, " ");
    EXPECT_EQ(stored("JJUnit").toString(), " ");
    // A unit is stored as typed, blanks and all.
    v.PrintDays = 3;
    v.JJUnit = " 吨";
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_EQ(stored("JJUnit").toString(), " 吨");
    EXPECT_EQ(stored("PrintDays").toInt(), 3);
}

TEST_F(ParameterSettingsTest, CompanyNameIsTrimmedAndStoredWithItsQuotes) {
    ParameterValues v = settings.FormCreate();
    v.EntName = "  O'Brien 公司  ";
    v.BillHeight = "10.00";
    EXPECT_FALSE(settings.cmdSHClick(v));
    EXPECT_EQ(v.EntName, "O'Brien 公司");  // shown trimmed even though refused
    EXPECT_EQ(stored("EntName").toString(), "");
    v.BillHeight = "200.00";
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_EQ(stored("EntName").toString(), "O'Brien 公司");
    EXPECT_EQ(params.EntName, "O'Brien 公司");
}

TEST_F(ParameterSettingsTest, SavedValuesReachTheParametersSet) {
    ASSERT_TRUE(LoadRegPara(dm, params));
    ParameterValues v = settings.FormCreate();
    v.ShowFloat = 0;
    v.ShowXH = 2;
    v.NameOnTitle = 1;
    v.TopPos = 9;
    ASSERT_TRUE(settings.cmdSHClick(v));
    // The set was reopened, so the main window's reload sees the new row.
    TAppParams reloaded;
    ASSERT_TRUE(LoadRegPara(dm, reloaded));
    EXPECT_EQ(reloaded.ShowFloat, 0);
    EXPECT_EQ(reloaded.ShowXH, 2);
    EXPECT_EQ(reloaded.NameOnTitle, 1);
    EXPECT_EQ(reloaded.TopPos, 9);
    EXPECT_EQ(AmountFormat(reloaded), "0");
}

TEST_F(ParameterSettingsTest, FailedUpdateIsReported) {
    dm.ADOLocal.execScript(
        "CREATE TRIGGER ro BEFORE UPDATE ON TPara BEGIN SELECT RAISE(ABORT, 'read-only'); END;");
    ParameterValues v = settings.FormCreate();
    v.EntName = "新名称";
    EXPECT_FALSE(settings.cmdSHClick(v));
    EXPECT_EQ(prompter.shown(), QStringList{"error: 存储数据发生错误！"});
    EXPECT_EQ(stored("EntName").toString(), "");
    EXPECT_EQ(params.EntName, "");
}

TEST_F(ParameterSettingsTest, MissingRowIsCreatedRatherThanLostSilently) {
    dm.ADOLocal.exec("delete from TPara");
    ParameterValues v = settings.FormCreate();
    v.EntName = "公司";
    ASSERT_TRUE(settings.cmdSHClick(v));
    EXPECT_EQ(stored("EntName").toString(), "公司");
    EXPECT_EQ(stored("BillHeight").toDouble(), 296.78);
}

TEST_F(ParameterSettingsTest, ListTexts) {
    EXPECT_EQ(
        ParameterSettings::printDaysItems(),
        (QStringList{"不打印", "打印为日单价(最多10应发 5应扣项目)",
                     "打印为小时单价(最多10应发 5应扣项目)", "其他计件(最多10应发 5应扣项目)"}));
    EXPECT_EQ(ParameterSettings::showFloatItems(), (QStringList{"不打印/显示", "打印/显示"}));
    EXPECT_EQ(ParameterSettings::showXHItems(),
              (QStringList{"不打印/显示", "打印/显示序号", "打印/显示职员编码"}));
    EXPECT_EQ(ParameterSettings::nameOnTitleItems(),
              (QStringList{"不打印", "打印(用于加密工资条加密部分以外的工资条区分)"}));
    EXPECT_EQ(ParameterSettings::unitSuggestions(), (QStringList{"件", "套", "方", "米", "吨"}));
}
