#include "PasswordSettings.h"

#include "AppState.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "RecordSet.h"

PasswordSettings::PasswordSettings(Database& db, Prompter& prompter, TAppParams& params)
    : db_(db), prompter_(prompter), params_(params) {}

QStringList PasswordSettings::hintLines() {
    return {QStringLiteral("如果密码修改为初始密码为空（或746），则表示"),
            QStringLiteral("登陆不需要输入密码！否则，表示登陆（清除数据"),
            QStringLiteral("以及还原数据）需要输入密码。")};
}

PasswordSettings::Outcome PasswordSettings::CheckPass(const QString& oldPass,
                                                      const QString& newPass,
                                                      const QString& confirm) {
    if (newPass != confirm) {
        prompter_.warning(QStringLiteral("新密码与确认输入的新密码不一致！"));
        return Outcome::ClearNew;
    }
    RecordSet para(&db_);
    try {
        para.open(QStringLiteral("Select * from TPara Order by ID LIMIT 1"), {},
                  QStringLiteral("TPara"));
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("读取数据文件发生错误！"));
        return Outcome::Stay;
    }
    const QVariant stored = para.isEmpty() ? QVariant() : para.value(0, QStringLiteral("LogPass"));
    const QString storedText =
        (!stored.isValid() || stored.isNull()) ? QString() : stored.toString();
    if (storedText != oldPass) {
        prompter_.warning(QStringLiteral("要修改密码，必须输入正确的原密码！"));
        return Outcome::ClearOld;
    }
    try {
        if (para.isEmpty()) para.append();
        para.setValue(0, QStringLiteral("LogPass"), newPass);
        para.updateBatch();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("存储数据发生错误！"));
        return Outcome::Close;
    }
    prompter_.info(QStringLiteral("修改密码成功！"));
    params_.LogPass = newPass;
    return Outcome::Close;
}
