#include "ExcelImport.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QVariant>
#include <cmath>

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "RowsAhead.h"
#include "Schema.h"
#include "SheetReader.h"
#include "SpreadsheetError.h"
#include "Transaction.h"

namespace {

const QString kSheetError = QStringLiteral("读取数据表发生错误！");

struct Column {
    QString name;
    bool numeric;
};

// The columns of TGZ by their names without letter case, and whether each holds numbers.
QHash<QString, Column> salaryColumns(Database& db) {
    QHash<QString, Column> columns;
    const QueryResult info = db.query(QStringLiteral("PRAGMA table_info(TGZ)"));
    const int nameAt = int(info.columns.indexOf(QStringLiteral("name")));
    const int typeAt = int(info.columns.indexOf(QStringLiteral("type")));
    for (const QVariantList& row : info.rows) {
        const QString name = row.at(nameAt).toString();
        const QString type = row.at(typeAt).toString().toUpper();
        const bool numeric =
            type.contains(QStringLiteral("REAL")) || type.contains(QStringLiteral("INT")) ||
            type.contains(QStringLiteral("NUM")) || type.contains(QStringLiteral("DOUB")) ||
            type.contains(QStringLiteral("FLOA"));
        columns.insert(name.toCaseFolded(), {name, numeric});
    }
    return columns;
}

// A plain number, as the sheet readers give most amounts, parsed without the locale's general
// parser; nothing for any other text.
std::optional<double> plainNumber(const QString& text) {
    char ascii[32];
    if (text.size() >= qsizetype(sizeof ascii)) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x80) return std::nullopt;
        ascii[i] = char(c);
    }
    return SheetReader::plainNumber(std::string_view(ascii, std::size_t(text.size())));
}

// Empty text stores null; a number column takes only a number.
std::optional<QVariant> storedValue(const QString& text, bool numeric) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return QVariant();
    if (!numeric) return QVariant(text);
    if (const std::optional<double> plain = plainNumber(trimmed)) return QVariant(*plain);
    bool ok = false;
    const double number = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return QVariant(number);
}

QString sumOf(const QString& prefix, int count) {
    QStringList terms;
    for (int i = 1; i <= count; ++i) terms << QStringLiteral("ifnull(%1%2,0)").arg(prefix).arg(i);
    return terms.join(u'+');
}

// The sum UpdateTotals makes of these values (a missing or empty one counts 0), added in the
// same order so that it comes out the same to the last bit.
double rowTotal(const QVariantList& values, const std::vector<int>& at) {
    double total = 0;
    bool first = true;
    for (const int i : at) {
        const double value = i < 0 || values.at(i).isNull() ? 0.0 : values.at(i).toDouble();
        total = first ? value : total + value;
        first = false;
    }
    return total;
}

}  // namespace

ExcelImport::ExcelImport(Database& db, Prompter& prompter, const QString& month,
                         const QString& fieldList)
    : db_(db), prompter_(prompter), month_(month), fields_(ImportFieldList::Parse(fieldList)) {
    PrepareMapping();
}

ExcelImport::~ExcelImport() = default;

std::vector<ExcelImport::MappingRow> ExcelImport::MappingFrom(
    const std::vector<ImportField>& fields) {
    std::vector<MappingRow> mapping;
    for (const ImportField& f : fields)
        mapping.push_back({f.caption, f.field, f.type, f.unique, f.required, QString()});
    return mapping;
}

void ExcelImport::PrepareMapping() {
    std::vector<MappingRow> fresh = MappingFrom(fields_);
    for (std::size_t i = 0; i < fresh.size() && i < mapping_.size(); ++i)
        fresh[i].excelColumn = mapping_[i].excelColumn;
    mapping_ = std::move(fresh);
}

void ExcelImport::setExcelColumn(int row, const QString& column) {
    if (row < 0 || row >= int(mapping_.size())) return;
    mapping_[row].excelColumn = column;
}

QStringList ExcelImport::sheetColumns() const {
    return table_ ? table_->columns : QStringList();
}

bool ExcelImport::Button6Click() {
    const std::optional<QString> path =
        prompter_.chooseOpenFile(QStringLiteral("选择用来导入的数据文件"), folder_, fileFilter());
    if (!path || path->isEmpty()) return false;
    folder_ = QFileInfo(*path).absolutePath();
    return OpenFile(*path);
}

