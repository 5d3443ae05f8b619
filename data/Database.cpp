#include "Database.h"

#include <cstring>

#include <sqlcipher/sqlite3.h>

#include <QFileInfo>
#include <QStringDecoder>
#include <QVarLengthArray>

#include "ChineseCollator.h"
#include "DatabaseError.h"

namespace {

QString engineMessage(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The statement was refused for the values it carried; the connection and its transaction are
// as they were before it.
bool refusedForValues(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_CONSTRAINT || primary == SQLITE_MISMATCH || primary == SQLITE_TOOBIG;
}

int pinyinCompare(void* collator, int lenA, const void* a, int lenB, const void* b) {
    // Sorting by department compares equal texts most of the time; they need no collator.
    if (lenA == lenB && std::memcmp(a, b, size_t(lenA)) == 0) return 0;
    // Decoded into buffers on the stack: a sort calls this some hundred thousand times.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QVarLengthArray<QChar, 128> left(decoder.requiredSpace(lenA));
    QVarLengthArray<QChar, 128> right(decoder.requiredSpace(lenB));
    const QChar* leftEnd =
        decoder.appendToBuffer(left.data(), QByteArrayView(static_cast<const char*>(a), lenA));
    decoder.resetState();
    const QChar* rightEnd =
        decoder.appendToBuffer(right.data(), QByteArrayView(static_cast<const char*>(b), lenB));
    return static_cast<const ChineseCollator*>(collator)->compare(
        QStringView(left.data(), leftEnd), QStringView(right.data(), rightEnd));
}

// Borrows a prepared statement from the connection's cache for one call: bound, stepped, and on
// every exit path reset with its bindings cleared, so the next call finds it ready.
class Statement {
  public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Statement() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(const QVariantList& params) {
        if (params.size() != sqlite3_bind_parameter_count(stmt_)) {
            throw DatabaseError(QStringLiteral("参数个数不符：需要%1个，给出%2个")
                                    .arg(sqlite3_bind_parameter_count(stmt_))
                                    .arg(params.size()));
        }
        for (int i = 0; i < params.size(); ++i) bindOne(i + 1, params.at(i));
    }

    // True while a row is available.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw DatabaseError(engineMessage(db_), refusedForValues(rc));
    }

    int columnCount() const { return sqlite3_column_count(stmt_); }
    QString columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(stmt_, i)); }

    QVariant value(int i) const {
        switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_INTEGER:
                return QVariant(qlonglong(sqlite3_column_int64(stmt_, i)));
            case SQLITE_FLOAT:
                return QVariant(sqlite3_column_double(stmt_, i));
            case SQLITE_NULL:
                return QVariant();
            case SQLITE_BLOB:
                return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, i)),
                                           sqlite3_column_bytes(stmt_, i)));
            default:
                return QVariant(
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i)),
                                      sqlite3_column_bytes(stmt_, i)));
        }
    }

  private:
    void bindOne(int index, const QVariant& v) {
        int rc = SQLITE_OK;
        if (!v.isValid() || v.isNull()) {
            rc = sqlite3_bind_null(stmt_, index);
        } else {
            switch (v.typeId()) {
                case QMetaType::Bool:
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::LongLong:
                case QMetaType::ULongLong:
                case QMetaType::Long:
                case QMetaType::Short:
                    rc = sqlite3_bind_int64(stmt_, index, v.toLongLong());
                    break;
                case QMetaType::Double:
                case QMetaType::Float:
                    rc = sqlite3_bind_double(stmt_, index, v.toDouble());
                    break;
                case QMetaType::QByteArray: {
                    const QByteArray bytes = v.toByteArray();
                    rc = sqlite3_bind_blob(stmt_, index, bytes.constData(), int(bytes.size()),
                                           SQLITE_TRANSIENT);
                    break;
                }
                case QMetaType::QDateTime: {
                    const QByteArray text =
                        v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
                    rc = sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()),
                                           SQLITE_TRANSIENT);
                    break;
                }
                default: {
                    const QByteArray text = v.toString().toUtf8();
                    rc = sqlite3_bind_text(stmt_, index, text.constData(), int(text.size()),
                                           SQLITE_TRANSIENT);
                }
            }
        }
        if (rc != SQLITE_OK) throw DatabaseError(engineMessage(db_));
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

