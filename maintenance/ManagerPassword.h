#pragma once

#include <QString>
#include <functional>

class Prompter;

// Asks for the password and gives the typed text; the window program passes its password box,
// tests a scripted answer.
using PasswordAsker = std::function<QString(const QString& caption)>;

// The login password guarding restore and data clearing.
class ManagerPassword {
  public:
    ManagerPassword() = delete;

    // "请输入登陆/管理密码：", the caption and prompt of the question.
    static QString caption();
    // A password is set when the stored one is neither empty nor "746", the initial password.
    static bool required(const QString& logPass);
    // Asks when a password is set; a text that differs from it (letter case counts) is told with
    // "密码错误！". True when the guarded operation may go on.
    static bool check(const QString& logPass, const PasswordAsker& ask, Prompter& prompter);
};
