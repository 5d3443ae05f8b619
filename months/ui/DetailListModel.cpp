#include "DetailListModel.h"

#include "DetailList.h"

namespace {

// Number formats consist of digit placeholders and separators only; the entry-time format
// ("yy-MM-dd hh:nn") and plain text columns stay left-aligned.
bool isNumberFormat(const QString& format) {
    if (format.isEmpty()) return false;
    for (const QChar c : format) {
        if (c != u'0' && c != u'#' && c != u'.' && c != u',') return false;
    }
    return true;
}

}  // namespace

DetailListModel::DetailListModel(DetailList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

int DetailListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !list_.loaded()) return 0;
    return list_.dsGZDetail.recordCount();
}

int DetailListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.layout.size();
}

QVariant DetailListModel::data(const QModelIndex& index, int role) const {
    // A row deleted since the last reload is not read; the owner reloads after row commands.
    if (!index.isValid() || index.row() >= rowCount()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return list_.displayText(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                Qt::Alignment(isNumberFormat(list_.layout.column(index.column()).format)
                                  ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter));
        default:
            return {};
    }
}

QVariant DetailListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    }
    if (section < 0 || section >= list_.layout.size()) return {};
    const DetailColumn& column = list_.layout.column(section);
    switch (role) {
        case Qt::DisplayRole:
            return column.caption();
        case GroupRole:
            return column.group();
        case Qt::ToolTipRole:
            return column.group().isEmpty() ? column.caption()
                                            : column.group() + u'：' + column.caption();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        default:
            return {};
    }
}

void DetailListModel::reload() {
    beginResetModel();
    endResetModel();
}
