#include "GridExcelExport.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <vector>

#include "DetailLayout.h"
#include "Prompter.h"
#include "RecordSet.h"
#include "SpreadsheetError.h"
#include "XlsxWorkbookWriter.h"

namespace {

const QString kEarningGroup = QStringLiteral("应发工资");
const QString kDeductionGroup = QStringLiteral("应扣/代扣工资");
const QString kEarningTotal = QStringLiteral("应发工资|合计");
const QString kDeductionTotal = QStringLiteral("应扣/代扣工资|合计");

struct Range {
    int firstRow, firstColumn, lastRow, lastColumn;
    bool overlaps(const Range& o) const {
        return firstRow <= o.lastRow && o.firstRow <= lastRow && firstColumn <= o.lastColumn &&
               o.firstColumn <= lastColumn;
    }
};

// A group noted while the header is written: its first output column and its total column.
struct Group {
    int start = -1;
    int total = -1;
};

class SheetBuilder {
  public:
    SheetBuilder(XlsxWorkbookWriter& writer, const DetailLayout& layout, const RecordSet& rows)
        : writer_(writer), rows_(rows) {
        for (const DetailColumn& column : layout.columns()) {
            if (column.visible) columns_.push_back(&column);
        }
    }

    void build() {
        for (int k = 0; k < int(columns_.size()); ++k) {
            writer_.setColumnWidth(k, columns_[k]->width);
            writeHeader(k, *columns_[k]);
        }
        mergeGroups();
        for (int row = 0; row < rows_.recordCount(); ++row) {
            for (int k = 0; k < int(columns_.size()); ++k)
                writeValue(row + 2, k, row, *columns_[k]);
        }
    }

  private:
    void writeHeader(int k, const DetailColumn& column) {
        const int bar = column.title.indexOf(u'|');
        if (bar < 0) {
            merge({0, k, 1, k}, column.title);
            return;
        }
        if (earnings_.start < 0 && column.title.contains(kEarningGroup)) earnings_.start = k;
        if (deductions_.start < 0 && column.title.contains(kDeductionGroup)) deductions_.start = k;
        if (column.title == kEarningTotal) earnings_.total = k;
        if (column.title == kDeductionTotal) deductions_.total = k;
        groupTexts_[k] = column.title.left(bar);
        writer_.writeText(0, k, column.title.left(bar));
        writer_.writeText(1, k, column.title.mid(bar + 1));
    }

    void merge(const Range& range, const QString& text) {
        writer_.merge(range.firstRow, range.firstColumn, range.lastRow, range.lastColumn, text);
        merged_.push_back(range);
    }

    // False when the group cannot be merged; the merges after it are then not tried.
    bool mergeGroup(const Group& group) {
        if (group.start < 0) return true;
        if (group.total < 0) return false;
        const Range range{0, std::min(group.start, group.total), 0,
                          std::max(group.start, group.total)};
        if (range.firstColumn == range.lastColumn) return true;
        if (std::any_of(merged_.begin(), merged_.end(),
                        [&](const Range& done) { return done.overlaps(range); })) {
            return false;
        }
        merge(range, groupTexts_.value(range.firstColumn));
        return true;
    }

    void mergeGroups() {
        if (mergeGroup(earnings_)) mergeGroup(deductions_);
    }

    void writeValue(int sheetRow, int k, int row, const DetailColumn& column) {
        if (column.field == u"SortIdx") {
            writer_.writeNumber(sheetRow, k, row + 1);
            return;
        }
        const int field = rows_.fieldIndex(column.field);
        const QVariant value = field < 0 ? QVariant() : rows_.value(row, field);
        if (!value.isValid() || value.isNull()) {
            writer_.writeBlank(sheetRow, k);
            return;
        }
        switch (value.typeId()) {
            case QMetaType::Double:
            case QMetaType::Float:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                writer_.writeNumber(sheetRow, k, value.toDouble());
                return;
            case QMetaType::QDateTime:
                writer_.writeText(
                    sheetRow, k,
                    value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
                return;
            default:
                break;
        }
        // An amount edited into the list may still be text; it goes out as the number it is.
        if (column.isAmount()) {
            bool ok = false;
            const double number = value.toString().trimmed().toDouble(&ok);
            if (ok) {
                writer_.writeNumber(sheetRow, k, number);
                return;
            }
        }
        writer_.writeText(sheetRow, k, value.toString());
    }

    XlsxWorkbookWriter& writer_;
    const RecordSet& rows_;
    std::vector<const DetailColumn*> columns_;
    QHash<int, QString> groupTexts_;
    std::vector<Range> merged_;
    Group earnings_;
    Group deductions_;
};

QString safeFileNamePart(const QString& text) {
    QString safe;
    for (const QChar c : text) {
        const bool bad = c.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(c);
        safe += bad ? u'_' : c;
    }
    safe = safe.trimmed();
    return safe.isEmpty() ? QStringLiteral("工资明细") : safe;
}

}  // namespace

void GridExcelExport::write(const QString& path, const QString& title, const DetailLayout& layout,
                            const RecordSet& rows) {
    QTemporaryDir work;
    if (!work.isValid()) {
        throw SpreadsheetError(QStringLiteral("不能建立临时文件夹：%1").arg(work.errorString()));
    }
    const QString temporary = work.filePath(QStringLiteral("export.xlsx"));
    {
        XlsxWorkbookWriter writer(temporary);
        writer.setTitle(title);
        SheetBuilder(writer, layout, rows).build();
        writer.close();
    }
    QFile written(temporary);
    if (!written.open(QIODevice::ReadOnly)) {
        throw SpreadsheetError(
            QStringLiteral("写入Excel文件“%1”失败（%2）。").arg(path, written.errorString()));
    }
    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(written.readAll()) != written.size() ||
        !target.commit()) {
        throw SpreadsheetError(
            QStringLiteral("写入Excel文件“%1”失败（%2）。").arg(path, target.errorString()));
    }
}

QString GridExcelExport::exportFolder() {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("gzt-excel"));
}

bool GridExcelExport::openWithDesktop(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

QString GridExcelExport::fileNameFor(const QString& folder, const QString& title,
                                     const QDateTime& at) {
    const QString stem =
        safeFileNamePart(title) + u'_' + at.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QDir dir(folder);
    QString name = dir.filePath(stem + QStringLiteral(".xlsx"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = dir.filePath(stem + QStringLiteral("_%1.xlsx").arg(n));
    return name;
}

std::optional<QString> GridExcelExport::ExportGridToExcel(Prompter& prompter, const QString& title,
                                                          const DetailLayout& layout,
                                                          const RecordSet& rows,
                                                          const QString& folder,
                                                          const Opener& open) {
    if (!rows.isOpen()) {
        prompter.warning(QStringLiteral("查询过程没有执行，没有数据库可以发送！"));
        return std::nullopt;
    }
    if (!QDir().mkpath(folder)) {
        prompter.error(
            QStringLiteral("不能建立文件夹“%1”。").arg(QDir::toNativeSeparators(folder)));
        return std::nullopt;
    }
    const QString path = fileNameFor(folder, title, QDateTime::currentDateTime());
    try {
        write(path, title, layout, rows);
    } catch (const SpreadsheetError& e) {
        prompter.error(e.message());
        return std::nullopt;
    }
    if (!open(path)) {
        prompter.warning(QStringLiteral("系统不能连接到Excel,请确认Excel是否安装！") + u'\n' +
                         QDir::toNativeSeparators(path));
    }
    return path;
}
