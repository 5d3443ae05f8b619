#pragma once

// Helpers of the spreadsheet export and import tests: Debian's Python libraries, written by
// others, make the files the import reads (xlwt for .xls, openpyxl for .xlsx) and read back the
// files the export writes (openpyxl).

#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace sheettest {

// Runs a Python script with `input` on its standard input; its standard output. A failing
// script fails the calling test.
inline QByteArray runPython(const char* script, const QByteArray& input,
                            const QStringList& args = {}) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + args);
    if (!python.waitForStarted(10000)) {
        ADD_FAILURE() << "/usr/bin/python3 does not start";
        return {};
    }
    python.write(input);
    python.closeWriteChannel();
    python.waitForFinished(300000);
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        ADD_FAILURE() << "python failed: " << python.readAllStandardError().toStdString();
    }
    return python.readAllStandardOutput();
}

// Sheets as JSON: [{"name": "Sheet1", "rows": [["部门", "姓名"], ["财务部", null, 3000]]}];
// null leaves a cell empty. A sheet may instead give "generate": {"rows": n, "columns": [...]}
// to be filled by Python with n rows (for large sheets): column names, then cell k of row i
// is the text "<name>i" for text columns, or i + k for columns whose name starts with "#";
// "pad": m lengthens every text cell by m characters "工" (for sheets of many megabytes).
inline const char* const kWriteSheets = R"PY(
import json, sys
path, kind = sys.argv[1], sys.argv[2]
sheets = json.load(sys.stdin)

def rows_of(sheet):
    if 'generate' in sheet:
        g = sheet['generate']
        names = g['columns']
        pad = '\u5de5' * g.get('pad', 0)
        yield [n.lstrip('#') for n in names]
        for i in range(g['rows']):
            yield [(i + k) if n.startswith('#') else '%s%d%s' % (n, i, pad)
                   for k, n in enumerate(names)]
    else:
        for row in sheet['rows']:
            yield row

if kind == 'xls':
    import xlwt
    book = xlwt.Workbook(encoding='utf-8')
    for sheet in sheets:
        ws = book.add_sheet(sheet['name'])
        for r, row in enumerate(rows_of(sheet)):
            for c, value in enumerate(row):
                if value is not None:
                    ws.write(r, c, value)
    book.save(path)
else:
    import openpyxl
    book = openpyxl.Workbook(write_only=True)
    for sheet in sheets:
        ws = book.create_sheet(sheet['name'])
        for row in rows_of(sheet):
            ws.append(row)
    book.save(path)
)PY";

inline void writeSheets(const QString& path, const QString& kind, const QJsonArray& sheets) {
    runPython(kWriteSheets, QJsonDocument(sheets).toJson(QJsonDocument::Compact), {path, kind});
}

inline QJsonObject sheet(const QString& name, const QJsonArray& rows) {
    return QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("rows"), rows}};
}

// What openpyxl reads from the first sheet of an .xlsx file: the cells it holds with value,
// type and style, the merged ranges, the sheet's extent and the document title. "xf" is the
// cell's style index in the file (-1: the cell is not in the file), "merged" marks the
// covered cells of a merged range, whose style openpyxl does not read.
inline const char* const kReadXlsx = R"PY(
import json, re, sys, zipfile, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
ws = book.worksheets[0]
# openpyxl does not load the style of the covered cells of a merged range, so the raw style
# index of every cell comes from the sheet's XML.
xml = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml').decode('utf-8')
xf = {m.group(1): int(m.group(2) or 0)
      for m in re.finditer(r'<c r="([A-Z]+[0-9]+)"(?: s="([0-9]+)")?', xml)}
cells = {}
for row in ws.iter_rows(min_row=1, max_row=ws.max_row, max_col=ws.max_column):
    for cell in row:
        b = cell.border
        cells[cell.coordinate] = {
            'value': cell.value,
            'type': cell.data_type,
            'font': cell.font.name,
            'bold': bool(cell.font.bold),
            'wrap': bool(cell.alignment.wrap_text),
            'horizontal': cell.alignment.horizontal,
            'vertical': cell.alignment.vertical,
            'borders': [b.left.style, b.right.style, b.top.style, b.bottom.style],
            'xf': xf.get(cell.coordinate, -1),
            'merged': type(cell).__name__ == 'MergedCell',
        }
print(json.dumps({
    'sheets': book.sheetnames,
    'max_row': ws.max_row,
    'max_column': ws.max_column,
    'merged': sorted(str(r) for r in ws.merged_cells.ranges),
    'title': book.properties.title,
    'cells': cells,
}, ensure_ascii=False))
)PY";

inline QJsonObject readXlsx(const QString& path) {
    return QJsonDocument::fromJson(runPython(kReadXlsx, {}, {path})).object();
}

}  // namespace sheettest
