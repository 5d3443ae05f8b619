#include "TDM.h"

#include "DatabaseError.h"
#include "Prompter.h"
#include "Schema.h"

TDM* DM = nullptr;

namespace {

QString asText(const QVariant& v) {
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

}  // namespace

TDM::TDM(const QString& appPath, Prompter& prompter) : dsPara(&ADOLocal), appPath_(appPath) {
    try {
        ADOLocal.open(Schema::databasePath(appPath), Schema::databaseKey());
    } catch (const DatabaseError& e) {
        openError_ = e.message();
        prompter.error(missingDatabaseMessage());
    }
}

QString TDM::GetDataBySQL(const QString& sql, const QVariantList& params) {
    try {
        const QueryResult result = ADOLocal.query(sql, params);
        if (result.rows.empty() || result.rows.front().isEmpty()) return QString();
        return asText(result.rows.front().front());
    } catch (const DatabaseError&) {
        return QString();
    }
}

void TDM::GetDataBySQLToItems(const QString& sql, QStringList& items, bool clear,
                              const QVariantList& params) {
    QueryResult result;
    try {
        result = ADOLocal.query(sql, params);
    } catch (const DatabaseError&) {
        return;
    }
    if (clear) items.clear();
    for (const QVariantList& row : result.rows) {
        const QString text = row.isEmpty() ? QString() : asText(row.front());
        if (!text.isEmpty()) items << text;
    }
}

double TDM::GetFltDataBySQL(const QString& body, const QVariantList& params) {
    try {
        const QueryResult result = ADOLocal.query(QStringLiteral("Select ") + body, params);
        if (result.rows.empty() || result.rows.front().isEmpty()) return 0;
        bool ok = false;
        const double value = result.rows.front().front().toDouble(&ok);
        return ok ? value : 0;
    } catch (const DatabaseError&) {
        return 0;
    }
}

void TDM::GetItemsBySQL(const QString& sql, QStringList& items, const QVariantList& params) {
    if (sql.isEmpty()) return;
    QueryResult result;
    try {
        result = ADOLocal.query(sql, params);
    } catch (const DatabaseError&) {
        return;
    }
    items.clear();
    for (const QVariantList& row : result.rows)
        items << (row.isEmpty() ? QString() : asText(row.front()));
}

void TDM::openPara() {
    dsPara.open(QStringLiteral("select * from TPara"), {}, QStringLiteral("TPara"));
}
