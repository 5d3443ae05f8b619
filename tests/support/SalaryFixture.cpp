#include "SalaryFixture.h"

#include <QStringList>

#include "Database.h"

namespace fixture {

qint64 addMonth(Database& db, const QString& month) {
    db.exec(QStringLiteral("insert into TGZMonth (GZMonth) values (?)"), {month});
    return db.lastInsertId();
}

void addStructure(Database& db, const QString& month, int earnings, int deductions) {
    const auto add = [&](int type, const QString& prefix, const QString& word, int count,
                         int enabled) {
        for (int i = 1; i <= count; ++i) {
            db.exec(QStringLiteral("insert into TGZSet (GZMonth, GZType, GZName, GZField1, "
                                   "SortIdx, ShowStu) values (?, ?, ?, ?, ?, ?)"),
                    {month, type, month + word + QString::number(i), prefix + QString::number(i), i,
                     i <= enabled ? 0 : 1});
        }
    };
    add(0, QStringLiteral("GZ"), QStringLiteral("收入"), 30, earnings);
    add(1, QStringLiteral("KK"), QStringLiteral("扣款"), 15, deductions);
}

qint64 addRow(Database& db, const QString& month, const QVariantMap& values) {
    QStringList columns{QStringLiteral("GZMonth")};
    QStringList marks{QStringLiteral("?")};
    QVariantList params{month};
    for (auto it = values.begin(); it != values.end(); ++it) {
        columns << it.key();
        marks << QStringLiteral("?");
        params << it.value();
    }
    db.exec(QStringLiteral("insert into TGZ (%1) values (%2)")
                .arg(columns.join(u','), marks.join(u',')),
            params);
    return db.lastInsertId();
}

int count(Database& db, const QString& sql, const QVariantList& params) {
    return db.query(sql, params).rows.at(0).at(0).toInt();
}

}  // namespace fixture
