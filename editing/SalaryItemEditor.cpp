#include "SalaryItemEditor.h"

#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "Transaction.h"

SalaryItemEditor::SalaryItemEditor(Database& db, Prompter& prompter, const QString& month)
    : db_(db), prompter_(prompter), month_(month) {}

std::vector<EditableSalaryItem> SalaryItemEditor::read(int type, const QString& month) {
    const QueryResult result = db_.query(
        QStringLiteral("Select ID, GZType, GZName, GZField1, SortIdx, ShowStu from TGZSet "
                       "where GZType=? and GZMonth=? Order by ID"),
        {type, month});
    std::vector<EditableSalaryItem> items;
    items.reserve(result.rows.size());
    for (const QVariantList& row : result.rows) {
        // A state outside the list counts as disabled, as everywhere else in the program.
        const int showStu = row[5].toInt() == 0 ? 0 : 1;
        items.push_back({row[0].toLongLong(), row[1].toInt(), row[2].toString(), row[3].toString(),
                         row[4].toInt(), showStu, false});
    }
    return items;
}

bool SalaryItemEditor::ReadyData() {
    try {
        earnings_ = read(0, month_);
        if (earnings_.empty()) {
            month_ = QStringLiteral("BASE");
            earnings_ = read(0, month_);
        }
        deductions_ = read(1, month_);
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("读取数据库发生错误！"));
        return false;
    }
    return true;
}

const std::vector<EditableSalaryItem>& SalaryItemEditor::items(Group group) const {
    return group == Group::Earnings ? earnings_ : deductions_;
}

std::vector<EditableSalaryItem>& SalaryItemEditor::list(Group group) {
    return group == Group::Earnings ? earnings_ : deductions_;
}

bool SalaryItemEditor::modify(Group group, int row, const ItemDialog& dialog) {
    std::vector<EditableSalaryItem>& rows = list(group);
    if (row < 0 || row >= int(rows.size()) || !dialog) return false;
    EditableSalaryItem& item = rows[row];
    QString caption = item.name;
    int state = item.showStu;
    if (!dialog(caption, state)) return false;
    item.name = caption;
    item.showStu = state == 0 ? 0 : 1;
    item.changed = true;
    return true;
}

bool SalaryItemEditor::hasChanges() const {
    for (const auto* list : {&earnings_, &deductions_}) {
        for (const EditableSalaryItem& item : *list) {
            if (item.changed) return true;
        }
    }
    return false;
}

bool SalaryItemEditor::SaveData() {
    try {
        Transaction transaction(db_);
        for (const auto* list : {&earnings_, &deductions_}) {
            for (const EditableSalaryItem& item : *list) {
                if (!item.changed) continue;
                const int written =
                    db_.exec(QStringLiteral("Update TGZSet Set GZName=?, ShowStu=? where ID=?"),
                             {item.name, item.showStu, item.id});
                // An item removed meanwhile cannot take the change; keep everything unwritten.
                if (written != 1) {
                    throw DatabaseError(QStringLiteral("工资项目已不存在：%1").arg(item.id));
                }
            }
        }
        transaction.commit();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("存储数据发生错误！"));
        return false;
    }
    for (auto* list : {&earnings_, &deductions_}) {
        for (EditableSalaryItem& item : *list) item.changed = false;
    }
    saved_ = true;
    return true;
}

QStringList SalaryItemEditor::stateNames() {
    return {QStringLiteral("启用"), QStringLiteral("禁用")};
}

QString SalaryItemEditor::stateText(int showStu) {
    return stateNames().at(showStu == 0 ? 0 : 1);
}

bool SalaryItemEditor::CheckItemName(Prompter& prompter, const QString& name) {
    if (!name.isEmpty()) return true;
    prompter.warning(QStringLiteral("请务必输入工资项目名称！"));
    return false;
}
