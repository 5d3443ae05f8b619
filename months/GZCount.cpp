#include "GZCount.h"

#include "Database.h"
#include "DatabaseError.h"

GZCount::GZCount(Database& db, Prompter& prompter) : list(db, prompter), db_(db) {}

QStringList GZCount::ReadyMonth() {
    QStringList months;
    try {
        const QueryResult result =
            db_.query(QStringLiteral("select GZMonth from TGZMonth Order by ID Desc"));
        for (const QVariantList& row : result.rows) months << row.at(0).toString();
    } catch (const DatabaseError&) {
        // The check list stays as far as it was filled.
    }
    return months;
}

void GZCount::rebuild(const QStringList& checked, int printDays) {
    firstMonth_.clear();
    if (checked.isEmpty()) {
        list.clear();
        return;
    }
    firstMonth_ = checked.first();
    QStringList condition;
    QVariantList keys;
    for (const QString& month : checked) {
        condition << QStringLiteral("GZMonth=?");
        keys << month;
    }
    list.ReadyGrid(firstMonth_, printDays);
    // A failing read leaves the list closed and the grid empty, without a message.
    list.openRows(QStringLiteral("Select * from TGZ where %1 order by GZMonth,DepartName,EmpName")
                      .arg(condition.join(QStringLiteral(" Or "))),
                  keys);
}
