// The .xlsx reader of the import. Every input must give sheets or a SpreadsheetError; a table
// holds one text per field in every row.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "FuzzFolder.h"
#include "SpreadsheetError.h"
#include "XlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer's entry takes no context: the folder lives as long as the program.
    static const FuzzFolder folder;
    const QString path = folder.write(QStringLiteral("工资表.xlsx"), FuzzFolder::bytes(data, size));
    try {
        XlsxReader reader(path);
        for (int i = 0; i < reader.sheetNames().size(); ++i) {
            try {
                const SheetTable table = reader.readSheet(i);
                FuzzRequire(!table.columns.isEmpty(), "a table has fields");
                for (const QStringList& row : table.rows) {
                    FuzzRequire(row.size() == table.columns.size(), "one text per field");
                }
            } catch (const SpreadsheetError&) {
            }
        }
    } catch (const SpreadsheetError&) {
    }
    return 0;
}
