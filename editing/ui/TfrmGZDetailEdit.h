#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <vector>

#include "SalaryRecordEditor.h"

class QComboBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Prompter;
class TDM;

// "新增/修改工资明细": one salary row of one pay month, with its 30 earnings and 15 deduction
// slots. Everything it computes and stores is done by SalaryRecordEditor; the dialog shows it
// and hands every typed text back.
class TfrmGZDetailEdit : public QDialog {
    Q_OBJECT

  public:
    using Group = SalaryRecordEditor::Group;

    TfrmGZDetailEdit(TDM& dm, Prompter& prompter, const TAppParams& params, qint64 recordId,
                     const QString& month, QWidget* parent = nullptr);

    // Binds, fills and loads; false after a database failure (the user has been told).
    bool ReadyData();
    bool saved() const { return editor_.saved(); }
    const SalaryRecordEditor& editor() const { return editor_; }

    // Slot numbers count from 1, as the control names do.
    QLineEdit* amountEdit(Group group, int slot) const;
    QLabel* amountLabel(Group group, int slot) const;
    static QString editName(Group group, int slot);   // "MaskEdit1".."MaskEdit75"
    static QString labelName(Group group, int slot);  // "Label1".."Label75"
    // Positions inside the group box.
    static QPoint labelPosition(Group group, int slot);
    static QPoint editPosition(Group group, int slot);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void build();
    void buildHeader();
    QGroupBox* buildGroup(Group group, const QString& caption, const QRect& geometry);
    void buildFooter();
    void setFocusOrder();
    void SetEditFormat();
    void connectBoxes();
    void loadForm();
    void pullForm();
    void showSlots();
    void showTotals();

    void amountChanged(Group group, int index, const QString& text);
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    // Every key of the dialog passes here first: Enter moves the focus on, and the amount
    // edits drop what is no amount. True when the key was used up.
    bool FormKeyDown(QObject* watched, QKeyEvent* key);
    bool filterAmountKey(QObject* watched, QKeyEvent* event) const;

    Prompter& prompter_;
    SalaryRecordEditor editor_;

    QLineEdit* EditMonth = nullptr;
    QComboBox* cmbDepart = nullptr;
    QLineEdit* EditBM = nullptr;
    QComboBox* cmbEmpName = nullptr;
    QComboBox* cmbZWName = nullptr;
    QLabel* LabelCount = nullptr;
    QLineEdit* EditWorkDays = nullptr;
    QLineEdit* EditWorkHours = nullptr;
    QLabel* LabelRate = nullptr;
    QLineEdit* EditOneDayMOney = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QLineEdit* EditYF = nullptr;
    QLineEdit* EditKK = nullptr;
    QLineEdit* EditSF = nullptr;
    QLineEdit* EditQM = nullptr;
    QLineEdit* EditEMail = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    std::vector<QLineEdit*> earningEdits_;
    std::vector<QLabel*> earningLabels_;
    std::vector<QLineEdit*> deductionEdits_;
    std::vector<QLabel*> deductionLabels_;
};

// Opens the record editor for row `recordId` (-1 for a new row) of `month`. True when the row
// was saved; the caller then re-reads the month's list.
bool ShowGZDetailEdit(TDM& dm, Prompter& prompter, const TAppParams& params, qint64 recordId,
                      const QString& month, QWidget* parent = nullptr);
