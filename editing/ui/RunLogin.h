#pragma once

#include <QString>
#include <functional>

struct TAppParams;
class Prompter;
class QWidget;

// The main window's first activation: asks "请输入登陆密码：" in the password box when a
// password is set, then calls `showRows` so the window shows its salary rows again, then on
// the very first run shows the notice, opens Help/LarkGZ.htm and writes NotFirst.txt. False
// when the password was wrong ("密码错误！" has been shown): the program must end at once.
bool RunLogin(const QString& appPath, const TAppParams& params, Prompter& prompter, QWidget* parent,
              const std::function<void()>& showRows);

// The password box of "数据库还原" and "数据清除": "请输入登陆/管理密码：". True when no password
// is set or the right one was typed; otherwise "密码错误！" has been shown.
bool AskAdminPassword(const TAppParams& params, Prompter& prompter, QWidget* parent);
