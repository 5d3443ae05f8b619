// The detail list of one month: loading it (query, RecordSet, grid), ReCalcAll with its batch
// write, the month copy, and how many cells the grid formats while scrolling. Generated months
// of 10,000 and 100,000 rows in one encrypted database. Results in bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QIdentityProxyModel>
#include <QScrollBar>
#include <QTableView>

#include "BenchMonth.h"
#include "Database.h"
#include "DetailGrid.h"
#include "DetailList.h"
#include "MonthCopy.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

struct Setup {
    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    bench_month::MonthCache months;

    Setup() { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }

    const QString& month(int rows) { return months.month(db, rows); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void rows(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The logic of loading: the print marks cleared, the structure read, the rows read into the
// RecordSet.
void BM_ReadyGZList(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    for (auto _ : state) {
        if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
    }
    rows(state);
}

// The list load with the grid's model: the same followed by the grid's refresh (model reset,
// columns, footer sums), the grid not painted.
void BM_ReadyGZListModel(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    DetailGrid grid(list);
    for (auto _ : state) {
        if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
        grid.refresh();
    }
    rows(state);
}

// Loading as the main window does it: the same followed by the grid's refresh (model reset,
// columns, footer sums) and painting the rows that are visible.
void BM_ReadyGZListShown(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    DetailGrid grid(list);
    grid.resize(1280, 800);
    grid.show();
    QApplication::processEvents();
    for (auto _ : state) {
        if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
        grid.refresh();
        grid.view()->viewport()->repaint();
    }
    rows(state);
}

// The totals of every row recomputed and written back in one batch: before each run the
// month's totals are made stale in the table and the list is loaded again (not timed), so every
// row has its totals to write.
void BM_ReCalcAll(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    for (auto _ : state) {
        state.PauseTiming();
        s.db.exec(QStringLiteral("update TGZ set YFTotal=YFTotal+1, KKTotal=KKTotal+1, "
                                 "GZTotal=GZTotal+1 where GZMonth=?"),
                  {month});
        if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
        state.ResumeTiming();
        if (!list.ReCalcAll()) state.SkipWithError("not written");
    }
    rows(state);
}

// The same on a month whose totals are current, as after any recalculation: nothing to write.
void BM_ReCalcAllCurrent(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
    for (auto _ : state) {
        if (!list.ReCalcAll()) state.SkipWithError("not written");
    }
    rows(state);
}

// "月度数据复制" into an empty month: the rows read and written in one transaction, and the
// structure copied.
void BM_MonthCopy(benchmark::State& state) {
    Setup& s = setup();
    const QString source = s.month(int(state.range(0)));
    const QString target = QStringLiteral("209912");
    s.db.exec(QStringLiteral("insert or ignore into TGZMonth (GZMonth) values (?)"), {target});
    const auto choose = [&]() -> std::optional<QString> { return source; };
    for (auto _ : state) {
        state.PauseTiming();
        s.db.exec(QStringLiteral("delete from TGZ where GZMonth=?"), {target});
        state.ResumeTiming();
        if (!MonthCopy::Button9Click(s.db, s.prompter, target, false, choose)) {
            state.SkipWithError("not copied");
        }
    }
    s.db.exec(QStringLiteral("delete from TGZ where GZMonth=?"), {target});
    rows(state);
}

// Passes every call through and counts the cells whose display text was asked for.
class CountingModel : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) ++texts;
        return QIdentityProxyModel::data(index, role);
    }
    mutable long long texts = 0;
};

// Scrolling the grid a page at a time through the month: reports the display texts asked for
// per page against the cells visible on it.
void BM_GridScroll(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    if (!list.ReadyGZList(month, 1)) state.SkipWithError("not loaded");
    DetailGrid grid(list);
    grid.resize(1280, 800);
    grid.show();
    QTableView* view = grid.view();
    CountingModel counting;
    counting.setSourceModel(view->model());
    view->setModel(&counting);
    // A new model resets the header: the columns as the grid set them.
    for (int c = 0; c < list.layout.size(); ++c) {
        const DetailColumn& column = list.layout.column(c);
        view->setColumnHidden(c, !column.visible);
        if (column.visible) view->setColumnWidth(c, column.width);
    }
    QApplication::processEvents();
    QScrollBar* bar = view->verticalScrollBar();
    const int page = std::max(1, bar->pageStep());
    long long pages = 0;
    counting.texts = 0;
    for (auto _ : state) {
        const int next = bar->value() + page > bar->maximum() ? 0 : bar->value() + page;
        bar->setValue(next);
        view->viewport()->repaint();
        ++pages;
    }
    const QRect area = view->viewport()->rect();
    const int firstRow = view->rowAt(area.top());
    const int lastRow = view->rowAt(area.bottom());
    int visibleColumns = 0;
    for (int c = 0; c < counting.columnCount(); ++c) {
        const int x = view->columnViewportPosition(c);
        if (!view->isColumnHidden(c) && x + view->columnWidth(c) > 0 && x < area.width())
            ++visibleColumns;
    }
    state.counters["texts_per_page"] = double(counting.texts) / double(std::max(1LL, pages));
    state.counters["visible_cells"] = double((lastRow - firstRow + 1) * visibleColumns);
    state.counters["all_cells"] = double(counting.rowCount()) * counting.columnCount();
    view->setModel(counting.sourceModel());
}

}  // namespace

BENCHMARK(BM_ReadyGZList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadyGZListModel)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadyGZListShown)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReCalcAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReCalcAllCurrent)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonthCopy)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridScroll)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
