// Printing from the detail list of generated months: payslips and the detail table written
// as PDF files, and the POS slips text tmp.Txt. Results in bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>

#include "AppState.h"
#include "BenchMonth.h"
#include "Database.h"
#include "DetailList.h"
#include "DetailTable.h"
#include "PayslipRun.h"
#include "PosSlipText.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

struct Setup {
    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    TAppParams params;
    bench_month::MonthCache months;

    Setup() {
        bench_month::copyTree(QStringLiteral(GZT_DIST_DIR "/RPT"),
                              folder.file(QStringLiteral("RPT")));
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        db.exec(QStringLiteral("Update TPara Set EntName=?, PrintDays=1"),
                {QStringLiteral("星光机械厂")});
        params.PrintDays = 1;
        params.ShowFloat = 1;
        params.ShowXH = 1;
    }

    const QString& month(int rows) { return months.month(db, rows); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void rows(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// "打印工资条" / "全部打印" into a PDF file: the template chosen and filled, one payslip per row.
void BM_PayslipsPdf(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    if (!list.ReadyGZList(month, s.params.PrintDays)) state.SkipWithError("not loaded");
    const QString pdf = s.folder.file(QStringLiteral("payslips.pdf"));
    for (auto _ : state) {
        if (!PrintPayslipsToPdf(s.db, s.prompter, s.folder.path(), list, s.params, {}, false,
                                pdf)) {
            state.SkipWithError("not printed");
        }
    }
    state.counters["pdf_MiB"] = double(QFileInfo(pdf).size()) / (1024.0 * 1024.0);
    rows(state);
}

// "打印明细表" into a PDF file: the month's list loaded, the amount columns narrowed, the
// table laid out and written.
void BM_DetailTablePdf(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    const QString pdf = s.folder.file(QStringLiteral("table.pdf"));
    int pages = 0;
    for (auto _ : state) {
        pages = DetailTable::writeMonthPdf(s.db, s.prompter, s.params, month, pdf);
        if (pages <= 0) state.SkipWithError("not printed");
    }
    state.counters["pages"] = pages;
    rows(state);
}

// "POS工资条": tmp.Txt written from the loaded list.
void BM_PosSlips(benchmark::State& state) {
    Setup& s = setup();
    const QString month = s.month(int(state.range(0)));
    DetailList list(s.db, s.prompter);
    if (!list.ReadyGZList(month, s.params.PrintDays)) state.SkipWithError("not loaded");
    const QString format = AmountFormat(s.params);
    for (auto _ : state) {
        if (!PosSlipText::writeFile(s.prompter, list, format, s.folder.path())) {
            state.SkipWithError("not written");
        }
    }
    state.counters["file_MiB"] =
        double(QFileInfo(PosSlipText::filePath(s.folder.path())).size()) / (1024.0 * 1024.0);
    rows(state);
}

}  // namespace

BENCHMARK(BM_PayslipsPdf)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PayslipsPdf)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetailTablePdf)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PosSlips)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
