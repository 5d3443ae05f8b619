// "数据库备份" of a database holding twelve generated months of 10,000 rows each: the
// encrypted snapshot through the open connection and the ZIP archive. Results in
// bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "BenchMonth.h"
#include "Database.h"
#include "DatabaseBackup.h"
#include "Schema.h"
#include "TestFolder.h"

namespace {

constexpr int kMonths = 12;

struct Setup {
    TestFolder folder;
    Database db;

    explicit Setup(int rows) {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        for (int m = 1; m <= kMonths; ++m) {
            bench_month::add(db, QStringLiteral("2024%1").arg(m, 2, 10, QChar(u'0')), rows);
        }
    }
};

void BM_Backup(benchmark::State& state) {
    static Setup s(int(state.range(0)));
    const QString target = s.folder.file(QStringLiteral("backup.GZBK"));
    for (auto _ : state) {
        DatabaseBackup(s.db, s.folder.path()).writeArchive(target);
    }
    state.counters["database_MiB"] =
        double(QFileInfo(Schema::databasePath(s.folder.path())).size()) / (1024.0 * 1024.0);
    state.counters["archive_MiB"] = double(QFileInfo(target).size()) / (1024.0 * 1024.0);
    state.SetItemsProcessed(state.iterations() * kMonths * state.range(0));
}

}  // namespace

BENCHMARK(BM_Backup)->Arg(10000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
