#pragma once

#include <QString>
#include <vector>

class Database;

// One row of a month's salary structure: what one amount column means in that month.
struct SalaryItem {
    int type = 0;  // 0 earning (GZ1..GZ30), 1 deduction (KK1..KK15)
    QString name;
    QString field;
    int sortIdx = 0;
    bool enabled = false;
};

// Reads the items of one kind for a month in SortIdx order, or the template's ("BASE") when the
// month has none of its own. Throws DatabaseError.
std::vector<SalaryItem> ReadSalaryItems(Database& db, const QString& month, int type);

// True when `month` names the structure template, which no pay month may share.
bool IsTemplateKey(const QString& month);
