#include "TablePreview.h"

#include <algorithm>

namespace {

constexpr int kDefaultWidth = 64;

}  // namespace

void TablePreview::setPColCount(int count) {
    count = std::max(count, 0);
    widths_.assign(count, kDefaultWidth);
    alignments_.assign(count, AlignLeft);
    titles_.clear();
    data_.clear();
}

void TablePreview::SetColWidth(int column, int width) {
    if (validColumn(column)) widths_[column] = std::max(width, 0);
}

void TablePreview::SetColAlign(int column, int alignment) {
    if (!validColumn(column)) return;
    alignments_[column] = alignment == AlignCenter  ? AlignCenter
                          : alignment == AlignRight ? AlignRight
                                                    : AlignLeft;
}

void TablePreview::SetTitleCell(int column, int row, const QString& text) {
    if (validColumn(column)) setCell(titles_, pColCount(), column, row, text);
}

void TablePreview::SetDataCell(int column, int row, const QString& text) {
    if (validColumn(column)) setCell(data_, pColCount(), column, row, text);
}

void TablePreview::setCell(std::vector<QStringList>& rows, int columns, int column, int row,
                           const QString& text) {
    if (row < 0) return;
    if (row >= int(rows.size())) rows.resize(row + 1);
    QStringList& cells = rows[row];
    while (cells.size() < columns) cells.append(QString());
    cells[column] = text;
}

QString TablePreview::cell(const std::vector<QStringList>& rows, int column, int row) {
    if (row < 0 || row >= int(rows.size()) || column < 0 || column >= rows[row].size()) {
        return QString();
    }
    return rows[row].at(column);
}

int TablePreview::colWidth(int column) const {
    return validColumn(column) ? widths_[column] : 0;
}

TablePreview::Alignment TablePreview::colAlign(int column) const {
    return validColumn(column) ? alignments_[column] : AlignLeft;
}

QString TablePreview::titleCell(int column, int row) const {
    return cell(titles_, column, row);
}

QString TablePreview::dataCell(int column, int row) const {
    return cell(data_, column, row);
}

int TablePreview::printedDataRows() const {
    return std::max(std::max(dataRows_, 0), int(data_.size()));
}

std::vector<int> TablePreview::visibleColumns() const {
    std::vector<int> columns;
    for (int i = 0; i < pColCount(); ++i) {
        if (widths_[i] > 0) columns.push_back(i);
    }
    return columns;
}
