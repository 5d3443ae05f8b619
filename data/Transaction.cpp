#include "Transaction.h"

#include "Database.h"

Transaction::Transaction(Database& db) : db_(db) {
    db_.execScript("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        db_.execScript("ROLLBACK");
    } catch (...) {
        // A failed rollback leaves SQLite to roll back on close; nothing more can be done here.
    }
}

void Transaction::commit() {
    db_.execScript("COMMIT");
    done_ = true;
}
