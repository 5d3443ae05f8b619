#include "DetailList.h"

#include <QDateTime>
#include <algorithm>

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "Pub.h"
#include "SalaryItem.h"
#include "Schema.h"
#include "Transaction.h"

namespace {

const QString kEarningGroup = QStringLiteral("应发工资|");
const QString kDeductionGroup = QStringLiteral("应扣/代扣工资|");

}  // namespace

DetailList::DetailList(Database& db, Prompter& prompter)
    : dsGZDetail(&db), db_(db), prompter_(prompter) {}

QString DetailList::caption() const {
    return QStringLiteral("月度[%1]工资发放明细表")
        .arg(captioned_ ? month_ : QStringLiteral("XXXX"));
}

QString DetailList::displayText(int row, int position) const {
    const DetailColumn& column = layout.column(position);
    if (column.field == u"SortIdx") return QString::number(row + 1);
    const QVariant value = dsGZDetail.value(row, column.field);
    if (!value.isValid() || value.isNull()) return QString();
    if (column.field == u"LOGTime") {
        QDateTime time = value.toDateTime();
        if (!time.isValid()) time = QDateTime::fromString(value.toString(), Qt::ISODate);
        return time.isValid() ? time.toString(QStringLiteral("yy-MM-dd HH:mm")) : value.toString();
    }
    if (!column.format.isEmpty()) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (ok) return FormatFloat(column.format, number);
    }
    return value.toString();
}

double DetailList::columnSum(int position) const {
    const int field = dsGZDetail.fieldIndex(layout.column(position).field);
    return field < 0 ? 0 : dsGZDetail.sum(field);
}

QString DetailList::footerText(int position) const {
    const DetailColumn& column = layout.column(position);
    switch (column.footer) {
        case DetailColumn::Footer::Text:
            return column.footerText;
        case DetailColumn::Footer::Count:
            return QStringLiteral("%1条").arg(loaded_ ? dsGZDetail.recordCount() : 0);
        case DetailColumn::Footer::Sum:
            return FormatFloat(column.format, loaded_ ? columnSum(position) : 0);
        case DetailColumn::Footer::None:
            break;
    }
    return QString();
}

void DetailList::clear() {
    dsGZDetail.close();
    loaded_ = false;
    withheld_ = false;
}

void DetailList::withhold() {
    withheld_ = withheld_ || loaded_;
    loaded_ = false;
}

bool DetailList::showWithheld() {
    if (!withheld_) return false;
    withheld_ = false;
    loaded_ = true;
    return true;
}

bool DetailList::ReadyGrid(const QString& month, int printDays) {
    const auto apply = [&](int type, int first, int count, const QString& group) {
        const std::vector<SalaryItem> items = ReadSalaryItems(db_, month, type);
        int shown = 0;
        for (int k = 0; k < int(items.size()) && k < count; ++k) {
            DetailColumn& column = layout.column(first + k);
            column.title = group + items[k].name;
            column.visible = items[k].enabled;
            shown += items[k].enabled ? 1 : 0;
        }
        return shown;
    };
    try {
        apply(0, DetailLayout::FirstEarning, Schema::EarningCount, kEarningGroup);
        const int deductions =
            apply(1, DetailLayout::FirstDeduction, Schema::DeductionCount, kDeductionGroup);
        layout.column(DetailLayout::DeductionTotal).visible = deductions > 0;
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("读取数据库发生错误！"));
        return false;
    }
    DetailColumn& days = layout.column(GetCol(QStringLiteral("WorkDays")));
    DetailColumn& hours = layout.column(GetCol(QStringLiteral("HourCount")));
    DetailColumn& rate = layout.column(GetCol(QStringLiteral("OneDayMOney")));
    days.visible = printDays == 1 || printDays == 2;
    hours.visible = printDays == 2;
    rate.visible = days.visible;
    if (printDays == 1 || printDays == 2) {
        days.title = QStringLiteral("出勤天数");
        hours.title = QStringLiteral("出勤小时");
        rate.title = printDays == 1 ? QStringLiteral("工资/天") : QStringLiteral("工资/小时");
    }
    return true;
}

bool DetailList::ReadyGZList(const QString& month, int printDays) {
    ReadyGrid(month, printDays);
    clear();
    month_ = month;
    // A reload orders by department and name again; the direction toggle stays program-wide.
    sortColumn_ = -1;
    const QString rows = QStringLiteral("Select * from TGZ where GZMonth=?");
    try {
        dsGZDetail.open(rows, {month}, QStringLiteral("TGZ"));
        // The marks are cleared in the table, and the month read again, only when a row is
        // marked: most loads then write nothing, and only marked rows are rewritten.
        if (anyMarked()) {
            db_.exec(QStringLiteral(
                         "Update TGZ Set SelectStu=0 where GZMonth=? and ifnull(SelectStu,1)<>0"),
                     {month});
            dsGZDetail.open(rows, {month}, QStringLiteral("TGZ"));
        }
        // Ordered in memory by collation keys: the engine's sort would run the pinyin collation
        // for every pair it compares.
        dsGZDetail.orderRows({QStringLiteral("DepartName"), QStringLiteral("EmpName")});
    } catch (const DatabaseError&) {
        dsGZDetail.close();
        return false;
    }
    loaded_ = true;
    captioned_ = true;
    return true;
}

