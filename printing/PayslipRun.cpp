#include "PayslipRun.h"

#include <QDir>

#include "Database.h"
#include "DatabaseError.h"
#include "DetailList.h"
#include "PayslipData.h"
#include "PdfReportOutput.h"
#include "Prompter.h"
#include "ReportError.h"
#include "ReportLayout.h"
#include "ReportOutput.h"
#include "Schema.h"

namespace {

const QString kReadError = QStringLiteral("读取数据库发生错误！");
const QString kBlank = QStringLiteral(" ");
const QString kDefaultBillHeight = QStringLiteral("296.78");
// The widths the computed layout shares out among the earnings and the deduction columns.
constexpr double kEarningsRowWidth = 6;
constexpr double kDeductionsRowWidth = 3;

QString asText(const QVariant& value) {
    return (!value.isValid() || value.isNull()) ? QString() : value.toString();
}

int asCount(const QString& text) {
    return text.isEmpty() ? 0 : text.toInt();
}

// The enabled items of one kind, their caption and amount column in the order given.
std::vector<std::pair<QString, QString>> enabledItems(Database& db, const QString& month, int type,
                                                      const QString& order) {
    const QueryResult result = db.query(
        QStringLiteral("Select GZName, GZField1 from TGZSet where GZType=? and ShowStu=0 and "
                       "GZMonth=? Order by ") +
            order,
        {type, month});
    std::vector<std::pair<QString, QString>> items;
    for (const QVariantList& row : result.rows) items.emplace_back(asText(row[0]), asText(row[1]));
    return items;
}

// Captions and binds `items` in columns 1..n, then blanks and hides the columns n+1..count.
// Positions are set only in the computed layout.
void fillColumns(ReportLayout& layout, const std::vector<std::pair<QString, QString>>& items,
                 int count, double rowWidth, const QString& caption, const QString& amount,
                 const QString& captionFrame, const QString& amountFrame, bool computed) {
    const int n = int(items.size());
    const double w = n == 0 ? rowWidth : rowWidth / n;
    for (int i = 1; i <= n; ++i) {
        const QString number = QString::number(i);
        layout.SetRavText(caption + number, items[i - 1].first, i, w, computed);
        layout.SetRavDataText(amount + number, items[i - 1].second, i, w, computed);
        layout.SetRavRectangle(captionFrame + number, i, w, true, computed);
        layout.SetRavRectangle(amountFrame + number, i, w, true, computed);
    }
    for (int i = n + 1; i <= count; ++i) {
        const QString number = QString::number(i);
        layout.SetRavText(caption + number, kBlank, 1, w, false);
        layout.SetRavDataText(amount + number, kBlank, 1, w, false);
        layout.SetRavRectangle(captionFrame + number, 1, w, false, computed);
        layout.SetRavRectangle(amountFrame + number, 1, w, false, computed);
    }
}

}  // namespace

PayslipRun::PayslipRun(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
                       const TAppParams& params)
    : db_(db), prompter_(prompter), appPath_(appPath), list_(list), params_(params) {}

QString PayslipRun::ChooseTemplate(const QString& printDays, int deductions, int earnings) {
    if (printDays == u"0") {
        if (deductions == 0) return QStringLiteral("RPT/GZBillNoKK.RAV");
        if (deductions <= 5) {
            return earnings <= 10 ? QStringLiteral("RPT/GZBill.RAV")
                                  : QStringLiteral("RPT/GZBill20_5.RAV");
        }
        if (deductions <= 10) {
            return earnings <= 10 ? QStringLiteral("RPT/GZBill10_10.RAV")
                                  : QStringLiteral("RPT/GZBill20_10.RAV");
        }
        return QStringLiteral("RPT/GZBill30_15.RAV");
    }
    if (printDays == u"1") {
        return deductions <= 5 && earnings <= 10 ? QStringLiteral("RPT/GZBillWithDay.RAV")
                                                 : QStringLiteral("RPT/GZBillWithDay20_10.RAV");
    }
    if (printDays == u"2") return QStringLiteral("RPT/GZBillWithHour.RAV");
    return QStringLiteral("RPT/GZBillWithDay.RAV");
}

