#include "XlsxWorkbookWriter.h"

#include <xlsxwriter.h>

#include <QFile>
#include <cmath>

#include "SpreadsheetError.h"

namespace {

// The font of the program's lists; spreadsheet programs know it by this name.
constexpr char kFontName[] = "宋体";

lxw_format* cellFormat(lxw_workbook* workbook, bool header) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_text_wrap(format);
    if (header) format_set_align(format, LXW_ALIGN_CENTER_ACROSS);
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    format_set_border(format, LXW_BORDER_THIN);
    format_set_font_name(format, kFontName);
    format_set_bold(format);
    return format;
}

QByteArray cellText(const QString& text) {
    return text.left(XlsxWorkbookWriter::MaxCellText).toUtf8();
}

}  // namespace

XlsxWorkbookWriter::XlsxWorkbookWriter(const QString& path) : path_(path) {
    workbook_ = workbook_new(QFile::encodeName(path).constData());
    if (!workbook_) {
        throw SpreadsheetError(QStringLiteral("不能建立Excel文件“%1”。").arg(path));
    }
    sheet_ = workbook_add_worksheet(workbook_, nullptr);
    header_ = cellFormat(workbook_, true);
    body_ = cellFormat(workbook_, false);
    if (!sheet_ || !header_ || !body_) {
        workbook_close(workbook_);
        workbook_ = nullptr;
        throw SpreadsheetError(QStringLiteral("不能建立Excel文件“%1”。").arg(path));
    }
}

XlsxWorkbookWriter::~XlsxWorkbookWriter() {
    // libxlsxwriter frees a workbook only by writing it; an abandoned one goes to its path,
    // which the callers keep in a temporary folder.
    if (workbook_) workbook_close(workbook_);
}

lxw_format* XlsxWorkbookWriter::FormatExcelCell(int row) const {
    return row <= 1 ? header_ : body_;
}

void XlsxWorkbookWriter::check(int error) const {
    if (error == LXW_NO_ERROR) return;
    throw SpreadsheetError(QStringLiteral("写入Excel文件“%1”失败（%2）。")
                               .arg(path_, QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

void XlsxWorkbookWriter::setTitle(const QString& title) {
    title_ = title.toUtf8();
    lxw_doc_properties properties{};
    properties.title = title_.data();
    check(workbook_set_properties(workbook_, &properties));
}

void XlsxWorkbookWriter::writeText(int row, int column, const QString& text) {
    const QByteArray bytes = cellText(text);
    check(worksheet_write_string(sheet_, lxw_row_t(row), lxw_col_t(column), bytes.constData(),
                                 FormatExcelCell(row)));
}

void XlsxWorkbookWriter::writeNumber(int row, int column, double value) {
    if (!std::isfinite(value)) {
        writeBlank(row, column);
        return;
    }
    check(worksheet_write_number(sheet_, lxw_row_t(row), lxw_col_t(column), value,
                                 FormatExcelCell(row)));
}

void XlsxWorkbookWriter::writeBlank(int row, int column) {
    check(worksheet_write_blank(sheet_, lxw_row_t(row), lxw_col_t(column), FormatExcelCell(row)));
}

void XlsxWorkbookWriter::merge(int firstRow, int firstColumn, int lastRow, int lastColumn,
                               const QString& text) {
    const QByteArray bytes = cellText(text);
    check(worksheet_merge_range(sheet_, lxw_row_t(firstRow), lxw_col_t(firstColumn),
                                lxw_row_t(lastRow), lxw_col_t(lastColumn), bytes.constData(),
                                FormatExcelCell(firstRow)));
}

void XlsxWorkbookWriter::setColumnWidth(int column, int pixels) {
    check(worksheet_set_column_pixels(sheet_, lxw_col_t(column), lxw_col_t(column),
                                      uint32_t(pixels), nullptr));
}

void XlsxWorkbookWriter::close() {
    if (!workbook_) return;
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    check(workbook_close(workbook));
}