bool DetailList::anyMarked() const {
    const int field = dsGZDetail.fieldIndex(QStringLiteral("SelectStu"));
    if (field < 0) return false;
    for (int row = 0; row < dsGZDetail.recordCount(); ++row) {
        // As the table compares: NULL and anything but the number 0 is a mark.
        const QVariant& mark = dsGZDetail.value(row, field);
        if (mark.typeId() != QMetaType::LongLong || mark.toLongLong() != 0) return true;
    }
    return false;
}

bool DetailList::openRows(const QString& sql, const QVariantList& params) {
    clear();
    sortColumn_ = -1;
    try {
        dsGZDetail.open(sql, params, QStringLiteral("TGZ"));
    } catch (const DatabaseError&) {
        return false;
    }
    loaded_ = true;
    return true;
}

bool DetailList::deleteCurrent() {
    if (!loaded_ || dsGZDetail.isEmpty()) return false;
    if (!prompter_.confirm(QStringLiteral("您确认删除选定的工资记录吗？"))) return false;
    dsGZDetail.remove(dsGZDetail.recNo());
    try {
        dsGZDetail.updateBatch();
    } catch (const DatabaseError&) {
        dsGZDetail.cancelBatch();
        prompter_.error(QStringLiteral("删除数据发生错误！"));
        return false;
    }
    return true;
}

bool DetailList::copyCurrent() {
    if (!loaded_ || dsGZDetail.isEmpty()) {
        prompter_.warning(QStringLiteral("没有可复制的职员工资数据记录！"));
        return false;
    }
    if (!prompter_.confirm(QStringLiteral("您确认复制选定的工资记录为新记录吗？"))) return false;
    const int row = dsGZDetail.recNo();
    QStringList columns;
    QStringList marks;
    QVariantList values;
    for (int i = GetCol(QStringLiteral("GZMonth")); i < layout.size(); ++i) {
        const QString& field = layout.column(i).field;
        columns << field;
        marks << QStringLiteral("?");
        values << (field == u"LOGTime" ? QVariant(QDateTime::currentDateTime())
                                       : dsGZDetail.value(row, field));
    }
    try {
        db_.exec(QStringLiteral("Insert into TGZ (%1) values (%2)")
                     .arg(columns.join(u','), marks.join(u',')),
                 values);
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("复制数据失败！"));
        return false;
    }
    return true;
}

bool DetailList::deleteRows(std::vector<int> rows) {
    if (!loaded_) return false;
    if (!prompter_.confirm(QStringLiteral("您确认删除选定的工资记录吗？\n"
                                          "批量删除一般用于期初批量导入数据出错的情况！"))) {
        return false;
    }
    if (rows.empty()) return false;
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    try {
        for (int row : rows) dsGZDetail.remove(row);
        dsGZDetail.updateBatch();
    } catch (const DatabaseError&) {
        dsGZDetail.cancelBatch();
        prompter_.error(QStringLiteral("删除数据过程中出现错误！"));
        return false;
    }
    return true;
}

void DetailList::titleClicked(int position) {
    if (!loaded_ || position < 0 || position >= layout.size()) return;
    if (layout.column(position).field == u"SortIdx") return;
    sortAscending_ = !sortAscending_;
    sortColumn_ = position;
    dsGZDetail.setSort(layout.column(position).field +
                       (sortAscending_ ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
}

std::vector<int> DetailList::shownFields(const QString& prefix, int count) const {
    std::vector<int> fields;
    for (int n = 1; n <= count; ++n) {
        const int col = GetCol(prefix + QString::number(n));
        if (col >= 0 && layout.column(col).visible)
            fields.push_back(dsGZDetail.fieldIndex(layout.column(col).field));
    }
    return fields;
}

void DetailList::setTotal(int row, int field, double total) {
    // A total that already holds the figure is not written again: recalculating a month whose
    // totals are current then costs no write at all.
    const QVariant& stored = dsGZDetail.value(row, field);
    if (stored.typeId() == QMetaType::Double && stored.toDouble() == total) return;
    dsGZDetail.setValue(row, field, total);
}

bool DetailList::ReCalcAll() {
    if (!loaded_) return true;
    const std::vector<int> earnings = shownFields(QStringLiteral("GZ"), Schema::EarningCount);
    const std::vector<int> deductions = shownFields(QStringLiteral("KK"), Schema::DeductionCount);
    const int yfField = dsGZDetail.requireField(QStringLiteral("YFTotal"));
    const int kkField = dsGZDetail.requireField(QStringLiteral("KKTotal"));
    const int netField = dsGZDetail.requireField(QStringLiteral("GZTotal"));
    const auto sum = [this](int row, const std::vector<int>& fields) {
        double total = 0;
        for (int field : fields) total += VariantToDouble(dsGZDetail.value(row, field));
        return total;
    };
    for (int row = 0; row < dsGZDetail.recordCount(); ++row) {
        const double yf = sum(row, earnings);
        const double kk = sum(row, deductions);
        setTotal(row, yfField, yf);
        setTotal(row, kkField, kk);
        setTotal(row, netField, yf - kk);
    }
    if (!dsGZDetail.isEmpty()) dsGZDetail.setRecNo(dsGZDetail.recordCount() - 1);
    try {
        dsGZDetail.updateBatch();
    } catch (const DatabaseError&) {
        // Unwritten totals must not ride along with the next write; the list goes back to
        // showing what the table holds.
        dsGZDetail.cancelBatch();
        return false;
    }
    return true;
}
