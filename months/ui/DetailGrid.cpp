#include "DetailGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "DetailList.h"
#include "DetailListModel.h"
#include "FooterBar.h"
#include "TwoLevelHeader.h"

namespace {

constexpr int kRowHeight = 20;

}  // namespace

DetailGrid::DetailGrid(DetailList& list, QWidget* parent)
    : QWidget(parent),
      list_(list),
      model_(new DetailListModel(list, this)),
      header_(new TwoLevelHeader),
      view_(new QTableView) {
    view_->setHorizontalHeader(header_);
    view_->setModel(model_);
    view_->setSortingEnabled(false);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->verticalHeader()->hide();
    // Fixed, equal rows keep scrolling through ten thousand rows cheap.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setMinimumSectionSize(1);
    view_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    view_->installEventFilter(this);

    footer_ = new FooterBar(list, view_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_);
    layout->addWidget(footer_);

    connect(header_, &QHeaderView::sectionClicked, this, [this](int position) {
        emit titleClicked(position);
        // The list decides whether the click sorted; the marker shows its decision, not the
        // header's own flip.
        applySortMarker();
    });
    // A column the user widens stays that wide across reloads, and printing sees the width shown.
    connect(header_, &QHeaderView::sectionResized, this, [this](int position, int, int size) {
        if (!applying_ && size > 0) list_.layout.column(position).width = size;
    });
    connect(view_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowActivated(index.row()); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                onCurrentChanged(current.isValid() ? current.row() : -1);
            });
    refresh();
}

void DetailGrid::refresh() {
    model_->reload();
    applyColumns();
    applySortMarker();
    footer_->refresh();
    const int row = list_.loaded() ? list_.dsGZDetail.recNo() : -1;
    setCurrentRow(row);
}

void DetailGrid::applyColumns() {
    applying_ = true;
    for (int position = 0; position < list_.layout.size(); ++position) {
        const DetailColumn& column = list_.layout.column(position);
        view_->setColumnHidden(position, !column.visible);
        if (column.visible) view_->setColumnWidth(position, column.width);
    }
    applying_ = false;
    header_->viewport()->update();
}

void DetailGrid::applySortMarker() {
    const int column = list_.sortColumn();
    header_->setSortIndicatorShown(column >= 0);
    if (column >= 0) {
        header_->setSortIndicator(column,
                                  list_.sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

int DetailGrid::currentRow() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void DetailGrid::setCurrentRow(int row) {
    QItemSelectionModel* selection = view_->selectionModel();
    if (row < 0 || row >= model_->rowCount()) {
        selection->clear();
        return;
    }
    // Keep the column the cursor is in, or the leftmost one in sight, so the table does not
    // scroll sideways.
    int column = view_->currentIndex().column();
    if (column < 0 || view_->isColumnHidden(column)) column = header_->logicalIndexAt(0);
    selection->setCurrentIndex(model_->index(row, qMax(column, 0)),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<int> DetailGrid::selectedRows() const {
    std::vector<int> rows;
    for (const QItemSelectionRange& range : view_->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void DetailGrid::onCurrentChanged(int row) {
    // The row commands act on the record set's current row.
    if (row >= 0 && list_.loaded() && row < list_.dsGZDetail.recordCount()) {
        list_.dsGZDetail.setRecNo(row);
    }
    emit currentRowChanged(row);
}

bool DetailGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const int row = currentRow();
            if (row >= 0) emit rowActivated(row);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
