#include "SalaryItem.h"

#include "Database.h"

namespace {

std::vector<SalaryItem> readItems(Database& db, const QString& month, int type) {
    const QueryResult result =
        db.query(QStringLiteral("Select GZType, GZName, GZField1, SortIdx, ShowStu from TGZSet "
                                "where GZType=? and GZMonth=? Order by SortIDx"),
                 {type, month});
    std::vector<SalaryItem> items;
    items.reserve(result.rows.size());
    for (const QVariantList& row : result.rows) {
        items.push_back({row[0].toInt(), row[1].toString(), row[2].toString(), row[3].toInt(),
                         row[4].toInt() == 0});
    }
    return items;
}

}  // namespace

std::vector<SalaryItem> ReadSalaryItems(Database& db, const QString& month, int type) {
    std::vector<SalaryItem> items = readItems(db, month, type);
    if (items.empty()) items = readItems(db, QStringLiteral("BASE"), type);
    return items;
}

bool IsTemplateKey(const QString& month) {
    return month.compare(QStringLiteral("BASE"), Qt::CaseInsensitive) == 0;
}
