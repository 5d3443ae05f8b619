#pragma once

#include <QString>

#include "ExcelImport.h"

class Database;
class Prompter;

// The spreadsheet export and import of one pay month without a window, for the command-line
// tool. Both see the month as the main window lists it: its structure's captions and shown
// columns, the attendance columns by `printDays` (TPara's PrintDays).
class ExcelMonthCommands {
  public:
    // Writes the month's detail list to `path` (.xlsx) as "发送Excel" would; gives the number of
    // rows written. Throws SpreadsheetError when the month does not exist, its rows cannot be
    // read or the file cannot be written.
    static int exportMonth(Database& db, Prompter& prompter, const QString& month, int printDays,
                           const QString& path);

    // Imports the sheet named `sheet` (the first sheet when empty) of the .xls or .xlsx file at
    // `path` into the month with the automatic mapping, sets the totals by the import's
    // statement and then recomputes them from the shown items as the main window does after an
    // import, all in one transaction. Throws SpreadsheetError when the month does not exist, the
    // file or sheet cannot be read or the result cannot be written (then nothing is); rows that
    // cannot be stored are counted as skipped.
    static ExcelImport::Summary importFile(Database& db, Prompter& prompter, const QString& month,
                                           int printDays, const QString& path,
                                           const QString& sheet = {});
};
