#pragma once

#include <QAbstractTableModel>
#include <memory>

struct SheetTable;

// The preview of an import sheet: its fields as titles, its rows as read. Shows nothing while
// no sheet is set. The model shares the table, so it stays valid whatever the import does.
class SheetPreviewModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTable(std::shared_ptr<const SheetTable> table);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    std::shared_ptr<const SheetTable> table_;
};
