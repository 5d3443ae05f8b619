#include "SheetReader.h"

#include <QFile>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <limits>

#include "FreexlReader.h"
#include "SpreadsheetError.h"
#include "XlsxReader.h"

namespace {

const QByteArray kZipSignature("PK\x03\x04", 4);
const QByteArray kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

bool isNumber(const QString& text) {
    bool ok = false;
    QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

bool isHeadingRow(const SheetReader::RowCells& row) {
    return std::any_of(row.begin(), row.end(),
                       [](const SheetReader::Cell& cell) { return !isNumber(cell.text); });
}

QStringList fieldNames(const SheetReader::RowCells* heading, int first, int width) {
    QStringList names;
    QSet<QString> seen;
    QStringList texts(width);
    if (heading) {
        for (const SheetReader::Cell& cell : *heading) texts[cell.column - first] = cell.text;
    }
    for (int i = 0; i < width; ++i) {
        const QString number = QString::number(i + 1);
        QString name = texts.at(i).trimmed();
        if (name.isEmpty()) name = QStringLiteral("F") + number;
        while (seen.contains(name.toCaseFolded())) name += u'_' + number;
        seen.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

}  // namespace

std::unique_ptr<SheetReader> SheetReader::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw SpreadsheetError(
            QStringLiteral("不能打开文件“%1”：%2").arg(path, file.errorString()));
    }
    const QByteArray start = file.read(8);
    file.close();
    if (start.startsWith(kZipSignature)) return std::make_unique<XlsxReader>(path);
    if (start == kCompoundFileSignature) return std::make_unique<FreexlReader>(path);
    throw SpreadsheetError(QStringLiteral("文件“%1”不是Excel文件。").arg(path));
}

void SheetReader::requireSheet(int index) const {
    if (index < 0 || index >= sheetNames().size()) {
        throw SpreadsheetError(QStringLiteral("文件中没有第%1个工作表。").arg(index + 1));
    }
}

QString SheetReader::numberText(double value) {
    if (value == 0) return QStringLiteral("0");
    return QString::number(value, 'g', 15);
}

SheetTable SheetReader::makeTable(const QString& name, const std::vector<RowCells>& rows) {
    std::vector<const RowCells*> used;
    int first = std::numeric_limits<int>::max();
    int last = -1;
    for (const RowCells& row : rows) {
        bool any = false;
        for (const Cell& cell : row) {
            if (cell.text.isEmpty()) continue;
            any = true;
            first = std::min(first, cell.column);
            last = std::max(last, cell.column);
        }
        if (any) used.push_back(&row);
    }
    if (used.empty()) throw SpreadsheetError(QStringLiteral("工作表“%1”中没有数据。").arg(name));
    const int width = last - first + 1;
    if (qint64(width) * qint64(used.size()) > MaxCells) {
        throw SpreadsheetError(QStringLiteral("工作表“%1”太大（%2行×%3列），不能读取。")
                                   .arg(name)
                                   .arg(used.size())
                                   .arg(width));
    }
    const bool heading = isHeadingRow(*used.front());
    SheetTable table;
    table.name = name;
    table.columns = fieldNames(heading ? used.front() : nullptr, first, width);
    table.rows.reserve(used.size());
    for (std::size_t i = heading ? 1 : 0; i < used.size(); ++i) {
        QStringList texts(width);
        for (const Cell& cell : *used[i]) {
            if (!cell.text.isEmpty()) texts[cell.column - first] = cell.text;
        }
        table.rows.push_back(std::move(texts));
    }
    return table;
}
