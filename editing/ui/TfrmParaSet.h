#pragma once

#include <QDialog>

#include "ParameterSettings.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
struct TAppParams;
class Prompter;
class TDM;

// "基本参数设置": company name, payslip height, attendance printing, piece-work unit, decimals,
// sequence number, title printing and top margin, written with one update.
class TfrmParaSet : public QDialog {
    Q_OBJECT

  public:
    TfrmParaSet(TDM& dm, Prompter& prompter, TAppParams& params, QWidget* parent = nullptr);

    bool saved() const { return saved_; }
    // What the boxes hold.
    ParameterValues values() const;

    QLineEdit* nameEdit() const { return EditEntName; }
    QLineEdit* heightEdit() const { return EditBillHeight; }
    QComboBox* printDaysList() const { return cmbPrintDays; }
    QComboBox* unitBox() const { return cmbJJUnit; }
    QSpinBox* topPosBox() const { return UpDownTopPos; }
    QMenu* paperMenu() const { return PopupMenu1; }

  private:
    void FormCreate();
    void showValues(const ParameterValues& values);
    void Button1Click();
    void cmdSHClick();

    ParameterSettings settings_;
    QLineEdit* EditEntName = nullptr;
    QLineEdit* EditBillHeight = nullptr;
    QPushButton* Button1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QComboBox* cmbPrintDays = nullptr;
    QComboBox* cmbJJUnit = nullptr;
    QComboBox* cmbShowFloat = nullptr;
    QComboBox* cmbShowXH = nullptr;
    QComboBox* cmbNameOnTitle = nullptr;
    QSpinBox* UpDownTopPos = nullptr;
    bool saved_ = false;
};

// Opens the parameters dialog. Whatever the user did, the caller reloads the parameters
// (LoadRegPara) and re-reads the detail list afterwards.
void ShowParaSet(TDM& dm, Prompter& prompter, TAppParams& params, QWidget* parent = nullptr);
