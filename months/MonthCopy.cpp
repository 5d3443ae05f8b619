#include "MonthCopy.h"

#include <QDateTime>

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "SalaryStructure.h"
#include "Schema.h"
#include "Transaction.h"

namespace {

QStringList copiedColumns() {
    QStringList columns{QStringLiteral("EmpName"), QStringLiteral("DepartName"),
                        QStringLiteral("EmpCode"), QStringLiteral("EMail"),
                        QStringLiteral("ZWName")};
    for (int i = 1; i <= Schema::EarningCount; ++i) columns << QStringLiteral("GZ%1").arg(i);
    columns << QStringLiteral("YFTotal");
    for (int i = 1; i <= Schema::DeductionCount; ++i) columns << QStringLiteral("KK%1").arg(i);
    columns << QStringLiteral("KKTotal") << QStringLiteral("GZTotal") << QStringLiteral("QM")
            << QStringLiteral("WorkDays") << QStringLiteral("OneDayMOney")
            << QStringLiteral("HourCount");
    return columns;
}

}  // namespace

bool MonthCopy::Button9Click(Database& db, Prompter& prompter, const QString& target,
                             bool targetHasRows, const PayMonths::HistoryChooser& chooseHistory) {
    if (target.isEmpty()) {
        prompter.warning(QStringLiteral("请首先增加新的工资发放月度作为数据复制的目的月度！"));
        return false;
    }
    if (targetHasRows &&
        !prompter.confirm(QStringLiteral("月度数据复制应针对新的月度！您确认继续复制吗？\n"
                                         "选定月度下已经有数据，可能会造成数据重复！"))) {
        return false;
    }
    const std::optional<QString> source = chooseHistory ? chooseHistory() : std::nullopt;
    if (!source) return false;

    const QStringList columns = copiedColumns();
    const int zwName = int(columns.indexOf(QStringLiteral("ZWName")));
    QStringList marks;
    for (int i = 0; i < columns.size() + 2; ++i) marks << QStringLiteral("?");
    const QString insert = QStringLiteral("Insert into TGZ (GZMonth, LOGTime, %1) values (%2)")
                               .arg(columns.join(u','), marks.join(u','));
    // The rows and the structure are one change: a failure or a stop anywhere leaves the
    // target month as it was.
    try {
        Transaction transaction(db);
        const QueryResult rows =
            db.query(QStringLiteral("Select %1 from TGZ where GZMonth=? order by ID")
                         .arg(columns.join(u',')),
                     {*source});
        const QDateTime now = QDateTime::currentDateTime();
        for (const QVariantList& row : rows.rows) {
            QVariantList values{target, now};
            values << row;
            QVariant& position = values[zwName + 2];
            if (position.isNull() || position.toString().isEmpty()) position = QStringLiteral(" ");
            db.exec(insert, values);
        }
        if (!SalaryStructure::AddBaseGZSet(db, prompter, target, *source)) return false;
        transaction.commit();
    } catch (const DatabaseError&) {
        prompter.error(QStringLiteral("复制数据失败！"));
        return false;
    }
    return true;
}