bool ExcelImport::OpenFile(const QString& path) {
    reader_.reset();
    table_.reset();
    sheetNames_.clear();
    currentSheet_ = -1;
    importAllowed_ = false;
    autoMapPending_ = false;
    fileName_.clear();
    try {
        reader_ = SheetReader::open(path);
    } catch (const SpreadsheetError&) {
        prompter_.warning(QStringLiteral("确认选择的数据文件是正确的数据文件！"));
        return false;
    }
    fileName_ = path;
    sheetNames_ = reader_->sheetNames();
    if (sheetNames_.isEmpty()) {
        prompter_.error(kSheetError + u'\n' + QStringLiteral("文件中没有工作表。"));
        return false;
    }
    importAllowed_ = true;
    autoMapPending_ = true;
    return openSheet(0);
}

bool ExcelImport::openSheet(int index) {
    table_.reset();
    currentSheet_ = index;
    try {
        table_ = std::make_shared<const SheetTable>(reader_->readSheet(index));
    } catch (const SpreadsheetError& e) {
        prompter_.error(kSheetError + u'\n' + e.message());
        return false;
    }
    // The automatic mapping runs once per opened file, on the first sheet that could be read.
    if (autoMapPending_) {
        PrepareMapping();
        AutoMap(mapping_, *table_);
        autoMapPending_ = false;
    }
    return true;
}

bool ExcelImport::cmbTablesClick(int index) {
    if (!reader_ || index < 0 || index >= sheetNames_.size()) return false;
    return openSheet(index);
}

std::optional<QStringList> ExcelImport::Button1Click() {
    if (!reader_) {
        prompter_.warning(QStringLiteral("请首先选择源Excel数据文件，然后再指定列对应关系。"));
        return std::nullopt;
    }
    return sheetColumns();
}

std::optional<ExcelImport::Summary> ExcelImport::Button4Click() {
    if (!importEnabled()) return std::nullopt;
    Summary summary;
    try {
        // The new rows and their totals are one change: a stop or a failure between them leaves
        // the month as it was.
        Transaction transaction(db_);
        summary = UpdateData(db_, month_, *table_, mapping_);
        UpdateTotals(db_, month_);
        transaction.commit();
    } catch (const DatabaseError&) {
        // Nothing was kept; the open file can be imported again once the cause is mended.
        prompter_.error(QStringLiteral("保存数据发生错误！"));
        return std::nullopt;
    }
    importAllowed_ = false;
    prompter_.info(finishedMessage(summary));
    return summary;
}

void ExcelImport::AutoMap(std::vector<MappingRow>& mapping, const SheetTable& table) {
    for (MappingRow& row : mapping) {
        const int found = FindField(table, row.caption);
        if (found >= 0) row.excelColumn = table.columns.at(found);
    }
}

