#pragma once

// Generated pay months for the benchmark programs: realistic names and departments, ten
// earnings and five deductions enabled, totals filled in, written in one transaction.

#include <sys/resource.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <map>

#include "Database.h"
#include "SalaryFixture.h"
#include "Transaction.h"

namespace bench_month {

inline QVariantMap row(int i) {
    static const QStringList surnames{"张", "王", "李", "刘", "陈", "杨", "赵", "黄", "周", "吴",
                                      "徐", "孙", "胡", "朱", "高", "林", "何", "郭", "马", "罗"};
    static const QStringList given{"伟", "芳", "娜", "敏", "静", "丽", "强", "磊",   "军", "洋",
                                   "勇", "艳", "杰", "娟", "涛", "明", "超", "秀英", "霞", "平"};
    static const QStringList departments{"生产一部", "生产二部", "财务部", "销售部",
                                         "行政部",   "技术部",   "仓储部", "质检部"};
    QVariantMap values{
        {QStringLiteral("DepartName"), departments[i % departments.size()]},
        {QStringLiteral("EmpCode"), QStringLiteral("E%1").arg(i, 6, 10, QChar(u'0'))},
        {QStringLiteral("EmpName"),
         surnames[i % 20] + given[(i / 20) % 20] + given[(i / 400) % 20]},
        {QStringLiteral("ZWName"), i % 10 == 0 ? QStringLiteral("组长") : QStringLiteral("职员")},
        {QStringLiteral("EMail"), QStringLiteral("e%1@example.com").arg(i)},
        {QStringLiteral("WorkDays"), 21.5},
        {QStringLiteral("OneDayMOney"), 230.45},
        {QStringLiteral("LOGTime"), QDateTime(QDate(2024, 6, 1), QTime(9, 30)).addSecs(i)},
    };
    double yf = 0, kk = 0;
    for (int k = 1; k <= 10; ++k) {
        const double amount = 100.5 * k + i % 97;
        values.insert(QStringLiteral("GZ%1").arg(k), amount);
        yf += amount;
    }
    for (int k = 1; k <= 5; ++k) {
        const double amount = 50.25 * k + i % 7;
        values.insert(QStringLiteral("KK%1").arg(k), amount);
        kk += amount;
    }
    values.insert(QStringLiteral("YFTotal"), yf);
    values.insert(QStringLiteral("KKTotal"), kk);
    values.insert(QStringLiteral("GZTotal"), yf - kk);
    return values;
}

// Adds `month` with its own structure and `rows` salary rows.
inline void add(Database& db, const QString& month, int rows) {
    Transaction transaction(db);
    fixture::addMonth(db, month);
    fixture::addStructure(db, month, 10, 5);
    for (int i = 0; i < rows; ++i) fixture::addRow(db, month, row(i));
    transaction.commit();
}

// Months by their number of rows, each generated on first use ("202401", "202402", ...).
class MonthCache {
  public:
    const QString& month(Database& db, int rows) {
        auto found = months_.find(rows);
        if (found != months_.end()) return found->second;
        const QString name =
            QStringLiteral("2024%1").arg(int(months_.size()) + 1, 2, 10, QChar(u'0'));
        add(db, name, rows);
        return months_.emplace(rows, name).first->second;
    }

  private:
    std::map<int, QString> months_;
};

// The program's own files (templates, help) beside a bench's program folder.
inline void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QDir source(from);
    for (const QString& name : source.entryList(QDir::Files)) {
        QFile::copy(source.filePath(name), QDir(to).filePath(name));
    }
    for (const QString& name : source.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        copyTree(source.filePath(name), QDir(to).filePath(name));
    }
}

// Peak resident memory of this process so far, in MiB.
inline double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

}  // namespace bench_month
