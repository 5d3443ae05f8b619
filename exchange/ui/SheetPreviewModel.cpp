#include "SheetPreviewModel.h"

#include "SheetTable.h"

void SheetPreviewModel::setTable(std::shared_ptr<const SheetTable> table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

int SheetPreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : int(table_->rows.size());
}

int SheetPreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !table_ ? 0 : int(table_->columns.size());
}

QVariant SheetPreviewModel::data(const QModelIndex& index, int role) const {
    if (!table_ || !index.isValid() || role != Qt::DisplayRole) return {};
    return table_->rows.at(index.row()).at(index.column());
}

QVariant SheetPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!table_ || role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return table_->columns.value(section);
    return section + 1;
}
