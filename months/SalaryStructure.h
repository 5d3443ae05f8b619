#pragma once

#include <QString>

class Database;
class Prompter;

// Keeps salary structures complete and gives new months their own copy of one.
class SalaryStructure {
  public:
    // Completes the template and every month that has items of its own, adding each missing
    // GZ1..GZ30 / KK1..KK15 item as a disabled "工资项目". Existing rows are never changed and a
    // month without items keeps using the template. Silent: a month that fails is skipped.
    static void StructUpdate(Database& db);

    // Replaces the structure of `newMonth` by a copy of `source`'s, or of the template when the
    // source has none, all or nothing. On failure the user is told "增加新月度的工资项目模板失败！"
    // and the month keeps the rows it had.
    static bool AddBaseGZSet(Database& db, Prompter& prompter, const QString& newMonth,
                             const QString& source);

  private:
    static void completeMonth(Database& db, const QString& month);
};
