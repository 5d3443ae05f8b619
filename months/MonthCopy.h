#pragma once

#include <QString>

#include "PayMonths.h"

class Database;
class Prompter;

// "月度数据复制": fills the selected month with a copy of every salary row of a month the user
// picks, and gives it that month's structure.
class MonthCopy {
  public:
    // True when rows were copied (the caller reloads the list). The rows and the target's new
    // structure are written in one transaction: on failure "复制数据失败！" (or the structure's
    // own message) and nothing is written.
    static bool Button9Click(Database& db, Prompter& prompter, const QString& target,
                             bool targetHasRows, const PayMonths::HistoryChooser& chooseHistory);
};
