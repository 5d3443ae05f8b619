#include "RecordSetModel.h"

#include "RecordSet.h"

RecordSetModel::RecordSetModel(const RecordSet& set, QStringList fields, QStringList titles,
                               QObject* parent)
    : QAbstractTableModel(parent),
      set_(set),
      fields_(std::move(fields)),
      titles_(std::move(titles)) {}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !set_.isOpen() ? 0 : set_.recordCount();
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(fields_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole || !set_.hasField(fields_.at(index.column()))) {
        return {};
    }
    return set_.value(index.row(), fields_.at(index.column())).toString();
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= titles_.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return titles_.at(section);
}

void RecordSetModel::reload() {
    beginResetModel();
    endResetModel();
}
