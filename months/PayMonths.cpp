#include "PayMonths.h"

#include <QDate>

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "SalaryItem.h"
#include "SalaryStructure.h"
#include "Transaction.h"

PayMonths::PayMonths(Database& db, Prompter& prompter)
    : dsGZMonth(&db), db_(db), prompter_(prompter) {}

QString PayMonths::proposedMonth() {
    return QDate::currentDate().toString(QStringLiteral("yyyyMM"));
}

bool PayMonths::ReadyMonth() {
    dsGZMonth.close();
    try {
        dsGZMonth.open(QStringLiteral("select * from  TGZMonth Order by ID Desc"), {},
                       QStringLiteral("TGZMonth"));
    } catch (const DatabaseError&) {
        return false;
    }
    return true;
}

QString PayMonths::currentMonth() const {
    if (isEmpty()) return QString();
    return dsGZMonth.fieldValue(QStringLiteral("GZMonth")).toString();
}

void PayMonths::select(int row) {
    dsGZMonth.setRecNo(row);
}

void PayMonths::reopenAt(qint64 id, int fallbackRow) {
    ReadyMonth();
    if (isEmpty()) return;
    for (int row = 0; row < dsGZMonth.recordCount(); ++row) {
        if (dsGZMonth.value(row, QStringLiteral("ID")).toLongLong() == id) {
            dsGZMonth.setRecNo(row);
            return;
        }
    }
    dsGZMonth.setRecNo(std::clamp(fallbackRow, 0, dsGZMonth.recordCount() - 1));
}

bool PayMonths::refuseTemplateKey(const QString& month) {
    if (!IsTemplateKey(month)) return false;
    prompter_.warning(
        QStringLiteral("“%1”是系统默认工资结构的保留名称，不能作为月度名称！").arg(month));
    return true;
}

bool PayMonths::Button1Click(const HistoryChooser& chooseHistory) {
    const QString proposed = proposedMonth();
    const QString answer = prompter_
                               .inputText(QStringLiteral("请输入新的工资发放月度"),
                                          QStringLiteral("请输入新的工资发放月度："), proposed)
                               .value_or(proposed);
    if (answer.isEmpty()) return false;
    if (!dsGZMonth.isOpen()) {
        prompter_.error(QStringLiteral("保存数据发生错误！"));
        return false;
    }
    for (int row = 0; row < dsGZMonth.recordCount(); ++row) {
        if (dsGZMonth.value(row, QStringLiteral("GZMonth"))
                .toString()
                .compare(answer, Qt::CaseInsensitive) == 0) {
            prompter_.warning(QStringLiteral("名称为[%1]的月度已经存在！").arg(answer));
            return false;
        }
    }
    if (refuseTemplateKey(answer)) return false;
    const int row = dsGZMonth.append();
    dsGZMonth.setValue(row, QStringLiteral("GZMonth"), answer);
    try {
        dsGZMonth.updateBatch();
    } catch (const DatabaseError&) {
        dsGZMonth.cancelBatch();
        prompter_.error(QStringLiteral("保存数据发生错误！"));
        return false;
    }
    dsGZMonth.setRecNo(dsGZMonth.recordCount() - 1);
    prompter_.info(QStringLiteral(
        "注意，需要选择复制哪个月度的工资结构，如果不选择，则采用系统默认工资结构！"));
    const std::optional<QString> source = chooseHistory ? chooseHistory() : std::nullopt;
    SalaryStructure::AddBaseGZSet(db_, prompter_, answer, source.value_or(QStringLiteral("BASE")));
    return true;
}

bool PayMonths::Button2Click() {
    if (isEmpty()) return false;
    const QString oldKey = currentMonth();
    const qint64 id = dsGZMonth.fieldValue(QStringLiteral("ID")).toLongLong();
    const QString answer = prompter_
                               .inputText(QStringLiteral("请输入新的工资发放月度名称"),
                                          QStringLiteral("请输入新的工资发放月度名称："), oldKey)
                               .value_or(oldKey);
    if (answer.isEmpty()) return false;
    try {
        const QueryResult other = db_.query(
            QStringLiteral("Select GZMonth from TGZMonth where GZMonth=? and ID<>?"), {answer, id});
        if (!other.rows.empty()) {
            prompter_.warning(QStringLiteral("名称为：%1的月度已经存在！").arg(answer));
            return false;
        }
    } catch (const DatabaseError&) {
        // The check could not run; the unique month key still stops a duplicate below.
    }
    if (refuseTemplateKey(answer)) return false;
    try {
        Transaction transaction(db_);
        db_.exec(QStringLiteral("Update TGZ Set GZMonth=? where GZMonth=?"), {answer, oldKey});
        // The month keeps its own structure under the new key. Rows some earlier month left
        // under the new key would mix in, so they go first (unless only the letter case changes,
        // when they are this month's own rows).
        if (answer.compare(oldKey, Qt::CaseInsensitive) != 0) {
            db_.exec(QStringLiteral("Delete from TGZSet where GZMonth=?"), {answer});
        }
        db_.exec(QStringLiteral("Update TGZSet Set GZMonth=? where GZMonth=?"), {answer, oldKey});
        if (db_.exec(QStringLiteral("Update TGZMonth Set GZMonth=? where ID=?"), {answer, id}) !=
            1) {
            throw DatabaseError(QStringLiteral("月度已不存在"));
        }
        transaction.commit();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("保存数据发生错误！"));
        return false;
    }
    reopenAt(id, dsGZMonth.recNo());
    return true;
}

bool PayMonths::Button3Click() {
    if (isEmpty()) return false;
    if (!prompter_.confirm(
            QStringLiteral("您确认删除选定月度的数据吗？相应的工资发放明细也将一并删除！"))) {
        return false;
    }
    const QString key = currentMonth();
    const qint64 id = dsGZMonth.fieldValue(QStringLiteral("ID")).toLongLong();
    const int row = dsGZMonth.recNo();
    try {
        Transaction transaction(db_);
        db_.exec(QStringLiteral("Delete from TGZ where GZMonth=?"), {key});
        db_.exec(QStringLiteral("Delete from TGZSet where GZMonth=?"), {key});
        db_.exec(QStringLiteral("Delete from TGZMonth where ID=?"), {id});
        transaction.commit();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("删除数据发生错误！"));
        return false;
    }
    reopenAt(-1, row);
    return true;
}

std::optional<QStringList> PayMonths::HistoryMonths(Database& db, Prompter& prompter) {
    try {
        QStringList months;
        for (const QVariantList& row :
             db.query(QStringLiteral("select Distinct GZMonth from TGZ Order by GZMonth Desc"))
                 .rows) {
            months << row[0].toString();
        }
        return months;
    } catch (const DatabaseError&) {
        prompter.error(QStringLiteral("读取数据库发生错误！"));
        return std::nullopt;
    }
}
