#include "Transaction.h"

#include <sqlcipher/sqlite3.h>

#include "Database.h"
#include "DatabaseError.h"

namespace {

// Savepoints of one name nest: ROLLBACK TO and RELEASE act on the innermost one.
const char* const kSavepoint = "SAVEPOINT gzt_step";

}  // namespace

Transaction::Transaction(Database& db) : db_(db) {
    nested_ = db_.isOpen() && sqlite3_get_autocommit(db_.handle()) == 0;
    db_.execScript(nested_ ? kSavepoint : "BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        db_.execScript(nested_ ? "ROLLBACK TO gzt_step; RELEASE gzt_step" : "ROLLBACK");
    } catch (...) {
        // A failed rollback leaves SQLite to roll back on close; nothing more can be done here.
    }
}

void Transaction::commit() {
    // After a full disk or a failing file the engine may have rolled everything back by itself;
    // what ran since then ran outside any transaction, so this cannot be committed as one.
    if (!db_.inTransaction())
        throw DatabaseError(QStringLiteral("数据库已自行回滚了事务，更改没有保存。"));
    db_.execScript(nested_ ? "RELEASE gzt_step" : "COMMIT");
    done_ = true;
}
