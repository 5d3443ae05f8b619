#include "Schema.h"

#include <QDir>
#include <QFileInfo>

#include "Database.h"
#include "DatabaseError.h"
#include "Transaction.h"

namespace {

// Month keys and field names compare without letter case; names, departments and positions
// sort by their Chinese reading.
const char* const kTables = R"SQL(
CREATE TABLE TGZMonth (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    GZMonth TEXT NOT NULL COLLATE NOCASE
);
CREATE UNIQUE INDEX TGZMonth_GZMonth ON TGZMonth (GZMonth COLLATE NOCASE);
CREATE TABLE TGZSet (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    GZMonth TEXT NOT NULL COLLATE NOCASE,
    GZType INTEGER NOT NULL DEFAULT 0,
    GZName TEXT,
    GZField1 TEXT COLLATE NOCASE,
    SortIdx INTEGER,
    ShowStu INTEGER DEFAULT 1
);
CREATE INDEX TGZSet_GZMonth ON TGZSet (GZMonth COLLATE NOCASE, GZType, SortIdx);
CREATE TABLE TPara (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    EntName TEXT,
    BillHeight REAL,
    TopPos INTEGER,
    PrintDays INTEGER,
    ShowFloat INTEGER,
    ShowXH INTEGER,
    NameOnTitle INTEGER,
    JJUnit TEXT,
    LogPass TEXT,
    ClientVer TEXT
);
)SQL";

const char* const kEarnings[] = {"基本工资", "岗位工资", "绩效工资", "加班工资", "全勤奖",
                                 "工龄工资", "交通补贴", "餐费补贴", "通讯补贴", "其他补贴"};
const char* const kDeductions[] = {"养老保险", "医疗保险", "失业保险", "住房公积金", "个人所得税"};

QString salaryTableSql() {
    QStringList columns{
        QStringLiteral("ID INTEGER PRIMARY KEY AUTOINCREMENT"),
        QStringLiteral("GZMonth TEXT COLLATE NOCASE"),
        QStringLiteral("DepartName TEXT COLLATE PINYIN"),
        QStringLiteral("EmpCode TEXT COLLATE NOCASE"),
        QStringLiteral("EmpName TEXT COLLATE PINYIN"),
        QStringLiteral("ZWName TEXT COLLATE PINYIN"),
        QStringLiteral("WorkDays REAL"),
        QStringLiteral("HourCount REAL"),
        QStringLiteral("OneDayMOney REAL"),
    };
    for (int i = 1; i <= Schema::EarningCount; ++i) columns << QStringLiteral("GZ%1 REAL").arg(i);
    columns << QStringLiteral("YFTotal REAL");
    for (int i = 1; i <= Schema::DeductionCount; ++i) columns << QStringLiteral("KK%1 REAL").arg(i);
    columns << QStringLiteral("KKTotal REAL") << QStringLiteral("GZTotal REAL")
            << QStringLiteral("QM TEXT") << QStringLiteral("EMail TEXT")
            << QStringLiteral("LOGTime TEXT") << QStringLiteral("SelectStu INTEGER DEFAULT 0");
    return QStringLiteral(
               "CREATE TABLE TGZ (\n    %1\n);\n"
               "CREATE INDEX TGZ_GZMonth ON TGZ (GZMonth COLLATE NOCASE);\n")
        .arg(columns.join(QStringLiteral(",\n    ")));
}

}  // namespace

QString Schema::databasePath(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("db/ZYDB.dat"));
}

QStringList Schema::tableNames() {
    return {QStringLiteral("TGZMonth"), QStringLiteral("TGZ"), QStringLiteral("TGZSet"),
            QStringLiteral("TPara")};
}

QStringList Schema::salaryColumns() {
    QStringList names{
        QStringLiteral("ID"),       QStringLiteral("GZMonth"),   QStringLiteral("DepartName"),
        QStringLiteral("EmpCode"),  QStringLiteral("EmpName"),   QStringLiteral("ZWName"),
        QStringLiteral("WorkDays"), QStringLiteral("HourCount"), QStringLiteral("OneDayMOney")};
    for (int i = 1; i <= EarningCount; ++i) names << QStringLiteral("GZ%1").arg(i);
    names << QStringLiteral("YFTotal");
    for (int i = 1; i <= DeductionCount; ++i) names << QStringLiteral("KK%1").arg(i);
    names << QStringLiteral("KKTotal") << QStringLiteral("GZTotal") << QStringLiteral("QM")
          << QStringLiteral("EMail") << QStringLiteral("LOGTime") << QStringLiteral("SelectStu");
    return names;
}

void Schema::createTables(Database& db) {
    db.execScript(QString::fromUtf8(kTables));
    db.execScript(salaryTableSql());
}

void Schema::insertInitialData(Database& db) {
    const QString insertItem = QStringLiteral(
        "INSERT INTO TGZSet (GZMonth, GZType, GZName, GZField1, SortIdx, ShowStu) "
        "VALUES ('BASE', ?, ?, ?, ?, ?)");
    const auto addGroup = [&](int type, const QString& prefix, int count, const char* const* names,
                              int named) {
        for (int i = 1; i <= count; ++i) {
            const bool enabled = i <= named;
            const QString caption =
                enabled ? QString::fromUtf8(names[i - 1]) : QStringLiteral("工资项目");
            db.exec(insertItem, {type, caption, prefix + QString::number(i), i, enabled ? 0 : 1});
        }
    };
    addGroup(0, QStringLiteral("GZ"), EarningCount, kEarnings, int(std::size(kEarnings)));
    addGroup(1, QStringLiteral("KK"), DeductionCount, kDeductions, int(std::size(kDeductions)));
    db.exec(QStringLiteral("INSERT INTO TPara (EntName, BillHeight, TopPos, PrintDays, ShowFloat, "
                           "ShowXH, NameOnTitle, JJUnit, LogPass, ClientVer) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {QString(), 296.78, 2, 1, 1, 1, 0, QStringLiteral("件"), QStringLiteral("746"),
             QStringLiteral(GZT_VERSION)});
}

bool Schema::createDatabaseFile(const QString& appPath) {
    const QString path = databasePath(appPath);
    if (QFileInfo::exists(path)) return false;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        throw DatabaseError(
            QStringLiteral("无法建立数据文件夹：%1").arg(QFileInfo(path).absolutePath()));
    }
    // Built under a temporary name so that a failure never leaves a half-made database behind.
    const QString partial = path + QStringLiteral(".part");
    QFile::remove(partial);
    {
        Database db;
        db.open(partial, databaseKey(), true);
        try {
            Transaction transaction(db);
            createTables(db);
            insertInitialData(db);
            transaction.commit();
        } catch (...) {
            db.close();
            QFile::remove(partial);
            throw;
        }
    }
    if (!QFile::rename(partial, path)) {
        QFile::remove(partial);
        throw DatabaseError(QStringLiteral("无法建立数据库文件：%1").arg(path));
    }
    return true;
}
