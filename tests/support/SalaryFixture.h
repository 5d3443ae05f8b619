#pragma once

#include <QString>
#include <QVariantMap>

class Database;

// Small helpers that put months, structures and salary rows into a test database.
namespace fixture {

qint64 addMonth(Database& db, const QString& month);
// Gives the month its own 45 items, with the first `earnings` and `deductions` enabled and
// captioned "<month>收入k" / "<month>扣款k".
void addStructure(Database& db, const QString& month, int earnings, int deductions);
// Adds a salary row; `values` maps column names to values.
qint64 addRow(Database& db, const QString& month, const QVariantMap& values);
int count(Database& db, const QString& sql, const QVariantList& params = {});

}  // namespace fixture
