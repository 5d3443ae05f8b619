#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QUrl>

#include "CalculatorProgram.h"
#include "LoginPassword.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "StartupLogin.h"

namespace {

// Takes the place of the browser: notes the pages the program asks the desktop to open.
class PageRecorder : public QObject {
    Q_OBJECT

  public:
    PageRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~PageRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;

  public slots:
    void open(const QUrl& url) { urls << url; }
};

const QString kNotice =
    QStringLiteral("info: 您是首次运行本软件，点击确认按钮然后查看软件使用动画说明！");
const QString kLoginBox = QStringLiteral("input: 请输入登陆密码：|请输入登陆密码：|");

class StartupLoginTest : public ::testing::Test {
  protected:
    // The password box answered from the prompter's script, so every box is recorded.
    LoginPassword::Asker box() {
        return [this](const QString& caption, const QString& prompt) {
            return prompter.inputText(caption, prompt, QString()).value_or(QString());
        };
    }
    QString folder() const { return dir.path() + u'/'; }
    bool activate(const QString& logPass) {
        rowsShownAfter = -1;
        return StartupLogin::FormActivate(folder(), logPass, box(), prompter, [this] {
            rowsShownAfter = int(prompter.shown().size());
        });
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    PageRecorder pages;
    int rowsShownAfter = -1;  // how many texts had been shown when the rows came back
};

}  // namespace

TEST(LoginPasswordTest, PasswordRule) {
    struct Case {
        const char* stored;
        bool required;
    };
    for (const Case c : {Case{"", false}, Case{"746", false}, Case{"7460", true}, Case{" ", true},
                         Case{"abc", true}}) {
        EXPECT_EQ(LoginPassword::Required(c.stored), c.required) << c.stored;
    }
}

TEST(LoginPasswordTest, TypedTextMustMatchExactly) {
    struct Case {
        const char* typed;
        bool passes;
    };
    for (const Case c :
         {Case{"Pass1", true}, Case{"pass1", false}, Case{"Pass1 ", false}, Case{"", false}}) {
        ScriptedPrompter prompter;
        QStringList asked;
        const auto ask = [&](const QString& caption, const QString& prompt) {
            asked << caption + u'|' + prompt;
            return QString::fromUtf8(c.typed);
        };
        EXPECT_EQ(LoginPassword::Check("Pass1", LoginPassword::adminPrompt(), ask, prompter),
                  c.passes);
        EXPECT_EQ(asked, QStringList{"请输入登陆/管理密码：|请输入登陆/管理密码："});
        EXPECT_EQ(prompter.shown(),
                  c.passes ? QStringList() : QStringList{QStringLiteral("error: 密码错误！")});
    }
    // No password set: nobody is asked.
    ScriptedPrompter prompter;
    EXPECT_TRUE(LoginPassword::Check("746", LoginPassword::adminPrompt(), nullptr, prompter));
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(StartupLoginTest, WrongPasswordEndsBeforeRowsOrNotice) {
    for (const std::optional<QString>& answer :
         {std::optional<QString>(QStringLiteral("guess")), std::optional<QString>()}) {
        prompter.clear();
        prompter.queueInput(answer);
        EXPECT_FALSE(activate("Secret"));
        EXPECT_EQ(prompter.shown(), (QStringList{kLoginBox, "error: 密码错误！"}));
        EXPECT_EQ(rowsShownAfter, -1);
        EXPECT_FALSE(QFile::exists(StartupLogin::markerPath(folder())));
        EXPECT_TRUE(pages.urls.isEmpty());
    }
}

TEST_F(StartupLoginTest, RightPasswordThenRowsThenFirstRunNotice) {
    prompter.queueInput(QStringLiteral("Secret"));
    ASSERT_TRUE(activate("Secret"));
    EXPECT_EQ(prompter.shown(), (QStringList{kLoginBox, kNotice}));
    EXPECT_EQ(rowsShownAfter, 1);  // after the login box, before the notice
    EXPECT_EQ(pages.urls, QList<QUrl>{QUrl::fromLocalFile(dir.filePath("Help/LarkGZ.htm"))});
    EXPECT_TRUE(QFile::exists(dir.filePath("NotFirst.txt")));
}

TEST_F(StartupLoginTest, NoticeOnlyUntilTheMarkerExists) {
    for (const char* none : {"", "746"}) {
        prompter.clear();
        pages.urls.clear();
        ASSERT_TRUE(activate(none));  // no password box at all
        EXPECT_EQ(rowsShownAfter, 0);
        const bool first = QString(none).isEmpty();
        EXPECT_EQ(prompter.shown(), first ? QStringList{kNotice} : QStringList());
        EXPECT_EQ(pages.urls.size(), first ? 1 : 0);
    }
    // Deleting the marker brings the notice and the help page back.
    ASSERT_TRUE(QFile::remove(StartupLogin::markerPath(folder())));
    prompter.clear();
    pages.urls.clear();
    ASSERT_TRUE(activate(""));
    EXPECT_EQ(prompter.shown(), QStringList{kNotice});
    EXPECT_EQ(pages.urls.size(), 1);
}

TEST(CalculatorProgramTest, FirstInstalledCandidateIsChosen) {
    QTemporaryDir bin;
    const auto install = [&](const QString& name) {
        QFile file(bin.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    EXPECT_EQ(CalculatorProgram::find({bin.path()}), QString());
    install("xcalc");
    EXPECT_EQ(CalculatorProgram::find({bin.path()}), bin.filePath("xcalc"));
    install("kcalc");
    EXPECT_EQ(CalculatorProgram::find({bin.path()}), bin.filePath("kcalc"));
    install("notes");
    EXPECT_EQ(CalculatorProgram::find({bin.path()}), bin.filePath("kcalc"));
    EXPECT_TRUE(CalculatorProgram::candidates().contains("gnome-calculator"));
}

#include "StartupLoginTest.moc"
