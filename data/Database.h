#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class ChineseCollator;

struct sqlite3;
struct sqlite3_stmt;

// The rows and column names of one query, in the order the statement returned them.
struct QueryResult {
    QStringList columns;
    std::vector<QVariantList> rows;
};

// One SQLCipher connection. Every statement takes its values as bound parameters ("?"), so a
// quote or any other character in a value is stored as typed and can never change a statement.
//
// Errors: every failing call throws DatabaseError with the engine's message; a closed
// connection throws on any statement. Reading an integer column gives qlonglong, a real column
// double, a text column QString and NULL an invalid QVariant.
//
// Two collations are registered on every connection: NOCASE (SQLite's, for month keys and field
// names) and PINYIN, which orders Chinese text by its reading as a Chinese Windows does and
// compares without letter case.
class Database {
  public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens an existing file (or creates it when `create` is set) and applies the key. Fails when
    // the file is missing, is not a database, or the key does not open it.
    void open(const QString& path, const QString& key, bool create = false);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const QString& path() const { return path_; }

    QueryResult query(const QString& sql, const QVariantList& params = {});
    // Runs a statement that returns no rows; gives the number of rows it changed.
    int exec(const QString& sql, const QVariantList& params = {});
    // Runs several statements without parameters (schema scripts).
    void execScript(const QString& sql);
    qint64 lastInsertId() const;
    // True while a transaction is open. The engine ends one by itself after some failures (a
    // full disk, a failing file), rolling back everything it held.
    bool inTransaction() const;

    // Raw handle, for the transaction guard and engine-specific chores such as backups.
    sqlite3* handle() const { return db_; }

  private:
    // Statements stay prepared for reuse: a batch of inserts or updates parses its SQL once.
    static constexpr int kCachedStatements = 64;

    void requireOpen() const;
    sqlite3_stmt* prepared(const QString& sql);
    void finalizeStatements();

    std::unique_ptr<ChineseCollator> collator_;
    sqlite3* db_ = nullptr;
    QString path_;
    QHash<QString, sqlite3_stmt*> statements_;
};
