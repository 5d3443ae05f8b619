#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "SheetTable.h"

// Reads the sheets of a spreadsheet file as tables of text, for the import: the file's sheet
// names, and for one sheet its field names (its heading row) and rows.
//
// The table of a sheet covers the cells in use: it starts at the first row and column holding
// a value and ends at the last ones. Its first row gives the field names; a blank heading is
// named "F" and its column number within the table, and a heading met before gets "_" and
// its column number, so that every field can be told apart. A first row of numbers only is no
// heading row: the fields are then named F1, F2, ... and that row is a row of data. Rows
// without any value are left out. Numbers read as a spreadsheet shows them in general format
// (up to 15 significant digits, no grouping).
//
// Errors: SpreadsheetError, with a text for the user, when the file is not a spreadsheet or
// is damaged, and when a sheet is empty or too large to read.
class SheetReader {
  public:
    struct Cell {
        int column;
        QString text;
    };
    using RowCells = std::vector<Cell>;

    // Cells in one sheet at most (rows times columns of its table), so that a damaged or
    // crafted file cannot take all memory.
    static constexpr qint64 MaxCells = 20'000'000;

    virtual ~SheetReader() = default;

    // Opens an Excel 97-2003 (.xls) or Excel 2007 and later (.xlsx) file, told apart by its
    // content rather than its name.
    static std::unique_ptr<SheetReader> open(const QString& path);

    virtual QStringList sheetNames() const = 0;
    virtual SheetTable readSheet(int index) = 0;

    // The table of a sheet from its rows of cells in sheet order; each row lists its non-empty
    // cells with their column numbers (0 for column A).
    static SheetTable makeTable(const QString& name, const std::vector<RowCells>& rows);
    static QString numberText(double value);
    // A number as spreadsheets write it ("-12.5", "3000", "1.5E-3"), parsed without the locale's
    // general parser; nothing for any other text (which that parser then takes) and for a value
    // out of range.
    static std::optional<double> plainNumber(std::string_view text);
    // numberText of the number `text` spells, when `text` already is that form: a plain decimal
    // without leading or trailing zeros, of at most 15 significant digits, from 0.0001 to below
    // 1e15. Such a decimal comes back unchanged from a double, so it needs neither parsing nor
    // formatting; any other text gives nothing.
    static std::optional<QString> sameNumberText(std::string_view text);

  protected:
    void requireSheet(int index) const;
};
