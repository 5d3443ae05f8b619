#include "ManagerPassword.h"

#include "Prompter.h"

QString ManagerPassword::caption() {
    return QStringLiteral("请输入登陆/管理密码：");
}

bool ManagerPassword::required(const QString& logPass) {
    return !logPass.isEmpty() && logPass != u"746";
}

bool ManagerPassword::check(const QString& logPass, const PasswordAsker& ask, Prompter& prompter) {
    if (!required(logPass)) return true;
    if (ask(caption()) == logPass) return true;
    prompter.error(QStringLiteral("密码错误！"));
    return false;
}
