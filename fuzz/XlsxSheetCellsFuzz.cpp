// The worksheet part of an .xlsx read in pieces by two threads. Every input must give what one
// parser over the whole part gives: the same rows, or the same SpreadsheetError.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "SpreadsheetError.h"
#include "XlsxSheetCells.h"

namespace {

// The rows as one text, or the error's message.
QString outcome(const QByteArray& part, qsizetype splitSize) {
    static const QStringList shared{QStringLiteral("部门"), QStringLiteral("张三")};
    try {
        QString text;
        for (const auto& [number, cells] :
             XlsxSheetCells::read(QStringLiteral("工资"), shared, part, splitSize)) {
            text += QString::number(number) + u':';
            for (const SheetReader::Cell& cell : cells) {
                text += QString::number(cell.column) + u'=' + cell.text + u'\x1f';
            }
            text += u'\n';
        }
        return text;
    } catch (const SpreadsheetError& e) {
        return QStringLiteral("error: ") + e.message();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray part(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString whole = outcome(part, part.size() + 1);
    const QString pieces = outcome(part, 0);
    FuzzRequire(pieces == whole, "pieces read as the whole part", pieces + u'\n' + whole);
    return 0;
}
