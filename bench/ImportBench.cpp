// Spreadsheet import: a sheet with the detail list's headings imported into an empty month,
// from .xls and from .xlsx. Two month layouts: 21 columns (six text and attendance columns, ten
// earnings, five deductions: the default items) and 50 columns (the six, thirty earnings,
// fourteen deductions). The arguments are the format (0 .xls, 1 .xlsx), the columns and the
// rows. The sheets are written by Debian's xlwt and openpyxl when first used. Results in
// bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <tuple>

#include "Database.h"
#include "DetailList.h"
#include "ExcelImport.h"
#include "ExcelMonthCommands.h"
#include "ImportFieldList.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SheetReader.h"
#include "TestFolder.h"
#include "XlsxSheetCells.h"

namespace {

const QString kMonth21 = QStringLiteral("202406");
const QString kMonth50 = QStringLiteral("202407");

// The headings come in as one argument separated by tabs; the first four columns are text
// (department, code, name, post), the others numbers.
const char* const kWriteSheet = R"PY(
import sys
path, kind, rows, head = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4].split('\t')
departments = ['生产部', '财务部', '销售部', '行政部']
amounts = len(head) - 6
def row(i):
    return ([departments[i % 4], '%05d' % i, '职员%05d' % i, '职员', 21.5, 230.45]
            + [round(100.5 * k + i % 97, 2) for k in range(1, amounts + 1)])
if kind == 'xls':
    import xlwt
    book = xlwt.Workbook(encoding='utf-8')
    ws = book.add_sheet('工资')
    for c, v in enumerate(head):
        ws.write(0, c, v)
    for i in range(rows):
        for c, v in enumerate(row(i)):
            ws.write(i + 1, c, v)
    book.save(path)
else:
    import openpyxl
    book = openpyxl.Workbook(write_only=True)
    ws = book.create_sheet('工资')
    ws.append(head)
    for i in range(rows):
        ws.append(row(i))
    book.save(path)
)PY";

struct Setup {
    TestFolder folder;
    QTemporaryDir files;
    Database db;
    ScriptedPrompter prompter;
    std::map<int, QString> fieldLists;
    std::map<std::tuple<int, int, int>, QString> sheets;

