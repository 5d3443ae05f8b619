// Electronic payslip files: writing the 1,000 files of a 1,000-row month, beside the
// floor of copying the template 1,000 times as the original's first step did. Results in
// bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

#include "Database.h"
#include "EPayslipRun.h"
#include "EPayslipTemplates.h"
#include "Pub.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"
#include "XlsRewriter.h"

namespace {

constexpr int kRows = 1000;
const QString kMonth = QStringLiteral("202406");

struct Month {
    TestFolder folder;
    Database db;
    QString templatePath;
    QString out;
    TAppParams params;
    std::vector<QString> names;

    Month() {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        EPayslipTemplates::writeAll(folder.file(QStringLiteral("RPT")));
        db.exec(QStringLiteral("update TPara set PrintDays=0"));
        templatePath = EPayslipRun::TemplateForMonth(db, folder.path(), kMonth);
        QDir(folder.path()).mkpath(QStringLiteral("out"));
        out = folder.file(QStringLiteral("out"));
        params.EntName = QStringLiteral("青禾科技有限公司");
        params.ShowFloat = 1;
        fixture::addMonth(db, kMonth);
        static const char* const departments[] = {"生产部", "财务部", "销售部", "行政部"};
        Transaction t(db);
        for (int i = 0; i < kRows; ++i) {
            QVariantMap v{{"DepartName", departments[i % 4]},
                          {"EmpName", QStringLiteral("职员%1").arg(i, 4, 10, QChar(u'0'))},
                          {"WorkDays", 21.5},
                          {"OneDayMOney", 230.45},
                          {"YFTotal", 6500.5 + i},
                          {"KKTotal", 820.25},
                          {"GZTotal", 5680.25 + i}};
            for (int k = 1; k <= 10; ++k) v[QStringLiteral("GZ%1").arg(k)] = 100.5 * k + i;
            for (int k = 1; k <= 5; ++k) v[QStringLiteral("KK%1").arg(k)] = 50.25 * k;
            fixture::addRow(db, kMonth, v);
        }
        t.commit();
        const QueryResult rows = db.query(EPayslipRun::salaryRowsSql(), {kMonth});
        const int nameColumn = static_cast<int>(rows.columns.indexOf(QStringLiteral("EmpName")));
        for (const QVariantList& row : rows.rows) names.push_back(row.at(nameColumn).toString());
    }
};

Month& month() {
    static Month m;
    return m;
}

void BM_WritePayslipFiles(benchmark::State& state) {
    Month& m = month();
    ScriptedPrompter prompter;
    for (auto _ : state) {
        prompter.clear();
        prompter.queueConfirm(false);
        EPayslipRun run(m.db, prompter, kMonth, m.templatePath, m.params);
        const auto summary = run.Button2Click(m.out);
        if (!summary || summary->written != kRows) state.SkipWithError("files missing");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_CopyTemplateFiles(benchmark::State& state) {
    Month& m = month();
    for (auto _ : state) {
        for (int i = 1; i <= kRows; ++i) {
            CopyFileStream(m.templatePath, EPayslipRun::fileNameFor(m.out, i, m.names[i - 1]));
        }
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// The rewriting alone, in memory: what the files cost above the copying.
void BM_RewriteInMemory(benchmark::State& state) {
    Month& m = month();
    const XlsRewriter rewriter = XlsRewriter::load(m.templatePath);
    ScriptedPrompter prompter;
    EPayslipRun run(m.db, prompter, kMonth, m.templatePath, m.params);
    run.ReadyItems();
    const QueryResult rows = m.db.query(EPayslipRun::salaryRowsSql(), {kMonth});
    const EPayslipRun::Replacements values =
        run.replacementsFor(rows.columns, rows.rows.front(), 1);
    EPayslipRun::CellFiller filler;
    for (auto _ : state) {
        for (int i = 0; i < kRows; ++i) {
            filler.setRow(&values);
            benchmark::DoNotOptimize(
                rewriter.rewrite([&](const QString& text) { return filler(text); }));
        }
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(BM_WritePayslipFiles)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_CopyTemplateFiles)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_RewriteInMemory)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
