#include "StartupLogin.h"

#include <QDir>
#include <QFileInfo>

#include "FileError.h"
#include "GbkText.h"
#include "Prompter.h"
#include "Pub.h"

namespace {

// The marker holds the month grid's column layout; only its existence is ever looked at.
const char* const kMonthGridLayout =
    "[DBGridEh1]\n"
    "ID=编号\n"
    "GZMonth=发放月度\n";

}  // namespace

bool StartupLogin::Login(const QString& logPass, const LoginPassword::Asker& ask,
                         Prompter& prompter) {
    return LoginPassword::Check(logPass, LoginPassword::loginPrompt(), ask, prompter);
}

bool StartupLogin::FormActivate(const QString& appPath, const QString& logPass,
                                const LoginPassword::Asker& ask, Prompter& prompter,
                                const std::function<void()>& showRows) {
    if (!Login(logPass, ask, prompter)) return false;
    if (showRows) showRows();
    FirstRunNotice(appPath, prompter);
    return true;
}

QString StartupLogin::markerPath(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("NotFirst.txt"));
}

QString StartupLogin::helpPage(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("Help/LarkGZ.htm"));
}

bool StartupLogin::FirstRunNotice(const QString& appPath, Prompter& prompter) {
    if (QFileInfo::exists(markerPath(appPath))) return false;
    prompter.info(QStringLiteral("您是首次运行本软件，点击确认按钮然后查看软件使用动画说明！"));
    OpenInBrowser(helpPage(appPath));
    try {
        GbkText::writeTextFile(markerPath(appPath), QString::fromUtf8(kMonthGridLayout));
    } catch (const FileError&) {
        // A read-only program folder: the notice simply comes again next time.
    }
    return true;
}