    Setup() {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth21);
        fixture::addMonth(db, kMonth50);
        fixture::addStructure(db, kMonth50, 30, 14);
        for (const auto& [columns, month] : {std::pair{21, kMonth21}, std::pair{50, kMonth50}}) {
            DetailList list(db, prompter);
            list.ReadyGZList(month, 1);
            fieldLists[columns] = ImportFieldList::Build(list.layout);
        }
    }

    static QString month(int columns) { return columns == 50 ? kMonth50 : kMonth21; }
    const QString& fieldList(int columns) { return fieldLists.at(columns); }

    // The sheet of that format, layout and size, written on first use.
    const QString& file(int kind, int columns, int rows) {
        const auto key = std::make_tuple(kind, columns, rows);
        const auto found = sheets.find(key);
        if (found != sheets.end()) return found->second;
        const QString suffix = kind == 0 ? QStringLiteral("xls") : QStringLiteral("xlsx");
        const QString path =
            files.filePath(QStringLiteral("pay-%1-%2.%3").arg(columns).arg(rows).arg(suffix));
        QStringList head;
        for (const ImportField& field : ImportFieldList::Parse(fieldList(columns)))
            head << field.caption;
        if (head.size() != columns) std::fprintf(stderr, "%d headings\n", int(head.size()));
        const int rc = QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                         {QStringLiteral("-c"), QString::fromUtf8(kWriteSheet),
                                          path, suffix, QString::number(rows), head.join(u'\t')});
        if (rc != 0) std::fprintf(stderr, "writing %s failed\n", qPrintable(suffix));
        return sheets.emplace(key, path).first->second;
    }
    void emptyMonth(int columns) {
        db.exec(QStringLiteral("delete from TGZ where GZMonth=?"), {month(columns)});
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

int kindOf(const benchmark::State& state) {
    return int(state.range(0));
}
int columnsOf(const benchmark::State& state) {
    return int(state.range(1));
}
int rowsOf(const benchmark::State& state) {
    return int(state.range(2));
}
const QString& fileOf(const benchmark::State& state) {
    return setup().file(kindOf(state), columnsOf(state), rowsOf(state));
}

void label(benchmark::State& state) {
    state.SetLabel(kindOf(state) == 0 ? ".xls" : ".xlsx");
    state.SetItemsProcessed(state.iterations() * rowsOf(state));
}

// Reading the file into a table of text: what the dialog does when the file is opened.
void BM_ReadSheet(benchmark::State& state) {
    const QString& path = fileOf(state);
    for (auto _ : state) {
        const SheetTable table = SheetReader::open(path)->readSheet(0);
        if (int(table.rows.size()) != rowsOf(state)) state.SkipWithError("rows missing");
    }
    label(state);
}

// The worksheet part of the 50-column .xlsx alone, read by one parser (0) or cut in two halves
// read at the same time (1).
void BM_SheetCells(benchmark::State& state) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), setup().file(1, 50, 10000),
                                          QStringLiteral("xl/worksheets/sheet1.xml")});
    unzip.waitForFinished(60000);
    const QByteArray part = unzip.readAllStandardOutput();
    const QStringList strings;
    const qsizetype splitSize = state.range(0) == 0 ? part.size() + 1 : 0;
    for (auto _ : state) {
        const XlsxSheetCells::Rows rows =
            XlsxSheetCells::read(QStringLiteral("工资"), strings, part, splitSize);
        if (rows.size() != 10001) state.SkipWithError("rows missing");
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}

// "选择来源Excel数据" and "导入数据": reading, automatic mapping, the rows written in one
// transaction and the totals statement.
void BM_ImportSheet(benchmark::State& state) {
    Setup& s = setup();
    const QString& path = fileOf(state);
    const int columns = columnsOf(state);
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyMonth(columns);
        s.prompter.clear();
        state.ResumeTiming();
        ExcelImport import(s.db, s.prompter, Setup::month(columns), s.fieldList(columns));
        if (!import.OpenFile(path)) state.SkipWithError("not opened");
        const auto summary = import.Button4Click();
        if (!summary || summary->imported != rowsOf(state)) state.SkipWithError("rows missing");
    }
    label(state);
}

// The same followed by what the main window does afterwards: the month's list reloaded and
// its totals recomputed from the shown items (ExcelMonthCommands::importFile).
void BM_ImportAndRecalculate(benchmark::State& state) {
    Setup& s = setup();
    const QString& path = fileOf(state);
    const int columns = columnsOf(state);
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyMonth(columns);
        state.ResumeTiming();
        const auto summary =
            ExcelMonthCommands::importFile(s.db, s.prompter, Setup::month(columns), 1, path);
        if (summary.imported != rowsOf(state)) state.SkipWithError("rows missing");
    }
    label(state);
}

}  // namespace

// Both formats in both layouts at 10,000 rows.
void sizes(benchmark::internal::Benchmark* b) {
    for (const int columns : {21, 50}) {
        for (const int kind : {0, 1}) b->Args({kind, columns, 10000});
    }
}

BENCHMARK(BM_SheetCells)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadSheet)->Apply(sizes)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ImportSheet)->Apply(sizes)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ImportAndRecalculate)->Apply(sizes)->Unit(benchmark::kMillisecond)->MinTime(3.0);
// The growth: 100,000 rows of .xlsx, and for .xls 60,000 (a sheet holds 65,536 rows at most).
// One iteration each; run them on their own with a filter.
BENCHMARK(BM_ImportSheet)
    ->Args({0, 50, 60000})
    ->Args({1, 50, 100000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
