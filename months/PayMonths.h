#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "RecordSet.h"

class Database;
class Prompter;

// The pay months of the main window (`dsGZMonth`, newest first) and the month buttons "增加月度",
// "修改" and "删除". Every change is all or nothing.
class PayMonths {
  public:
    // Lets the user pick a month that holds salary rows; empty when nothing was chosen.
    using HistoryChooser = std::function<std::optional<QString>()>;

    PayMonths(Database& db, Prompter& prompter);

    RecordSet dsGZMonth;

    // (Re)opens the month list silently; the newest month becomes current.
    bool ReadyMonth();
    // The selected month's key, or empty when there is none.
    QString currentMonth() const;
    bool isEmpty() const { return !dsGZMonth.isOpen() || dsGZMonth.isEmpty(); }
    void select(int row);

    // "增加月度". True when a month was added; it is then the selected month.
    bool Button1Click(const HistoryChooser& chooseHistory);
    // "修改": renames the selected month with its salary rows and structure.
    bool Button2Click();
    // "删除": deletes the selected month with its rows and structure after asking.
    bool Button3Click();

    // Months that hold salary rows, newest text first, for the history chooser. Tells the user
    // "读取数据库发生错误！" and gives nothing when they cannot be read.
    static std::optional<QStringList> HistoryMonths(Database& db, Prompter& prompter);

    static QString proposedMonth();

  private:
    bool refuseTemplateKey(const QString& month);
    void reopenAt(qint64 id, int fallbackRow);

    Database& db_;
    Prompter& prompter_;
};
