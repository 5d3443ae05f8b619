#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Database;
class Prompter;

// One row of TGZSet as the item editor shows and changes it.
struct EditableSalaryItem {
    qint64 id = 0;
    int type = 0;  // 0 earning, 1 deduction
    QString name;
    QString field;
    int sortIdx = 0;
    int showStu = 0;  // 0 启用, 1 禁用
    bool changed = false;
};

// The salary item editor ("基本工资项目设置") without its window: the earnings and deduction items
// of one month (or of the template BASE when the month has no earnings items), renamed and
// enabled or disabled in memory, and written together when the user saves. Nothing reaches
// the database before SaveData; dropping the editor discards every change.
class SalaryItemEditor {
  public:
    enum class Group { Earnings, Deductions };

    // The item dialog ("修改工资设置"): receives the caption and the state, returns whether the
    // user saved and the values the user left.
    using ItemDialog = std::function<bool(QString& caption, int& state)>;

    SalaryItemEditor(Database& db, Prompter& prompter, const QString& month);

    // Reads both lists. Tells the user "读取数据库发生错误！" and returns false when they cannot
    // be read.
    bool ReadyData();

    // The month being edited: "BASE" when the given month has no earnings items of its own.
    const QString& month() const { return month_; }
    const std::vector<EditableSalaryItem>& items(Group group) const;

    // "修改(&E)" or a double click on a row: lets the dialog change the row's caption and
    // state. False when there is no such row or the user cancelled.
    bool modify(Group group, int row, const ItemDialog& dialog);

    bool hasChanges() const;
    // Writes every change of both lists in one transaction. Tells the user "存储数据发生错误！"
    // and returns false when that fails; nothing is written then and the changes stay.
    bool SaveData();
    bool saved() const { return saved_; }

    // The texts of the state list, indexed by ShowStu.
    static QStringList stateNames();
    static QString stateText(int showStu);

    // "保存(&S)" of the item dialog: a caption is required (blanks count as one).
    static bool CheckItemName(Prompter& prompter, const QString& name);

  private:
    std::vector<EditableSalaryItem> read(int type, const QString& month);
    std::vector<EditableSalaryItem>& list(Group group);

    Database& db_;
    Prompter& prompter_;
    QString month_;
    std::vector<EditableSalaryItem> earnings_;
    std::vector<EditableSalaryItem> deductions_;
    bool saved_ = false;
};
