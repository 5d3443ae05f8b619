#include "SalaryStructure.h"

#include <QSet>

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "Schema.h"
#include "Transaction.h"

void SalaryStructure::completeMonth(Database& db, const QString& month) {
    QSet<QString> present;
    for (const QVariantList& row :
         db.query(QStringLiteral("Select GZField1 from TGZSet where GZMonth=?"), {month}).rows) {
        present.insert(row[0].toString().toUpper());
    }
    Transaction transaction(db);
    const auto fill = [&](const QString& prefix, int type, int count) {
        for (int n = 1; n <= count; ++n) {
            const QString field = prefix + QString::number(n);
            if (present.contains(field)) continue;
            db.exec(QStringLiteral("Insert into TGZSet (GZMonth, GZType, GZName, GZField1, "
                                   "SortIdx, ShowStu) values (?, ?, ?, ?, ?, 1)"),
                    {month, type, QStringLiteral("工资项目"), field, n});
        }
    };
    fill(QStringLiteral("GZ"), 0, Schema::EarningCount);
    fill(QStringLiteral("KK"), 1, Schema::DeductionCount);
    transaction.commit();
}

void SalaryStructure::StructUpdate(Database& db) {
    try {
        completeMonth(db, QStringLiteral("BASE"));
    } catch (const DatabaseError&) {
        // The repair runs at every start; a failure now is retried next time.
    }
    QueryResult months;
    try {
        months = db.query(QStringLiteral("select GZMonth from  TGZMonth"));
    } catch (const DatabaseError&) {
        return;
    }
    for (const QVariantList& row : months.rows) {
        const QString month = row[0].toString();
        try {
            const QueryResult own =
                db.query(QStringLiteral("Select count(*) from TGZSet where GZMonth=?"), {month});
            if (own.rows[0][0].toInt() > 0) completeMonth(db, month);
        } catch (const DatabaseError&) {
            // Skipped; the other months still get repaired.
        }
    }
}

bool SalaryStructure::AddBaseGZSet(Database& db, Prompter& prompter, const QString& newMonth,
                                   const QString& source) {
    const QString columns = QStringLiteral("GZField1, GZName, GZType, SortIdx, ShowStu");
    try {
        Transaction transaction(db);
        QueryResult rows = db.query(
            QStringLiteral("Select %1 from TGZSet where GZMonth=? order by ID").arg(columns),
            {source});
        if (rows.rows.empty()) {
            rows = db.query(QStringLiteral("Select %1 from TGZSet where GZMonth='BASE' order by ID")
                                .arg(columns));
        }
        db.exec(QStringLiteral("Delete from TGZSet where GZMonth=?"), {newMonth});
        for (const QVariantList& row : rows.rows) {
            db.exec(QStringLiteral("Insert into TGZSet (GZMonth, %1) values (?, ?, ?, ?, ?, ?)")
                        .arg(columns),
                    {newMonth, row[0], row[1], row[2], row[3], row[4]});
        }
        transaction.commit();
        return true;
    } catch (const DatabaseError&) {
        prompter.error(QStringLiteral("增加新月度的工资项目模板失败！"));
        return false;
    }
}
