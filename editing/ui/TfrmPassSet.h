#pragma once

#include <QDialog>

#include "PasswordSettings.h"

class QLineEdit;
struct TAppParams;
class Database;
class Prompter;

// "参数修改密码设置": changes the login password after checking the old one.
class TfrmPassSet : public QDialog {
    Q_OBJECT

  public:
    TfrmPassSet(Database& db, Prompter& prompter, TAppParams& params, QWidget* parent = nullptr);

    QLineEdit* oldEdit() const { return EditOldPass; }
    QLineEdit* newEdit() const { return EditNewPass; }
    QLineEdit* confirmEdit() const { return EditConfirm; }

  private:
    void Button1Click();

    PasswordSettings settings_;
    QLineEdit* EditOldPass = nullptr;
    QLineEdit* EditNewPass = nullptr;
    QLineEdit* EditConfirm = nullptr;
};

// Opens the password dialog; a successful change is in force at once (`params.LogPass`).
bool ShowPassSet(Database& db, Prompter& prompter, TAppParams& params, QWidget* parent = nullptr);
