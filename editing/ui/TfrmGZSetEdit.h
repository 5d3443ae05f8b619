#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class Prompter;

// "修改工资设置": the caption of one salary item and whether it is enabled.
class TfrmGZSetEdit : public QDialog {
    Q_OBJECT

  public:
    TfrmGZSetEdit(Prompter& prompter, const QString& caption, int state, QWidget* parent = nullptr);

    QString caption() const;
    int state() const;
    bool saved() const { return saved_; }

    QLineEdit* nameEdit() const { return EditName; }
    QComboBox* stateList() const { return cmbShowStu; }

  private:
    void Button1Click();

    Prompter& prompter_;
    QLineEdit* EditName = nullptr;
    QComboBox* cmbShowStu = nullptr;
    bool saved_ = false;
};

// Lets the user change `caption` and `state` (0 启用, 1 禁用). Both receive what the dialog
// holds when it closes, also after a cancel; only a true result means the user saved.
bool ShowGZSetEdit(Prompter& prompter, QString& caption, int& state, QWidget* parent = nullptr);
