#include "EPayslipRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "Database.h"
#include "DatabaseError.h"
#include "PdfPayslipWriter.h"
#include "Prompter.h"
#include "Pub.h"
#include "ReportError.h"
#include "XlsError.h"
#include "XlsRewriter.h"
#include "XlsWorkbook.h"

namespace {

// The first column of the first row as text; empty on no row, NULL or a failing query.
QString queryText(Database& db, const QString& sql, const QVariantList& params = {}) {
    try {
        const QueryResult r = db.query(sql, params);
        if (r.rows.empty() || r.rows.front().isEmpty()) return {};
        const QVariant& v = r.rows.front().front();
        return (!v.isValid() || v.isNull()) ? QString() : v.toString();
    } catch (const DatabaseError&) {
        return {};
    }
}

int column(const QStringList& columns, const QString& name) {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    return -1;
}

QVariant valueOf(const QStringList& columns, const QVariantList& row, const QString& name) {
    const int c = column(columns, name);
    if (c < 0 || c >= row.size()) {
        throw DatabaseError(QStringLiteral("工资数据中没有字段“%1”").arg(name));
    }
    return row.at(c);
}

bool isNull(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

QString textOf(const QVariant& v) {
    return isNull(v) ? QString() : v.toString();
}

QString plainNumber(const QVariant& v) {
    return isNull(v) ? QString() : XlsNumberText(VariantToDouble(v));
}

}  // namespace

EPayslipRun::EPayslipRun(Database& db, Prompter& prompter, const QString& month,
                         const QString& templatePath, const TAppParams& params)
    : db_(db), prompter_(prompter), month_(month), templatePath_(templatePath), params_(params) {}

void EPayslipRun::setPdf(const QString& appPath, std::optional<QString> passwordColumn) {
    kind_ = FileKind::Pdf;
    appPath_ = appPath;
    passwordColumn_ = std::move(passwordColumn);
}

QString EPayslipRun::ChooseTemplate(const QString& printDays, int deductions, int earnings) {
    const QString days = printDays.isEmpty() ? QStringLiteral("0") : printDays;
    if (days == u"1") return QStringLiteral("RPT/GZBillWithDay.xls");
    if (days != u"0") return QStringLiteral("RPT/GZBillWithHour.xls");
    if (deductions <= 0) return QStringLiteral("RPT/GZBillNoKK.xls");
    if (deductions <= 5) {
        return earnings <= 10 ? QStringLiteral("RPT/GZBill.xls")
                              : QStringLiteral("RPT/GZBill20_5.xls");
    }
    if (deductions <= 10) {
        return earnings <= 10 ? QStringLiteral("RPT/GZBill10_10.xls")
                              : QStringLiteral("RPT/GZBill20_10.xls");
    }
    return QStringLiteral("RPT/GZBill30_15.xls");
}

QString EPayslipRun::TemplateForMonth(Database& db, const QString& appPath, const QString& month) {
    QString key = month;
    if (queryText(db, QStringLiteral("Select Count(*) from TGZSet where GZMonth=?"), {month}) ==
        u"0") {
        key = QStringLiteral("BASE");
    }
    const int deductions =
        queryText(db,
                  QStringLiteral(
                      "Select Count(*) from TGZSet where GZType=1 and ShowStu=0 and GZMonth=?"),
                  {key})
            .toInt();
    const int earnings =
        queryText(db,
                  QStringLiteral(
                      "Select Count(*) from TGZSet where GZType=0 and ShowStu=0 and GZMonth=?"),
                  {key})
            .toInt();
    const QString printDays = queryText(db, QStringLiteral("Select PrintDays from TPara"));
    return QDir(appPath).filePath(ChooseTemplate(printDays, deductions, earnings));
}

QString EPayslipRun::safeFileNamePart(const QString& text) {
    static const QString unsafe = QStringLiteral("/\\:*?\"<>|");
    QString safe = text;
    for (QChar& c : safe) {
        if (unsafe.contains(c) || c.unicode() < 0x20 || c.category() == QChar::Other_Control) {
            c = u'_';
        }
    }
    return safe;
}

QString EPayslipRun::fileNameFor(const QString& folder, int index, const QString& empName,
                                 FileKind kind) {
    const QString name = PadZeroLeft(QString::number(index), 4) + u'_' + safeFileNamePart(empName) +
                         (kind == FileKind::Pdf ? QStringLiteral(".pdf") : QStringLiteral(".xls"));
    return QDir(folder).filePath(name);
}

QString EPayslipRun::ReplaceAField(const QString& cell, const QString& placeholder,
                                   const QString& value) {
    const qsizetype at = cell.indexOf(placeholder);
    if (at < 0) return cell;
    const QString text = value.trimmed().isEmpty() ? QStringLiteral("-") : value;
    QString result = cell;
    result.replace(at, placeholder.size(), text);
    return result;
}

QString EPayslipRun::ReplaceAll(const QString& cell, const Replacements& replacements) {
    if (!cell.contains(u'[')) return cell;
    QString text = cell;
    for (const auto& [placeholder, value] : replacements) {
        text = ReplaceAField(text, placeholder, value);
    }
    return text;
}

namespace {

// "[...]" with no other bracket inside.
bool onePairOfBrackets(const QString& placeholder) {
    const qsizetype n = placeholder.size();
    if (n < 2 || placeholder.front() != u'[' || placeholder.back() != u']') return false;
    for (qsizetype i = 1; i + 1 < n; ++i) {
        const QChar c = placeholder.at(i);
        if (c == u'[' || c == u']') return false;
    }
    return true;
}

// Whether `value` holds a bracket and whether it is blanks only, in one pass.
void scanValue(const QString& value, bool& bracket, bool& blank) {
    bracket = false;
    blank = true;
    for (const QChar c : value) {
        if (c == u'[' || c == u']') bracket = true;
        if (!c.isSpace()) blank = false;
    }
}

// An opening bracket before the last one closed.
bool bracketInsideBrackets(const QString& text) {
    bool open = false;
    for (const QChar c : text) {
        if (c == u'[') {
            if (open) return true;
            open = true;
        } else if (c == u']') {
            open = false;
        }
    }
    return false;
}

}  // namespace

void EPayslipRun::CellFiller::setRow(const Replacements* replacements) {
    row_ = replacements;
    plain_ = true;
    shown_.clear();
    for (const auto& [placeholder, value] : *row_) {
        bool bracket = false;
        bool blank = false;
        scanValue(value, bracket, blank);
        if (bracket || !onePairOfBrackets(placeholder)) plain_ = false;
        shown_.push_back(blank ? QStringLiteral("-") : value);
    }
}

// Each placeholder in turn takes the first literal piece holding it, as ReplaceAField takes
// its first occurrence: a value never holds one, and none can span a value.
EPayslipRun::CellFiller::Cut EPayslipRun::CellFiller::cut(const QString& cell) const {
    Cut result;
    if (bracketInsideBrackets(cell)) {
        result.nested = true;
        return result;
    }
    result.pieces.push_back({-1, cell});
    for (std::size_t i = 0; i < row_->size(); ++i) {
        const QString& placeholder = (*row_)[i].first;
        for (std::size_t p = 0; p < result.pieces.size(); ++p) {
            if (result.pieces[p].replacement >= 0) continue;
            const qsizetype at = result.pieces[p].text.indexOf(placeholder);
            if (at < 0) continue;
            Piece after{-1, result.pieces[p].text.mid(at + placeholder.size())};
            result.pieces[p].text.truncate(at);
            const auto next = result.pieces.begin() + static_cast<std::ptrdiff_t>(p) + 1;
            result.pieces.insert(next, {Piece{static_cast<int>(i), {}}, std::move(after)});
            break;
        }
    }
    return result;
}

QString EPayslipRun::CellFiller::operator()(const QString& cell) {
    if (!cell.contains(u'[')) return cell;
    if (!plain_) return ReplaceAll(cell, *row_);
    auto it = cuts_.find(cell);
    if (it == cuts_.end()) it = cuts_.insert(cell, cut(cell));
    const Cut& c = it.value();
    if (c.nested) return ReplaceAll(cell, *row_);
    if (c.pieces.size() == 1) return cell;
    const auto pieceText = [&](const Piece& piece) -> const QString& {
        return piece.replacement < 0 ? piece.text
                                     : shown_[static_cast<std::size_t>(piece.replacement)];
    };
    qsizetype size = 0;
    for (const Piece& piece : c.pieces) size += pieceText(piece).size();
    QString text;
    text.reserve(size);
    for (const Piece& piece : c.pieces) text += pieceText(piece);
    return text;
}

void EPayslipRun::ReadyItems() {
    QueryResult r = db_.query(
        QStringLiteral("Select * from TGZSet where GZMonth=? Order by gztype,SortIDx"), {month_});
    if (r.rows.empty()) {
        r = db_.query(
            QStringLiteral("Select * from TGZSet where  GZMonth='BASE' Order by gztype,SortIDx"));
    }
    items_.clear();
    for (const QVariantList& row : r.rows) {
        Item item;
        item.field = textOf(valueOf(r.columns, row, QStringLiteral("GZField1")));
        item.name = textOf(valueOf(r.columns, row, QStringLiteral("GZName")));
        item.enabled = VariantToDouble(valueOf(r.columns, row, QStringLiteral("ShowStu"))) == 0;
        items_.push_back(item);
    }
}

EPayslipRun::Replacements EPayslipRun::replacementsFor(const QStringList& columns,
                                                       const QVariantList& row, int index) const {
    return valuesFor(planFor(columns), row, index);
}

EPayslipRun::Plan EPayslipRun::planFor(const QStringList& columns) const {
    using Source = Slot::Source;
    const auto from = [&](const QString& placeholder, Source source, const QString& field) {
        const int c = column(columns, field);
        if (c < 0) throw DatabaseError(QStringLiteral("工资数据中没有字段“%1”").arg(field));
        return Slot{placeholder, source, c, QString()};
    };
    const auto fixed = [](const QString& placeholder, const QString& text) {
        return Slot{placeholder, Source::Fixed, -1, text};
    };
    Plan plan;
    plan.amountFormat = AmountFormat(params_);
    plan.entries = {
        fixed(QStringLiteral("[单位名称]"), params_.EntName),
        from(QStringLiteral("[EmpName]"), Source::Text, QStringLiteral("EmpName")),
        fixed(QStringLiteral("[GZMonth]"), month_),
        from(QStringLiteral("[WorkDays]"), Source::Plain, QStringLiteral("WorkDays")),
        from(QStringLiteral("[HourCount]"), Source::Plain, QStringLiteral("HourCount")),
        from(QStringLiteral("[OneDayMOney]"), Source::WholeAmount, QStringLiteral("OneDayMOney")),
        Slot{QStringLiteral("[SortIdx]"), Source::Index, -1, QString()},
        from(QStringLiteral("[YFTotal]"), Source::Amount, QStringLiteral("YFTotal")),
        from(QStringLiteral("[KKTotal]"), Source::Amount, QStringLiteral("KKTotal")),
        from(QStringLiteral("[GZTotal]"), Source::Amount, QStringLiteral("GZTotal")),
    };
    for (const Item& item : items_) {
        const QString prefix = item.field.left(2).toUpper();
        const QString n = item.field.mid(2);
        QString caption;
        QString value;
        if (prefix == u"GZ") {
            caption = QStringLiteral("[工资项目%1]").arg(n);
            value = QStringLiteral("[GZ%1]").arg(n);
        } else if (prefix == u"KK") {
            caption = QStringLiteral("[扣款项目%1]").arg(n);
            value = QStringLiteral("[KK%1]").arg(n);
        } else {
            continue;
        }
        if (item.enabled) {
            plan.entries.push_back(fixed(caption, item.name));
            plan.entries.push_back(from(value, Source::Amount, item.field));
        } else {
            plan.entries.push_back(fixed(caption, QStringLiteral("-")));
            plan.entries.push_back(fixed(value, QStringLiteral("-")));
        }
    }
    return plan;
}

EPayslipRun::Replacements EPayslipRun::valuesFor(const Plan& plan, const QVariantList& row,
                                                 int index) const {
    Replacements list;
    list.reserve(plan.entries.size());
    for (const Slot& slot : plan.entries) {
        if (slot.column >= row.size()) {
            throw DatabaseError(QStringLiteral("工资数据中没有第 %1 列").arg(slot.column + 1));
        }
        const QVariant none;
        const QVariant& v = slot.column >= 0 ? row.at(slot.column) : none;
        switch (slot.source) {
            case Slot::Source::Fixed:
                list.emplace_back(slot.placeholder, slot.fixed);
                break;
            case Slot::Source::Text:
                list.emplace_back(slot.placeholder, textOf(v));
                break;
            case Slot::Source::Plain:
                list.emplace_back(slot.placeholder, plainNumber(v));
                break;
            case Slot::Source::WholeAmount:
                list.emplace_back(slot.placeholder,
                                  FormatFloat(QStringLiteral("0"), VariantToDouble(v)));
                break;
            case Slot::Source::Amount:
                list.emplace_back(slot.placeholder,
                                  FormatFloat(plan.amountFormat, VariantToDouble(v)));
                break;
            case Slot::Source::Index:
                list.emplace_back(slot.placeholder, QString::number(index));
                break;
        }
    }
    return list;
}

QString EPayslipRun::finishedMessage(const Summary& summary) {
    QString text = QStringLiteral("生成工资条结束！\n已生成工资条文件 %1 个，失败 %2 个。")
                       .arg(summary.written)
                       .arg(summary.failed);
    if (!summary.withoutPassword.isEmpty()) {
        text += QStringLiteral("\n以下 %1 名职员的密码列为空，没有生成工资条：\n")
                    .arg(summary.withoutPassword.size()) +
                summary.withoutPassword.join(u'\n');
    }
    return text;
}

void EPayslipRun::writeSpreadsheets(const QString& folder, Summary& summary) {
    std::optional<QueryResult> rows;
    try {
        rows = db_.query(salaryRowsSql(), {month_});
    } catch (const DatabaseError&) {
        // No files; the closing message is still shown.
    }
    if (rows) {
        // The template is read once; when it cannot be read every row fails.
        std::optional<XlsRewriter> rewriter;
        try {
            rewriter.emplace(XlsRewriter::load(templatePath_));
        } catch (const XlsError&) {
        }
        const int n = static_cast<int>(rows->rows.size());
        const int nameColumn = column(rows->columns, QStringLiteral("EmpName"));
        CellFiller filler;
        std::optional<Plan> plan;
        summary.rows = n;
        for (int i = 1; i <= n; ++i) {
            const QVariantList& row = rows->rows[static_cast<std::size_t>(i - 1)];
            const QString name =
                nameColumn >= 0 && nameColumn < row.size() ? textOf(row.at(nameColumn)) : QString();
            const QString file = fileNameFor(folder, i, name);
            bool written = false;
            try {
                if (rewriter) {
                    // A plan that cannot be made fails every row, each on its own.
                    if (!plan) plan = planFor(rows->columns);
                    const Replacements replacements = valuesFor(*plan, row, i);
                    filler.setRow(&replacements);
                    rewriter->rewriteToFile(file,
                                            [&](const QString& text) { return filler(text); });
                    written = true;
                }
            } catch (const std::exception&) {
                // The row is abandoned without a message; the run goes on.
            }
            if (written) {
                ++summary.written;
            } else {
                // No stale payslip of this name may be mailed later.
                if (QFileInfo(file).isFile()) QFile::remove(file);
                ++summary.failed;
            }
            if (progress_) progress_(i, n);
        }
    }
}

void EPayslipRun::writePdfFiles(const QString& folder, Summary& summary) {
    PdfPayslipWriter writer(db_, prompter_, appPath_, month_, params_);
    bool prepared = false;
    try {
        prepared = writer.prepare();
    } catch (const ReportError& e) {
        prompter_.error(e.message());
    }
    const int n = writer.rowCount();
    summary.rows = n;
    for (int i = 1; i <= n; ++i) {
        const QString name = writer.value(i - 1, QStringLiteral("EmpName"));
        const QString file = fileNameFor(folder, i, name, FileKind::Pdf);
        std::optional<QString> password;
        if (passwordColumn_) password = writer.value(i - 1, *passwordColumn_);
        bool written = false;
        if (password && password->trimmed().isEmpty()) {
            // Nobody could open it, or anybody could: the employee gets no file.
            summary.withoutPassword << QFileInfo(file).completeBaseName();
        } else if (prepared) {
            try {
                writer.write(i - 1, file, password);
                written = true;
            } catch (const std::exception&) {
                // The row is abandoned as a spreadsheet row would be; the run goes on.
            }
        }
        if (written) {
            ++summary.written;
        } else {
            if (QFileInfo(file).isFile()) QFile::remove(file);
            if (!password || !password->trimmed().isEmpty()) ++summary.failed;
        }
        if (progress_) progress_(i, n);
    }
}

std::optional<EPayslipRun::Summary> EPayslipRun::Button2Click(const QString& folder) {
    if (folder.isEmpty()) {
        prompter_.warning(QStringLiteral("请指定电子工资条的存放路径！"));
        return std::nullopt;
    }
    try {
        ReadyItems();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("读取数据库发生错误！"));
        return std::nullopt;
    }
    if (started_) started_();

    Summary summary;
    if (kind_ == FileKind::Pdf) {
        writePdfFiles(folder, summary);
    } else {
        writeSpreadsheets(folder, summary);
    }
    prompter_.info(finishedMessage(summary));
    if (prompter_.confirm(QStringLiteral("是否立即打开工资条文件所在目录？"))) {
        if (openFolder_) {
            openFolder_(folder);
        } else {
            ShellOpenFile(folder, QString());
        }
    }
    return summary;
}
