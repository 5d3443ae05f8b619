// The .xls reading paths: the xls module's reader, and the import's entry (SheetReader::open,
// which checks the file with the xls module and then reads it through FreeXL). Every input must
// give sheets or a typed error; a table read for the import holds one text per field in every
// row.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "SheetReader.h"
#include "SpreadsheetError.h"
#include "XlsError.h"
#include "XlsWorkbook.h"

namespace {

void readWithModule(const QByteArray& bytes) {
    try {
        const XlsWorkbook book = XlsWorkbook::fromBytes(bytes);
        const QStringList names = book.sheetNames();
        for (int i = 0; i < names.size(); ++i) {
            const int found = book.sheetIndex(names.at(i));
            FuzzRequire(found >= 0 && found <= i, "a sheet is found by its own name", names.at(i));
            try {
                // Not grid(): a damaged cell address may name row and column 65535.
                const XlsSheetText sheet = book.sheet(i);
                FuzzRequire(sheet.rowCount() >= 0 && sheet.columnCount() >= 0, "sheet size");
            } catch (const XlsError&) {
            }
        }
    } catch (const XlsError&) {
    }
}

void readForImport(const QString& path) {
    try {
        const std::unique_ptr<SheetReader> reader = SheetReader::open(path);
        for (int i = 0; i < reader->sheetNames().size(); ++i) {
            try {
                const SheetTable table = reader->readSheet(i);
                FuzzRequire(!table.columns.isEmpty(), "a table has fields");
                for (const QStringList& row : table.rows) {
                    FuzzRequire(row.size() == table.columns.size(), "one text per field");
                }
            } catch (const SpreadsheetError&) {
            }
        }
    } catch (const SpreadsheetError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer's entry takes no context: the folder lives as long as the program.
    static const FuzzFolder folder;
    const QByteArray bytes = FuzzFolder::bytes(data, size);
    readWithModule(bytes);
    readForImport(folder.write(QStringLiteral("工资表.xls"), bytes));
    return 0;
}
