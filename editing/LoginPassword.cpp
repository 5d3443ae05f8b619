#include "LoginPassword.h"

#include "Prompter.h"

bool LoginPassword::Required(const QString& logPass) {
    return !logPass.isEmpty() && logPass != initialPassword();
}

bool LoginPassword::Check(const QString& logPass, const QString& prompt, const Asker& ask,
                          Prompter& prompter) {
    if (!Required(logPass)) return true;
    const QString typed = ask ? ask(prompt, prompt) : QString();
    if (typed == logPass) return true;
    prompter.error(QStringLiteral("密码错误！"));
    return false;
}