QString PayslipRun::singleValue(const QString& sql, const QVariantList& params) {
    try {
        const QueryResult result = db_.query(sql, params);
        if (result.rows.empty() || result.rows.front().isEmpty()) return QString();
        return asText(result.rows.front().front());
    } catch (const DatabaseError&) {
        return QString();
    }
}

QVariantMap PayslipRun::parameterRow() {
    QVariantMap row;
    try {
        const QueryResult result = db_.query(QStringLiteral("select * from TPara"));
        if (result.rows.empty()) return row;
        for (qsizetype i = 0; i < result.columns.size(); ++i) {
            row.insert(result.columns.at(i), result.rows.front().value(i));
        }
    } catch (const DatabaseError&) {
        // Without the row the templates' parameter fields print nothing.
    }
    return row;
}

bool PayslipRun::prepare() {
    itemsMonth_ = list_.month();
    const QString own =
        singleValue(QStringLiteral("Select Count(*) from TGZSet where GZMonth=?"), {itemsMonth_});
    if (own.isEmpty() || own == u"0") itemsMonth_ = QStringLiteral("BASE");

    const int deductions = asCount(singleValue(
        QStringLiteral("Select Count(*) from TGZSet where GZType=1 and ShowStu=0 and GZMonth=?"),
        {itemsMonth_}));
    const int earnings = asCount(singleValue(
        QStringLiteral("Select Count(*) from TGZSet where GZType=0 and ShowStu=0 and GZMonth=?"),
        {itemsMonth_}));
    QString height = singleValue(QStringLiteral("Select [BillHeight] from TPara"));
    if (height.isEmpty()) height = kDefaultBillHeight;
    QString printDays = singleValue(QStringLiteral("Select PrintDays from TPara"));
    if (printDays.isEmpty()) printDays = QStringLiteral("0");
    bool numeric = false;
    double millimetres = height.toDouble(&numeric);
    if (!numeric) millimetres = kDefaultBillHeight.toDouble();

    RvProject1.setProjectFile(
        QDir(appPath_).filePath(ChooseTemplate(printDays, deductions, earnings)));
    RvProject1.close();
    RvProject1.open();

    ReportLayout layout(RvProject1, params_.TopPos);
    layout.SetPageHeight(millimetres);
    fillTitle(layout, parameterRow());
    const bool computed = UsesComputedLayout(deductions, earnings);
    if (!fillEarnings(layout, computed)) return false;
    switch (fillDeductions(layout, computed)) {
        case Deductions::Failed:
            return false;
        case Deductions::None:
            // Without deductions the leading column and attendance captions stay as drawn.
            return true;
        case Deductions::Filled:
            break;
    }
    fillLeadingColumn(layout);
    fillAttendanceCaptions(layout);
    return true;
}

void PayslipRun::fillTitle(ReportLayout& layout, const QVariantMap& parameters) {
    layout.SetRavTextOnly(
        QStringLiteral("TextTitle"),
        asText(parameters.value(QStringLiteral("EntName"))) + QStringLiteral("工资单"));
    if (params_.NameOnTitle == 1) {
        layout.SetRavTextOnly(QStringLiteral("Text61"), QStringLiteral("-"));
        return;
    }
    layout.SetRavTextOnly(QStringLiteral("Text61"), kBlank);
    layout.SetRavDataText(QStringLiteral("DataText91"), kBlank, 0, 0, false);
    layout.SetRavDataText(QStringLiteral("DataText92"), kBlank, 0, 0, false);
}

bool PayslipRun::fillEarnings(ReportLayout& layout, bool computed) {
    try {
        const auto items = enabledItems(db_, itemsMonth_, 0, QStringLiteral("SortIdx"));
        fillColumns(layout, items, Schema::EarningCount, kEarningsRowWidth, QStringLiteral("TextA"),
                    QStringLiteral("DataTextA"), QStringLiteral("RectangleA"),
                    QStringLiteral("RectangleB"), computed);
    } catch (const DatabaseError&) {
        prompter_.error(kReadError);
        return false;
    } catch (const ReportError&) {
        prompter_.error(kReadError);
        return false;
    }
    return true;
}

