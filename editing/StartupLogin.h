#pragma once

#include <QString>
#include <functional>

#include "LoginPassword.h"

class Prompter;

// What the main window does on its first activation, before any salary row is shown: the
// login, and on the very first run a notice and the help page.
class StartupLogin {
  public:
    StartupLogin() = delete;

    // The login and the first-run notice in their order: the password (when one is set), then
    // `showRows` lets the main window show its salary rows again, then the notice. False when
    // the password was wrong: the program must end, and neither the rows nor the notice have
    // been shown.
    static bool FormActivate(const QString& appPath, const QString& logPass,
                             const LoginPassword::Asker& ask, Prompter& prompter,
                             const std::function<void()>& showRows);

    // Asks "请输入登陆密码：" when a password is set. False when the answer is wrong (the user
    // has been told "密码错误！"): the program must end.
    static bool Login(const QString& logPass, const LoginPassword::Asker& ask, Prompter& prompter);

    // When the first-run marker is missing: tells the user, opens the help page in the browser
    // and writes the marker. True when the notice was shown. A marker that cannot be written
    // brings the notice back at the next start.
    static bool FirstRunNotice(const QString& appPath, Prompter& prompter);

    static QString markerPath(const QString& appPath);  // NotFirst.txt
    static QString helpPage(const QString& appPath);    // Help/LarkGZ.htm
};
