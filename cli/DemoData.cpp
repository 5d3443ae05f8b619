#include "DemoData.h"

#include <QDateTime>
#include <QStringList>

#include "Database.h"
#include "Transaction.h"

namespace {

struct Employee {
    const char* depart;
    const char* name;
    const char* position;
};

const Employee kStaff[] = {
    {"办公室", "张伟", "主任"},   {"办公室", "王芳", "文员"},   {"办公室", "李娜", "文员"},
    {"办公室", "刘洋", "司机"},   {"财务部", "陈静", "经理"},   {"财务部", "杨磊", "会计"},
    {"财务部", "赵敏", "出纳"},   {"财务部", "黄勇", "会计"},   {"生产部", "周杰", "经理"},
    {"生产部", "吴霞", "组长"},   {"生产部", "徐强", "操作工"}, {"生产部", "孙丽", "操作工"},
    {"生产部", "马超", "操作工"}, {"生产部", "朱琳", "质检员"}, {"生产部", "胡斌", "操作工"},
    {"生产部", "郭敏", "操作工"}, {"生产部", "何平", "组长"},   {"生产部", "林峰", "操作工"},
    {"生产部", "罗雪", "操作工"}, {"生产部", "高翔", "维修工"},
};

}  // namespace

int DemoData::addMonth(Database& db, const QString& month) {
    Transaction transaction(db);
    db.exec(QStringLiteral("insert into TGZMonth (GZMonth) values (?)"), {month});
    db.exec(
        QStringLiteral("insert into TGZSet (GZMonth, GZType, GZName, GZField1, SortIdx, ShowStu) "
                       "select ?, GZType, GZName, GZField1, SortIdx, ShowStu from TGZSet "
                       "where GZMonth='BASE' order by ID"),
        {month});
    const QDateTime entered = QDateTime::currentDateTime();
    int index = 0;
    for (const Employee& e : kStaff) {
        // Figures vary by person but stay reproducible, so a demo looks the same every time.
        const double basic = 3000 + (index * 337) % 2500;
        const double post = 400 + (index * 53) % 600;
        const double bonus = (index * 71) % 900 + 0.5;
        const double overtime = (index % 3) * 120;
        const double pension = qRound(basic * 8) / 100.0;
        const double medical = qRound(basic * 2) / 100.0;
        const double tax = index % 4 == 0 ? 45.5 : 0;
        const double earnings = basic + post + bonus + overtime;
        const double deductions = pension + medical + tax;
        db.exec(
            QStringLiteral(
                "insert into TGZ (GZMonth, DepartName, EmpCode, EmpName, ZWName, WorkDays, "
                "OneDayMOney, GZ1, GZ2, GZ3, GZ4, YFTotal, KK1, KK2, KK5, KKTotal, GZTotal, QM, "
                "EMail, LOGTime, SelectStu) "
                "values (?, ?, ?, ?, ?, 21.75, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', ?, ?, 0)"),
            {month, QString::fromUtf8(e.depart), QStringLiteral("E%1").arg(1001 + index),
             QString::fromUtf8(e.name), QString::fromUtf8(e.position),
             qRound(basic / 21.75 * 100) / 100.0, basic, post, bonus, overtime, earnings, pension,
             medical, tax, deductions, earnings - deductions,
             QStringLiteral("e%1@example.com").arg(1001 + index), entered});
        ++index;
    }
    transaction.commit();
    return index;
}
