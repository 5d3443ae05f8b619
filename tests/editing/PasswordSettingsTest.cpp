#include <gtest/gtest.h>

#include "AppState.h"
#include "LoginPassword.h"
#include "PasswordSettings.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

using Outcome = PasswordSettings::Outcome;

namespace {

class PasswordSettingsTest : public ::testing::Test {
  protected:
    QVariant stored() { return dm.ADOLocal.query("select LogPass from TPara").rows.at(0).at(0); }
    void store(const QVariant& password) {
        dm.ADOLocal.exec("update TPara set LogPass=?", {password});
    }

    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
    TAppParams params;
    PasswordSettings settings{dm.ADOLocal, prompter, params};
};

}  // namespace

TEST_F(PasswordSettingsTest, InitialPasswordIsTheOldOneToType) {
    ASSERT_EQ(stored().toString(), "746");
    EXPECT_EQ(settings.CheckPass("746", "Secret", "Secret"), Outcome::Close);
    EXPECT_EQ(prompter.shown(), QStringList{"info: 修改密码成功！"});
    EXPECT_EQ(stored().toString(), "Secret");
    EXPECT_EQ(params.LogPass, "Secret");
    EXPECT_TRUE(LoginPassword::Required(params.LogPass));
}

TEST_F(PasswordSettingsTest, EmptyStoredPasswordWantsAnEmptyOldOne) {
    for (const QVariant& none : {QVariant(QString()), QVariant()}) {
        store(none);
        prompter.clear();
        EXPECT_EQ(settings.CheckPass("746", "x", "x"), Outcome::ClearOld);
        EXPECT_EQ(prompter.shown(), QStringList{"warning: 要修改密码，必须输入正确的原密码！"});
        EXPECT_EQ(settings.CheckPass("", "x", "x"), Outcome::Close);
        EXPECT_EQ(stored().toString(), "x");
    }
}

TEST_F(PasswordSettingsTest, MismatchIsRefusedBeforeAnythingElse) {
    EXPECT_EQ(settings.CheckPass("wrong", "Abc", "abc"), Outcome::ClearNew);
    EXPECT_EQ(prompter.shown(), QStringList{"warning: 新密码与确认输入的新密码不一致！"});
    EXPECT_EQ(stored().toString(), "746");
    EXPECT_EQ(params.LogPass, "");
}

TEST_F(PasswordSettingsTest, OldPasswordIsComparedExactly) {
    store("Secret");
    params.LogPass = "Secret";
    EXPECT_EQ(settings.CheckPass("secret", "n", "n"), Outcome::ClearOld);
    EXPECT_EQ(settings.CheckPass("Secret ", "n", "n"), Outcome::ClearOld);
    EXPECT_EQ(stored().toString(), "Secret");
    EXPECT_EQ(params.LogPass, "Secret");
}

TEST_F(PasswordSettingsTest, EmptyOrInitialNewPasswordMeansNoPassword) {
    struct Case {
        const char* next;
    };
    store("Secret");
    QString old = "Secret";
    for (const Case c : {Case{""}, Case{"746"}}) {
        SCOPED_TRACE(c.next);
        ASSERT_EQ(settings.CheckPass(old, c.next, c.next), Outcome::Close);
        EXPECT_EQ(stored().toString(), c.next);
        EXPECT_EQ(params.LogPass, c.next);
        EXPECT_FALSE(LoginPassword::Required(params.LogPass));
        // After a restart the parameter load reads the same rule.
        TAppParams restarted;
        ASSERT_TRUE(LoadRegPara(dm, restarted));
        EXPECT_FALSE(LoginPassword::Required(restarted.LogPass));
        dm.dsPara.close();
        old = c.next;
    }
}

TEST_F(PasswordSettingsTest, FailedWriteKeepsThePasswordInForce) {
    store("Secret");
    params.LogPass = "Secret";
    dm.ADOLocal.execScript(
        "CREATE TRIGGER ro BEFORE UPDATE ON TPara BEGIN SELECT RAISE(ABORT, 'read-only'); END;");
    EXPECT_EQ(settings.CheckPass("Secret", "n", "n"), Outcome::Close);
    EXPECT_EQ(prompter.shown(), QStringList{"error: 存储数据发生错误！"});
    EXPECT_EQ(stored().toString(), "Secret");
    EXPECT_EQ(params.LogPass, "Secret");
}

TEST_F(PasswordSettingsTest, UnreadableParametersAreReported) {
    dm.ADOLocal.execScript("DROP TABLE TPara;");
    EXPECT_EQ(settings.CheckPass("746", "n", "n"), Outcome::Stay);
    EXPECT_EQ(prompter.shown(), QStringList{"error: 读取数据文件发生错误！"});
}

TEST_F(PasswordSettingsTest, HintText) {
    EXPECT_EQ(PasswordSettings::hintLines(),
              (QStringList{"如果密码修改为初始密码为空（或746），则表示",
                           "登陆不需要输入密码！否则，表示登陆（清除数据",
                           "以及还原数据）需要输入密码。"}));
}
