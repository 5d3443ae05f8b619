#include "FreexlReader.h"

#include <freexl.h>

#include <QFile>

#include "SpreadsheetError.h"
#include "XlsError.h"
#include "XlsWorkbook.h"

namespace {

QString damaged(const QString& path, int code) {
    return QStringLiteral("文件“%1”已损坏，或不是Excel 97-2003文件（错误代码 %2）。")
        .arg(path)
        .arg(code);
}

QString cellText(const FreeXL_CellValue& value) {
    switch (value.type) {
        case FREEXL_CELL_INT:
            return QString::number(value.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return SheetReader::numberText(value.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return value.value.text_value ? QString::fromUtf8(value.value.text_value) : QString();
        default:
            return QString();
    }
}

SheetTable ownSheet(const XlsWorkbook& book, int index) {
    XlsSheetText sheet;
    try {
        sheet = book.sheet(index);
    } catch (const XlsError& e) {
        throw SpreadsheetError(e.message());
    }
    if (qint64(sheet.rowCount()) * qint64(sheet.columnCount()) > SheetReader::MaxCells) {
        throw SpreadsheetError(QStringLiteral("工作表“%1”太大（%2行×%3列），不能读取。")
                                   .arg(sheet.name)
                                   .arg(sheet.rowCount())
                                   .arg(sheet.columnCount()));
    }
    std::vector<SheetReader::RowCells> rows(sheet.rowCount());
    for (const auto& [at, text] : sheet.cells) {
        if (!text.isEmpty()) rows[at.first].push_back({at.second, text});
    }
    return SheetReader::makeTable(book.sheetNames().at(index), rows);
}

}  // namespace

FreexlReader::FreexlReader(const QString& path) : path_(path) {
    // FreeXL reads past its buffers and can crash on some damaged files (a record cut short, a
    // directory entry name of a wrong length). The xls module's bounds-checked reader looks at
    // the file's structure and records first; only a file it accepts is given to FreeXL.
    XlsWorkbook checked;
    try {
        checked = XlsWorkbook::load(path);
    } catch (const XlsError& e) {
        throw SpreadsheetError(QStringLiteral("文件“%1”不能读取：%2").arg(path, e.message()));
    }
    const int rc = freexl_open(QFile::encodeName(path).constData(), &handle_);
    if (rc != FREEXL_OK) {
        // FreeXL asks to be closed after a failed open too, to free what it read so far.
        freexl_close(handle_);
        handle_ = nullptr;
        throw SpreadsheetError(damaged(path, rc));
    }
    unsigned int info = 0;
    if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED) {
        freexl_close(handle_);
        handle_ = nullptr;
        throw SpreadsheetError(QStringLiteral("文件“%1”设有打开密码，不能读取。").arg(path));
    }
    unsigned int count = 0;
    freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned int i = 0; i < count; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) !=
            FREEXL_OK) {
            break;
        }
        names_ << (name ? QString::fromUtf8(name) : QStringLiteral("Sheet%1").arg(i + 1));
    }
    if (names_.size() < checked.sheetNames().size()) {
        names_ = checked.sheetNames();
        own_ = std::move(checked);
    }
}

FreexlReader::~FreexlReader() {
    if (handle_) freexl_close(handle_);
}

SheetTable FreexlReader::readSheet(int index) {
    requireSheet(index);
    const QString& name = names_.at(index);
    if (own_) return ownSheet(*own_, index);
    if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(index)) != FREEXL_OK) {
        throw SpreadsheetError(QStringLiteral("不能读取工作表“%1”。").arg(name));
    }
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    const int rc = freexl_worksheet_dimensions(handle_, &rowCount, &columnCount);
    if (rc != FREEXL_OK) throw SpreadsheetError(damaged(path_, rc));
    if (qint64(rowCount) * qint64(columnCount) > MaxCells) {
        throw SpreadsheetError(QStringLiteral("工作表“%1”太大（%2行×%3列），不能读取。")
                                   .arg(name)
                                   .arg(rowCount)
                                   .arg(columnCount));
    }
    std::vector<RowCells> rows(rowCount);
    for (unsigned int r = 0; r < rowCount; ++r) {
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue value;
            const int cellRc = freexl_get_cell_value(handle_, r, c, &value);
            if (cellRc != FREEXL_OK) throw SpreadsheetError(damaged(path_, cellRc));
            QString text = cellText(value);
            if (!text.isEmpty()) rows[r].push_back({c, std::move(text)});
        }
    }
    return makeTable(name, rows);
}