Database::Database() : collator_(std::make_unique<ChineseCollator>()) {}

Database::~Database() {
    close();
}

void Database::open(const QString& path, const QString& key, bool create) {
    close();
    if (!create && !QFileInfo(path).isFile()) {
        throw DatabaseError(QStringLiteral("数据库文件不存在：%1").arg(path));
    }
    // A connection is used by one thread only, so the engine's per-call locking is not needed.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? engineMessage(db) : QStringLiteral("无法打开数据库");
        sqlite3_close(db);
        throw DatabaseError(message);
    }
    db_ = db;
    path_ = path;
    try {
        const QByteArray k = key.toUtf8();
        if (sqlite3_key(db_, k.constData(), int(k.size())) != SQLITE_OK) {
            throw DatabaseError(engineMessage(db_));
        }
        // The key is only checked when the first page is read: a wrong key or a plain file
        // fails here with "file is not a database".
        query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (sqlite3_create_collation(db_, "PINYIN", SQLITE_UTF8, collator_.get(), pinyinCompare) !=
            SQLITE_OK) {
            throw DatabaseError(engineMessage(db_));
        }
        // Every page read from the file is decrypted; a cache that holds a large month (32 MiB)
        // spares decrypting it again on each reload of the list.
        execScript(QStringLiteral("PRAGMA foreign_keys = ON; PRAGMA cache_size = -32768"));
    } catch (...) {
        close();
        throw;
    }
}

void Database::close() {
    if (!db_) return;
    finalizeStatements();
    sqlite3_close_v2(db_);
    db_ = nullptr;
    path_.clear();
}

sqlite3_stmt* Database::prepared(const QString& sql) {
    const auto found = statements_.constFind(sql);
    if (found != statements_.cend()) return found.value();
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK) {
        throw DatabaseError(engineMessage(db_));
    }
    if (!stmt) throw DatabaseError(QStringLiteral("空的SQL语句"));
    // Statements built from changing column lists would otherwise pile up.
    if (statements_.size() >= kCachedStatements) finalizeStatements();
    statements_.insert(sql, stmt);
    return stmt;
}

void Database::finalizeStatements() {
    for (sqlite3_stmt* stmt : std::as_const(statements_)) sqlite3_finalize(stmt);
    statements_.clear();
}

void Database::requireOpen() const {
    if (!db_) throw DatabaseError(QStringLiteral("数据库没有打开"));
}

QueryResult Database::query(const QString& sql, const QVariantList& params) {
    requireOpen();
    Statement stmt(db_, prepared(sql));
    stmt.bind(params);
    QueryResult result;
    const int count = stmt.columnCount();
    for (int i = 0; i < count; ++i) result.columns << stmt.columnName(i);
    while (stmt.step()) {
        QVariantList row;
        row.reserve(count);
        for (int i = 0; i < count; ++i) row << stmt.value(i);
        result.rows.push_back(std::move(row));
    }
    return result;
}

int Database::exec(const QString& sql, const QVariantList& params) {
    requireOpen();
    Statement stmt(db_, prepared(sql));
    stmt.bind(params);
    while (stmt.step()) {
    }
    return sqlite3_changes(db_);
}

void Database::execScript(const QString& sql) {
    requireOpen();
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : engineMessage(db_);
        sqlite3_free(error);
        throw DatabaseError(message);
    }
}

bool Database::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

qint64 Database::lastInsertId() const {
    requireOpen();
    return sqlite3_last_insert_rowid(db_);
}
