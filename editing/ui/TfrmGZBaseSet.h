#pragma once

#include <QDialog>

#include "SalaryItemEditor.h"

class QLineEdit;
class QPushButton;
class QTableWidget;
class Database;
class Prompter;

// "基本工资项目设置": renames the salary items of one month (or of the template BASE) and
// enables or disables them. Nothing is written before "保存(&S)"; cancelling discards it all.
class TfrmGZBaseSet : public QDialog {
    Q_OBJECT

  public:
    using Group = SalaryItemEditor::Group;

    TfrmGZBaseSet(Database& db, Prompter& prompter, const QString& month,
                  QWidget* parent = nullptr);

    // Reads both lists; false after a database failure (the user has been told).
    bool ReadyData();
    bool saved() const { return editor_.saved(); }
    const SalaryItemEditor& editor() const { return editor_; }

    QTableWidget* grid(Group group) const;
    QLineEdit* monthEdit() const { return EditMonth; }

  private:
    QTableWidget* buildGroup(Group group, const QString& caption, int x);
    void showItems(Group group);
    void modify(Group group);
    void Button1Click();

    Prompter& prompter_;
    SalaryItemEditor editor_;
    QLineEdit* EditMonth = nullptr;
    QTableWidget* DBGridEarnings = nullptr;
    QTableWidget* DBGridDeductions = nullptr;
};

// Opens the item editor for `month` ("BASE" when there is no month). True when the user saved;
// whatever the result the caller rebuilds the detail list and recomputes the totals.
bool ShowGZBaseSet(Database& db, Prompter& prompter, const QString& month,
                   QWidget* parent = nullptr);