PayslipRun::Deductions PayslipRun::fillDeductions(ReportLayout& layout, bool computed) {
    std::vector<std::pair<QString, QString>> items;
    try {
        items = enabledItems(db_, itemsMonth_, 1, QStringLiteral("ID"));
    } catch (const DatabaseError&) {
        prompter_.error(kReadError);
        return Deductions::Failed;
    }
    if (items.empty()) return Deductions::None;
    fillColumns(layout, items, Schema::DeductionCount, kDeductionsRowWidth, QStringLiteral("TextC"),
                QStringLiteral("DataTextC"), QStringLiteral("RectangleC"),
                QStringLiteral("RectangleD"), computed);
    return Deductions::Filled;
}

void PayslipRun::fillLeadingColumn(ReportLayout& layout) {
    if (params_.ShowXH == 0) {
        layout.SetRavText(QStringLiteral("Text2"), kBlank, 0, 0, false);
        layout.SetRavDataText(QStringLiteral("DataText3"), kBlank, 0, 0, false);
    } else if (params_.ShowXH == 2) {
        layout.SetRavText(QStringLiteral("Text2"), QStringLiteral("职员编码"), 0, 0, false);
        layout.SetRavDataText(QStringLiteral("DataText3"), QStringLiteral("EmpCode"), 0, 0, false);
    }
}

void PayslipRun::fillAttendanceCaptions(ReportLayout& layout) {
    switch (params_.PrintDays) {
        case 1:
            layout.SetRavText(QStringLiteral("Text6"), QStringLiteral("工资/天"), 0, 0, false);
            break;
        case 2:
            layout.SetRavText(QStringLiteral("Text6"), QStringLiteral("工资/小时"), 0, 0, false);
            break;
        case 3:
            layout.SetRavText(QStringLiteral("Text1"), QStringLiteral("完工件数"), 0, 0, false);
            layout.SetRavText(QStringLiteral("Text6"), QStringLiteral("工资/") + params_.JJUnit, 0,
                              0, false);
            break;
        default:
            break;
    }
}

bool PayslipRun::printAll(ReportOutput& output) {
    if (!prepare()) return false;
    const ReportDefinition* report = RvProject1.activeReport();
    if (!report) {
        throw ReportError(QStringLiteral("报表模板%1里没有报表").arg(RvProject1.projectFile()));
    }
    const PayslipData data(list_, parameterRow(), AmountFormat(params_));
    return output.execute(*report, data);
}

void PayslipRun::markRows(const std::vector<int>& rows) {
    RecordSet& set = list_.dsGZDetail;
    try {
        if (!rows.empty()) {
            for (int row : rows) set.setValue(row, QStringLiteral("SelectStu"), 1);
        } else if (set.isOpen() && !set.isEmpty()) {
            set.setFieldValue(QStringLiteral("SelectStu"), 1);
        }
    } catch (const DatabaseError&) {
        // As far as the marking got, those rows print; the run goes on.
    }
}

void PayslipRun::clearMarks(const QString& filter) {
    RecordSet& set = list_.dsGZDetail;
    try {
        set.setFilter(QString());
        for (int row = 0; row < set.recordCount(); ++row) {
            if (set.value(row, QStringLiteral("SelectStu")).toInt() == 1) {
                set.setValue(row, QStringLiteral("SelectStu"), 0);
            }
        }
        if (!filter.isEmpty()) set.setFilter(filter);
    } catch (const DatabaseError&) {
        // The next load of the month clears the marks in any case.
    }
}

bool PayslipRun::printSelected(const std::vector<int>& rows, ReportOutput& output) {
    RecordSet& set = list_.dsGZDetail;
    if (!set.isOpen()) return printAll(output);
    const QString filter = set.filter();
    markRows(rows);
    bool printed = false;
    try {
        set.setFilter(QString());
        set.setFilter(QStringLiteral("SelectStu=1"));
        printed = printAll(output);
    } catch (...) {
        // Whatever ended the run, the list shows all its rows again without marks.
        clearMarks(filter);
        throw;
    }
    clearMarks(filter);
    return printed;
}

bool PrintPayslipsToPdf(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
                        const TAppParams& params, const std::vector<int>& selectedRows,
                        bool selectedOnly, const QString& pdfPath) {
    PdfReportOutput output(pdfPath);
    PayslipRun run(db, prompter, appPath, list, params);
    return selectedOnly ? run.printSelected(selectedRows, output) : run.printAll(output);
}
