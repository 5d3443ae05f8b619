#include "ExcelMonthCommands.h"

#include "Database.h"
#include "DatabaseError.h"
#include "DetailList.h"
#include "GridExcelExport.h"
#include "ImportFieldList.h"
#include "SheetReader.h"
#include "SpreadsheetError.h"
#include "Transaction.h"

namespace {

void requireMonth(Database& db, const QString& month) {
    bool exists = false;
    try {
        exists = db.query(QStringLiteral("select count(*) from TGZMonth where GZMonth=?"), {month})
                     .rows.at(0)
                     .at(0)
                     .toInt() > 0;
    } catch (const DatabaseError& e) {
        throw SpreadsheetError(QStringLiteral("读取数据库发生错误！\n") + e.message());
    }
    if (!exists) throw SpreadsheetError(QStringLiteral("没有工资发放月度“%1”。").arg(month));
}

void loadList(DetailList& list, const QString& month, int printDays) {
    if (!list.ReadyGZList(month, printDays))
        throw SpreadsheetError(QStringLiteral("读取月度“%1”的工资数据发生错误！").arg(month));
}

}  // namespace

int ExcelMonthCommands::exportMonth(Database& db, Prompter& prompter, const QString& month,
                                    int printDays, const QString& path) {
    requireMonth(db, month);
    DetailList list(db, prompter);
    loadList(list, month, printDays);
    GridExcelExport::write(path, list.caption(), list.layout, list.dsGZDetail);
    return list.dsGZDetail.recordCount();
}

ExcelImport::Summary ExcelMonthCommands::importFile(Database& db, Prompter& prompter,
                                                    const QString& month, int printDays,
                                                    const QString& path, const QString& sheet) {
    requireMonth(db, month);
    DetailList list(db, prompter);
    loadList(list, month, printDays);

    const std::unique_ptr<SheetReader> reader = SheetReader::open(path);
    const QStringList names = reader->sheetNames();
    if (names.isEmpty()) throw SpreadsheetError(QStringLiteral("文件中没有工作表。"));
    const int index = sheet.isEmpty() ? 0 : int(names.indexOf(sheet));
    if (index < 0) throw SpreadsheetError(QStringLiteral("文件中没有工作表“%1”。").arg(sheet));
    const SheetTable table = reader->readSheet(index);

    std::vector<ExcelImport::MappingRow> mapping =
        ExcelImport::MappingFrom(ImportFieldList::Parse(ImportFieldList::Build(list.layout)));
    ExcelImport::AutoMap(mapping, table);
    // The new rows and their totals are one change, so a stop halfway leaves the month as it was.
    try {
        Transaction transaction(db);
        const ExcelImport::Summary summary = ExcelImport::UpdateData(db, month, table, mapping);
        ExcelImport::UpdateTotals(db, month);
        loadList(list, month, printDays);
        if (!list.ReCalcAll()) throw SpreadsheetError(QStringLiteral("存储数据发生错误！"));
        transaction.commit();
        return summary;
    } catch (const DatabaseError& e) {
        throw SpreadsheetError(QStringLiteral("存储数据发生错误！\n") + e.message());
    }
}
