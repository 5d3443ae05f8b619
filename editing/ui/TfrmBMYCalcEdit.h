#pragma once

#include <QDialog>

class QLineEdit;
class Prompter;

// "应发工资不满1月自动计算参数": the working days the month requires and the days worked.
class TfrmBMYCalcEdit : public QDialog {
    Q_OBJECT

  public:
    TfrmBMYCalcEdit(Prompter& prompter, double worked, QWidget* parent = nullptr);

    bool confirmed() const { return confirmed_; }
    // The numbers the edits hold, whichever way the dialog was closed.
    double requiredDays() const;
    double workedDays() const;

    QLineEdit* totalDayEdit() const { return EditTotalDay; }
    QLineEdit* trueDayEdit() const { return EditTrueDay; }

  private:
    void Button1Click();

    Prompter& prompter_;
    QLineEdit* EditTotalDay = nullptr;
    QLineEdit* EditTrueDay = nullptr;
    bool confirmed_ = false;
};

// Asks for the two day counts, starting from `worked`. True when the user confirmed; then
// `required` holds the days the month requires and `worked` the days worked.
bool ShowBMYCalcEdit(Prompter& prompter, double& required, double& worked,
                     QWidget* parent = nullptr);
