#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "ImportFieldList.h"
#include "SheetTable.h"

class Database;
class Prompter;
class SheetReader;

// The work of the import dialog "Excel数据导入工具" without its widgets: the mapping rows, the
// open file and sheet, the automatic mapping and the import of every sheet row as a new salary
// row of the month. The dialog shows what this holds and forwards its buttons here.
//
// Each import writes its rows and the month's totals in one transaction. A sheet row whose
// values cannot be stored (text that is no number in an amount, a mapping to a column the sheet
// does not have) is skipped and counted; the final message tells how many rows were imported
// and skipped. A failure of the database itself (full disk) keeps nothing and is told.
class ExcelImport {
  public:
    struct MappingRow {
        QString caption;
        QString field;
        QString type;
        QString unique;
        QString required;
        QString excelColumn;  // 对应Excel列; empty: the column is not imported
    };
    struct Summary {
        int imported = 0;
        int skipped = 0;
    };

    ExcelImport(Database& db, Prompter& prompter, const QString& month, const QString& fieldList);
    ~ExcelImport();
    ExcelImport(const ExcelImport&) = delete;
    ExcelImport& operator=(const ExcelImport&) = delete;

    const QString& month() const { return month_; }

    // The mapping rows from the field list; the sheet columns already chosen stay.
    void PrepareMapping();
    const std::vector<MappingRow>& mapping() const { return mapping_; }
    void setExcelColumn(int row, const QString& column);

    // "选择来源Excel数据": asks for the file and opens it (OpenFile). False when cancelled or
    // when the file or its first sheet could not be read.
    bool Button6Click();
    // Opens the file, lists its sheets, reads the first, prepares the mapping rows again and
    // maps automatically. Tells the user when the file or the sheet cannot be read; when only
    // the sheet failed, another sheet of the file can still be chosen.
    bool OpenFile(const QString& path);
    // Another sheet of the open file; the mappings stay as they are.
    bool cmbTablesClick(int index);
    // "对应设定": the sheet columns to choose from, or nothing (the user told to open a file
    // first) while no file is open.
    std::optional<QStringList> Button1Click();
    // "导入数据": imports and sets the month's totals in one transaction, then tells the user the
    // counts. Nothing when the import is not possible now, or when it could not be written (the
    // user is told "保存数据发生错误！", nothing is kept and the import can be tried again);
    // after an import the file has to be opened again.
    std::optional<Summary> Button4Click();

    bool fileOpen() const { return reader_ != nullptr; }
    const QString& fileName() const { return fileName_; }
    const QStringList& sheetNames() const { return sheetNames_; }
    int currentSheet() const { return currentSheet_; }
    // The sheet shown in the preview; null when none could be read. Shared, so that a view
    // showing it stays valid while the import moves on to another file or sheet.
    const SheetTable* table() const { return table_.get(); }
    std::shared_ptr<const SheetTable> sharedTable() const { return table_; }
    // The names the column pop-up offers: the open sheet's fields.
    QStringList sheetColumns() const;
    bool sheetChoiceEnabled() const { return fileOpen() && !sheetNames_.isEmpty(); }
    bool importEnabled() const { return importAllowed_ && table_ != nullptr; }

    // For every mapping row whose caption names a field of the sheet (without regard to letter
    // case), that field; other rows keep their choice.
    static void AutoMap(std::vector<MappingRow>& mapping, const SheetTable& table);
    static std::vector<MappingRow> MappingFrom(const std::vector<ImportField>& fields);
    // Appends one salary row of `month` per sheet row, in one transaction (a savepoint inside
    // the caller's). A row the table refuses is skipped and counted; any other database failure
    // throws DatabaseError and nothing is written.
    static Summary UpdateData(Database& db, const QString& month, const SheetTable& table,
                              const std::vector<MappingRow>& mapping);
    // Sets the three totals of every row of the month from all 30 earnings and 15 deductions,
    // an empty amount counting 0. Throws DatabaseError.
    static void UpdateTotals(Database& db, const QString& month);

    static QString finishedMessage(const Summary& summary);
    static QString fileFilter() {
        return QStringLiteral("Excel 数据文件(*.xls;*.xlsx)|*.xls;*.xlsx");
    }

  private:
    bool openSheet(int index);

    Database& db_;
    Prompter& prompter_;
    QString month_;
    std::vector<ImportField> fields_;
    std::vector<MappingRow> mapping_;
    std::unique_ptr<SheetReader> reader_;
    QString fileName_;
    QString folder_;
    QStringList sheetNames_;
    int currentSheet_ = -1;
    std::shared_ptr<const SheetTable> table_;
    bool importAllowed_ = false;
    bool autoMapPending_ = false;
};
