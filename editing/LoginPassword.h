#pragma once

#include <QString>
#include <functional>

class Prompter;

// The one password that guards the login, the restore and the data clearing. An empty stored
// value and the initial value "746" both mean that no password is set.
class LoginPassword {
  public:
    LoginPassword() = delete;

    // The password box: shows `caption` and `prompt`, returns what was typed however the box
    // was closed.
    using Asker = std::function<QString(const QString& caption, const QString& prompt)>;

    static QString initialPassword() { return QStringLiteral("746"); }
    static QString loginPrompt() { return QStringLiteral("请输入登陆密码："); }
    static QString adminPrompt() { return QStringLiteral("请输入登陆/管理密码："); }

    static bool Required(const QString& logPass);

    // Asks for the password when one is set (the prompt serves as the box's caption too). A
    // text that differs from `logPass` in any character, letter case included, is told
    // "密码错误！" and gives false.
    static bool Check(const QString& logPass, const QString& prompt, const Asker& ask,
                      Prompter& prompter);
};
