// Spreadsheet import: a 10,000-row sheet with the detail list's headings (six text and
// attendance columns, ten earnings, five deductions) imported into an empty month, from .xls
// and from .xlsx. The sheets are written once by Debian's xlwt and openpyxl. Results in
// bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

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

namespace {

constexpr int kRows = 10000;
const QString kMonth = QStringLiteral("202406");

const char* const kWriteSheet = R"PY(
import sys
path, kind, rows = sys.argv[1], sys.argv[2], int(sys.argv[3])
earnings = ['基本工资', '岗位工资', '绩效工资', '加班工资', '全勤奖', '工龄工资', '交通补贴',
            '餐费补贴', '通讯补贴', '其他补贴']
deductions = ['养老保险', '医疗保险', '失业保险', '住房公积金', '个人所得税']
head = (['部门', '职员编码', '姓名', '职务', '出勤天数', '工资/天']
        + ['应发工资|' + e for e in earnings] + ['应扣/代扣工资|' + d for d in deductions])
departments = ['生产部', '财务部', '销售部', '行政部']
def row(i):
    return ([departments[i % 4], '%05d' % i, '职员%05d' % i, '职员', 21.5, 230.45]
            + [round(100.5 * k + i % 97, 2) for k in range(1, 11)]
            + [round(50.25 * k, 2) for k in range(1, 6)])
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
    QString fieldList;
    QString xls;
    QString xlsx;

    Setup() {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        DetailList list(db, prompter);
        list.ReadyGZList(kMonth, 1);
        fieldList = ImportFieldList::Build(list.layout);
        xls = files.filePath(QStringLiteral("pay.xls"));
        xlsx = files.filePath(QStringLiteral("pay.xlsx"));
        for (const auto& [path, kind] : {std::pair{xls, "xls"}, std::pair{xlsx, "xlsx"}}) {
            const int rc =
                QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                  {QStringLiteral("-c"), QString::fromUtf8(kWriteSheet), path,
                                   QString::fromLatin1(kind), QString::number(kRows)});
            if (rc != 0) std::fprintf(stderr, "writing %s failed\n", kind);
        }
    }

    const QString& file(int kind) const { return kind == 0 ? xls : xlsx; }
    void emptyMonth() { db.exec(QStringLiteral("delete from TGZ where GZMonth=?"), {kMonth}); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void label(benchmark::State& state) {
    state.SetLabel(state.range(0) == 0 ? ".xls" : ".xlsx");
    state.SetItemsProcessed(state.iterations() * kRows);
}

// Reading the file into a table of text: what the dialog does when the file is opened.
void BM_ReadSheet(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        const SheetTable table = SheetReader::open(s.file(int(state.range(0))))->readSheet(0);
        if (int(table.rows.size()) != kRows) state.SkipWithError("rows missing");
    }
    label(state);
}

// "选择来源Excel数据" and "导入数据": reading, automatic mapping, the rows written in one
// transaction and the totals statement.
void BM_ImportSheet(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyMonth();
        s.prompter.clear();
        state.ResumeTiming();
        ExcelImport import(s.db, s.prompter, kMonth, s.fieldList);
        if (!import.OpenFile(s.file(int(state.range(0))))) state.SkipWithError("not opened");
        const auto summary = import.Button4Click();
        if (!summary || summary->imported != kRows) state.SkipWithError("rows missing");
    }
    label(state);
}

// The same followed by what the main window does afterwards: the month's list reloaded and
// its totals recomputed from the shown items (ExcelMonthCommands::importFile).
void BM_ImportAndRecalculate(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        s.emptyMonth();
        state.ResumeTiming();
        const auto summary = ExcelMonthCommands::importFile(s.db, s.prompter, kMonth, 1,
                                                            s.file(int(state.range(0))));
        if (summary.imported != kRows) state.SkipWithError("rows missing");
    }
    label(state);
}

}  // namespace

BENCHMARK(BM_ReadSheet)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ImportSheet)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ImportAndRecalculate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
