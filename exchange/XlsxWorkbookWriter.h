#pragma once

#include <QByteArray>
#include <QString>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// A one-sheet .xlsx workbook written with libxlsxwriter, in the cell style of the grid export:
// every cell written gets it (FormatExcelCell). Rows and columns count from 0 here; the two
// header rows are rows 0 and 1.
//
// Nothing reaches the file before close(). Errors: SpreadsheetError.
class XlsxWorkbookWriter {
  public:
    // Excel's limit for the text of one cell; longer texts are cut there.
    static constexpr int MaxCellText = 32767;

    explicit XlsxWorkbookWriter(const QString& path);
    ~XlsxWorkbookWriter();
    XlsxWorkbookWriter(const XlsxWorkbookWriter&) = delete;
    XlsxWorkbookWriter& operator=(const XlsxWorkbookWriter&) = delete;

    // The document title, shown by spreadsheet programs in the file's properties.
    void setTitle(const QString& title);
    void writeText(int row, int column, const QString& text);
    void writeNumber(int row, int column, double value);
    // An empty cell that still carries the style, so its borders show.
    void writeBlank(int row, int column);
    // Merges the range into one cell holding `text`; every cell of it gets the style.
    void merge(int firstRow, int firstColumn, int lastRow, int lastColumn, const QString& text);
    void setColumnWidth(int column, int pixels);
    void close();

  private:
    // Wrapped text, centred vertically, thin borders, 宋体 bold; in the two header rows also
    // centred across the selection.
    lxw_format* FormatExcelCell(int row) const;
    void check(int error) const;

    QString path_;
    QByteArray title_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* header_ = nullptr;
    lxw_format* body_ = nullptr;
};
