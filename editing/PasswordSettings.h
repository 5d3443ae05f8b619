#pragma once

#include <QString>
#include <QStringList>

struct TAppParams;
class Database;
class Prompter;

// The password dialog ("参数修改密码设置") without its window: checks the old password against
// the stored one and stores the new one.
class PasswordSettings {
  public:
    // What the dialog does after "确认(&E)".
    enum class Outcome {
        Close,     // the change was made, or storing it failed and the user was told
        Stay,      // the stored password could not be read
        ClearNew,  // new and confirmation differ: both edits are emptied
        ClearOld,  // the old password is wrong: its edit is emptied and takes the focus
    };

    PasswordSettings(Database& db, Prompter& prompter, TAppParams& params);

    Outcome CheckPass(const QString& oldPass, const QString& newPass, const QString& confirm);

    // The three lines of the dialog's "提示" text.
    static QStringList hintLines();

  private:
    Database& db_;
    Prompter& prompter_;
    TAppParams& params_;
};
