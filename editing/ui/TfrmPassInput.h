#pragma once

#include <QDialog>

#include "LoginPassword.h"

class QLabel;
class QLineEdit;

// The password box: a prompt, a password edit and "确认(&E)" / "取消(&X)". It never compares
// anything; its text is what the caller gets, however the box was closed.
class TfrmPassInput : public QDialog {
    Q_OBJECT

  public:
    TfrmPassInput(const QString& caption, const QString& prompt, QWidget* parent = nullptr);

    QString text() const;
    QLineEdit* passwordEdit() const { return EditPass; }
    QLabel* promptLabel() const { return LabelPrompt; }

  private:
    QLabel* LabelPrompt = nullptr;
    QLineEdit* EditPass = nullptr;
};

// Shows the password box and returns what was typed, by "确认(&E)", "取消(&X)" or the title bar.
QString InputPass(const QString& caption, const QString& prompt, QWidget* parent = nullptr);

// The password box as the login check asks it.
LoginPassword::Asker PasswordBox(QWidget* parent);
