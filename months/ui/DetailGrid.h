#pragma once

#include <QWidget>
#include <vector>

class DetailList;
class DetailListModel;
class FooterBar;
class QTableView;
class TwoLevelHeader;

// The salary detail table of the main window: the list's rows under two-level titles, with the
// footer line of sums below. Read-only; whole rows are selected, several at a time. Sorting is
// the list's: a title click is reported, and the owner sorts the list and calls refresh().
class DetailGrid : public QWidget {
    Q_OBJECT

  public:
    explicit DetailGrid(DetailList& list, QWidget* parent = nullptr);

    // After the list was loaded, reloaded, re-captioned or sorted: rows, titles, visibility,
    // widths, formats, footer and the sort marker follow the list.
    void refresh();

    QTableView* view() const { return view_; }
    int currentRow() const;  // -1 when none
    void setCurrentRow(int row);
    std::vector<int> selectedRows() const;  // view positions of the selected rows, ascending

  signals:
    void titleClicked(int position);
    void rowActivated(int row);
    void currentRowChanged(int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void applyColumns();
    void applySortMarker();
    void onCurrentChanged(int row);

    DetailList& list_;
    DetailListModel* model_;
    TwoLevelHeader* header_;
    QTableView* view_;
    FooterBar* footer_;
    bool applying_ = false;  // column widths set from the layout are not written back
};