ExcelImport::Summary ExcelImport::UpdateData(Database& db, const QString& month,
                                             const SheetTable& table,
                                             const std::vector<MappingRow>& mapping) {
    struct Target {
        int source;
        QString field;
        bool numeric;
    };
    const int rowCount = int(table.rows.size());
    Summary summary;
    const QHash<QString, Column> columns = salaryColumns(db);
    // The month and the entry time are set by the import itself, the key by the database.
    const QStringList setHere{QStringLiteral("id"), QStringLiteral("gzmonth"),
                              QStringLiteral("logtime")};
    std::vector<Target> targets;
    for (const MappingRow& row : mapping) {
        if (row.excelColumn.isEmpty()) continue;
        const int source = FindField(table, row.excelColumn);
        const auto column = columns.constFind(row.field.toCaseFolded());
        // A mapping that names no sheet column or no salary column fails every row.
        if (source < 0 || column == columns.cend()) {
            summary.skipped = rowCount;
            return summary;
        }
        if (setHere.contains(column.key())) continue;
        std::erase_if(targets, [&](const Target& t) { return t.field == column->name; });
        targets.push_back({source, column->name, column->numeric});
    }
    QStringList names;
    QStringList marks;
    for (const Target& t : targets) {
        names << t.field;
        marks << QStringLiteral("?");
    }
    // Each row goes in with the totals UpdateTotals gives it, so that statement, which runs
    // next, finds them current and need not write the rows a second time. A sheet that sets a
    // total itself leaves them all to the statement.
    const auto targetOf = [&](const QString& field) {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (targets[i].field.compare(field, Qt::CaseInsensitive) == 0) return int(i);
        }
        return -1;
    };
    const auto targetsOf = [&](const QString& prefix, int count) {
        std::vector<int> at;
        for (int k = 1; k <= count; ++k) at.push_back(targetOf(prefix + QString::number(k)));
        return at;
    };
    const std::vector<int> earnings = targetsOf(QStringLiteral("GZ"), Schema::EarningCount);
    const std::vector<int> deductions = targetsOf(QStringLiteral("KK"), Schema::DeductionCount);
    const bool withTotals = targetOf(QStringLiteral("YFTotal")) < 0 &&
                            targetOf(QStringLiteral("KKTotal")) < 0 &&
                            targetOf(QStringLiteral("GZTotal")) < 0;
    if (withTotals) {
        names << QStringLiteral("YFTotal") << QStringLiteral("KKTotal")
              << QStringLiteral("GZTotal");
        marks << QStringLiteral("?") << QStringLiteral("?") << QStringLiteral("?");
    }
    names << QStringLiteral("GZMonth") << QStringLiteral("LOGTime");
    marks << QStringLiteral("?") << QStringLiteral("?");
    const QString sql =
        QStringLiteral("Insert into TGZ (%1) values (%2)").arg(names.join(u','), marks.join(u','));
    // The entry time as the database stores it, formatted once a second rather than per row.
    struct EntryTime {
        qint64 second = -1;
        QVariant text;
        const QVariant& now() {
            const QDateTime time = QDateTime::currentDateTime();
            const qint64 at = time.toSecsSinceEpoch();
            if (at != second) {
                second = at;
                text = time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            }
            return text;
        }
    } entryTime;
    // A row's values, or nothing when a cell cannot be stored. Made on a second thread while
    // the rows before are written; it reads only the sheet and the targets.
    const auto valuesOf = [&](std::size_t index) -> std::optional<QVariantList> {
        const QStringList& row = table.rows[index];
        QVariantList values;
        values.reserve(names.size());
        for (const Target& t : targets) {
            std::optional<QVariant> value = storedValue(row.at(t.source), t.numeric);
            if (!value) return std::nullopt;
            values << std::move(*value);
        }
        if (withTotals) {
            const double earned = rowTotal(values, earnings);
            const double deducted = rowTotal(values, deductions);
            values << earned << deducted << earned - deducted;
        }
        return values;
    };
    {
        Transaction transaction(db);
        RowsAhead rows(table.rows.size(), valuesOf);
        for (std::size_t i = 0; i < table.rows.size(); ++i) {
            std::optional<QVariantList> values = rows.take(i);
            if (!values) {
                ++summary.skipped;
                continue;
            }
            *values << month << entryTime.now();
            try {
                db.exec(sql, *values);
                ++summary.imported;
            } catch (const DatabaseError& e) {
                // Only a row the table refuses is skipped. After a failure of the database
                // itself the engine may have rolled back, and the next rows would go in
                // outside the transaction.
                if (!e.rowRefused() || !db.inTransaction()) throw;
                ++summary.skipped;
            }
        }
        transaction.commit();
    }
    return summary;
}

void ExcelImport::UpdateTotals(Database& db, const QString& month) {
    const QString earnings = sumOf(QStringLiteral("GZ"), Schema::EarningCount);
    const QString deductions = sumOf(QStringLiteral("KK"), Schema::DeductionCount);
    // A row that already holds these totals is left as it is: the month ends the same, and the
    // rows just imported are not written again. (Once YFTotal and KKTotal hold the sums, their
    // difference is the net total to the bit.)
    db.exec(QStringLiteral("Update TGZ Set YFTotal=%1,KKTotal=%2,GZTotal=%1-(%2) where GZMonth=? "
                           "and not (YFTotal is %1 and KKTotal is %2 and "
                           "GZTotal is YFTotal-KKTotal)")
                .arg(earnings, deductions),
            {month});
}

QString ExcelImport::finishedMessage(const Summary& summary) {
    return QStringLiteral("导入数据结束！\n已导入 %1 行，跳过 %2 行。")
        .arg(summary.imported)
        .arg(summary.skipped);
}
