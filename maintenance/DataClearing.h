#pragma once

#include <QString>

class Database;
class Prompter;

// "系统重建": wipes the pay months and every salary row, and the files kept under
// db/ContractFile/. Salary structures (TGZSet, the BASE template included) and the parameters
// (TPara) stay.
class DataClearing {
  public:
    enum class Outcome {
        Stopped,  // nothing ticked, or the user said No: nothing changed, the dialog stays
        Failed,   // the database refused: nothing changed, the user was told
        Cleared,  // done and told; the program must end
    };

    DataClearing(Database& db, Prompter& prompter, const QString& appPath);

    // Deletes the months and the salary rows in one transaction, then the contract files (a file
    // that cannot be deleted is skipped). Throws DatabaseError before any file is touched; the
    // tables are then as they were.
    void clearBusinessData();

    // The "系统重建" button: `clearBusiness` is the tick of "清除业务数据".
    Outcome cmdSHClick(bool clearBusiness);

  private:
    Database& db_;
    Prompter& prompter_;
    QString appPath_;
};
