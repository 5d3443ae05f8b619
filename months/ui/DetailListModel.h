#pragma once

#include <QAbstractTableModel>

class DetailList;

// The detail list as a table: one row per record of dsGZDetail, one column per layout position.
// Texts come from the list itself, so the grid shows what printing and export show.
class DetailListModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Horizontal header role giving the part of a two-level title above the bar.
    static constexpr int GroupRole = Qt::UserRole + 1;

    explicit DetailListModel(DetailList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Rows, texts and titles are read anew after the list was loaded, sorted or re-captioned.
    void reload();

  private:
    DetailList& list_;
};
