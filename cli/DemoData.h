#pragma once

#include <QString>

class Database;

// A sample pay month for trying the program out: about twenty employees in three departments
// with realistic earnings, deductions and totals, using the template's enabled items.
class DemoData {
  public:
    // Adds the month (with its own copy of the template structure) and its rows; returns the
    // number of rows added. Throws DatabaseError.
    static int addMonth(Database& db, const QString& month);
};
