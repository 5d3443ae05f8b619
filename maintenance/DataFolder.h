#pragma once

#include <QString>

// The data folder "db/" below the program folder: the database file and whatever else the user
// keeps there. Backup, restore and data clearing all work on it.
class DataFolder {
  public:
    DataFolder() = delete;

    // The folder, without a trailing slash.
    static QString path(const QString& appPath);
    // "ZYDB.dat", the database's name inside the folder.
    static QString databaseName();
    // The folder of contract files that data clearing empties.
    static QString contractFolder(const QString& appPath);
    // True for the engine's side files of the database (rollback journal, write-ahead log and its
    // index). They belong to one state of one database file and must never travel apart from it.
    static bool isDatabaseSideFile(const QString& relativePath);
};
