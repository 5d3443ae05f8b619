#include "DataClearing.h"

#include "DataFolder.h"
#include "Database.h"
#include "DatabaseError.h"
#include "Prompter.h"
#include "Pub.h"
#include "Transaction.h"

DataClearing::DataClearing(Database& db, Prompter& prompter, const QString& appPath)
    : db_(db), prompter_(prompter), appPath_(appPath) {}

void DataClearing::clearBusinessData() {
    // Both or neither: months without rows or rows without months would be left otherwise.
    Transaction transaction(db_);
    db_.exec(QStringLiteral("Delete from TGZMonth"));
    db_.exec(QStringLiteral("Delete from TGZ"));
    transaction.commit();
    ClearFolderFiles(DataFolder::contractFolder(appPath_));
}

DataClearing::Outcome DataClearing::cmdSHClick(bool clearBusiness) {
    if (!clearBusiness) {
        prompter_.warning(QStringLiteral("至少需要选择一项清除项目！"));
        return Outcome::Stopped;
    }
    if (!prompter_.confirm(
            QStringLiteral("系统重建将清除所有数据，请确认您已经备份了数据库，是否继续？"))) {
        return Outcome::Stopped;
    }
    try {
        clearBusinessData();
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("删除数据发生错误！"));
        return Outcome::Failed;
    }
    prompter_.info(QStringLiteral("系统重建完成！"));
    return Outcome::Cleared;
}
