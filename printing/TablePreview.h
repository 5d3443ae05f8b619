#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The table preview control's content: the properties and cell calls its caller fills it with,
// kept as the table TablePreviewPainter paginates and prints. Columns and rows count from 0;
// title rows and data rows are numbered separately. Data rows set beyond pDataRowCount (the
// footer row with the grid's totals) are kept and printed after the last data row. Calls for a
// column outside pColCount or a negative row are ignored.
class TablePreview {
  public:
    enum Alignment { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

    // 1: the table as a ruled grid, the only kind this control prints.
    void setPPrintType(int type) { printType_ = type; }
    int pPrintType() const { return printType_; }
    // Height of one row in screen pixels (96 per inch).
    void setPRowHeight(int pixels) { rowHeight_ = pixels; }
    int pRowHeight() const { return rowHeight_; }
    // The title printed above the table on every page.
    void setPCaption(const QString& caption) { caption_ = caption; }
    const QString& pCaption() const { return caption_; }
    // Columns, hidden ones included; a new count starts every column empty.
    void setPColCount(int count);
    int pColCount() const { return int(widths_.size()); }
    void setPHeaderRowCount(int count) { headerRows_ = count; }
    int pHeaderRowCount() const { return headerRows_; }
    void setPDataRowCount(int count) { dataRows_ = count; }
    int pDataRowCount() const { return dataRows_; }
    // The control's own summary rows; the callers put their totals into a data row instead.
    void setPCountRowCount(int count) { countRows_ = count; }
    int pCountRowCount() const { return countRows_; }
    void setPShowCount(bool show) { showCount_ = show; }
    bool pShowCount() const { return showCount_; }

    // Width in screen pixels; 0 hides the column.
    void SetColWidth(int column, int width);
    // 0 left, 1 centred, 2 right.
    void SetColAlign(int column, int alignment);
    void SetTitleCell(int column, int row, const QString& text);
    void SetDataCell(int column, int row, const QString& text);

    int colWidth(int column) const;
    Alignment colAlign(int column) const;
    QString titleCell(int column, int row) const;
    QString dataCell(int column, int row) const;
    // Data rows to print: pDataRowCount, or more when cells were set below it.
    int printedDataRows() const;
    // Columns with a width above 0, left to right.
    std::vector<int> visibleColumns() const;

  private:
    static void setCell(std::vector<QStringList>& rows, int columns, int column, int row,
                        const QString& text);
    static QString cell(const std::vector<QStringList>& rows, int column, int row);
    bool validColumn(int column) const { return column >= 0 && column < pColCount(); }

    int printType_ = 0;
    int rowHeight_ = 16;
    QString caption_;
    int headerRows_ = 1;
    int dataRows_ = 0;
    int countRows_ = 0;
    bool showCount_ = false;
    std::vector<int> widths_;
    std::vector<Alignment> alignments_;
    std::vector<QStringList> titles_;
    std::vector<QStringList> data_;
};
