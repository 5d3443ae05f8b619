#pragma once

#include <QString>
#include <QStringList>

#include "DetailList.h"

class Database;
class Prompter;

// "工资统计": the salary rows of any set of pay months listed together, with the 61 columns of
// the detail list captioned after the first checked month and the footer sums over all of them.
// The window keeps the check marks; every click hands the checked months to rebuild().
class GZCount {
  public:
    GZCount(Database& db, Prompter& prompter);

    // The combined rows, month by month, within a month by department and name. Closed while
    // no month is checked.
    DetailList list;

    // The month keys for the check list, newest first. A read error is ignored and gives the
    // keys read so far (none).
    QStringList ReadyMonth();

    // `checked`: the checked month keys from the top of the check list to its bottom. The
    // first of them captions the columns by the rules of the detail list (its own items or the
    // template's, the attendance columns by `printDays`); "读取数据库发生错误！" when its
    // structure cannot be read. No month checked closes the list.
    void rebuild(const QStringList& checked, int printDays);

    // The caption source of the last rebuild; empty while no month is checked.
    const QString& firstMonth() const { return firstMonth_; }

  private:
    Database& db_;
    QString firstMonth_;
};
