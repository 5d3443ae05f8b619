#pragma once

#include <QAbstractTableModel>
#include <QStringList>

class RecordSet;

// A read-only table over chosen fields of a record set, for small lists such as the pay months.
// Call reload() whenever the record set was reopened or changed.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    RecordSetModel(const RecordSet& set, QStringList fields, QStringList titles,
                   QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void reload();

  private:
    const RecordSet& set_;
    QStringList fields_;
    QStringList titles_;
};
