#pragma once

#include <QStringList>

class Database;

// The four tables of the payroll database and the content of a new database. Only the setup
// tool creates tables; the window program expects them to exist.
class Schema {
  public:
    static constexpr int EarningCount = 30;
    static constexpr int DeductionCount = 15;
    // The fixed key every payroll database is created and opened with.
    static QString databaseKey() { return QStringLiteral("hxwp51937261"); }
    // "db/ZYDB.dat" below the program folder.
    static QString databasePath(const QString& appPath);

    static QStringList tableNames();
    // Every column of TGZ, in table order.
    static QStringList salaryColumns();

    static void createTables(Database& db);
    // The template's 45 items and the single parameters row.
    static void insertInitialData(Database& db);
    // Creates db/ZYDB.dat below the program folder when it is missing; false when it existed.
    static bool createDatabaseFile(const QString& appPath);
};
