#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <optional>

#include "Database.h"
#include "DatabaseError.h"
#include "Schema.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

QString sqlcipherCli(const QString& path, const QString& script) {
    QProcess process;
    process.start(QStringLiteral("sqlcipher"), {path});
    process.waitForStarted();
    process.write(script.toUtf8());
    process.closeWriteChannel();
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

class DatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }
    // The stored months in order, joined by commas.
    QString months() {
        QStringList got;
        for (const QVariantList& row :
             db.query("select GZMonth from TGZMonth order by GZMonth").rows) {
            got << row[0].toString();
        }
        return got.join(u',');
    }
    TestFolder folder;
    Database db;
};

}  // namespace

TEST_F(DatabaseTest, NewDatabaseHoldsTemplateAndParameters) {
    const QueryResult items = db.query(
        "select GZType, GZField1, SortIdx, ShowStu, GZName from TGZSet where GZMonth='base' "
        "order by GZType, SortIdx");
    ASSERT_EQ(items.rows.size(), 45u);
    int enabledEarnings = 0, enabledDeductions = 0;
    for (std::size_t i = 0; i < items.rows.size(); ++i) {
        const QVariantList& row = items.rows[i];
        const int type = row[0].toInt();
        const int number = type == 0 ? int(i) + 1 : int(i) - 29;
        EXPECT_EQ(row[1].toString(), (type == 0 ? "GZ" : "KK") + QString::number(number));
        EXPECT_EQ(row[2].toInt(), number);
        if (row[3].toInt() == 0)
            (type == 0 ? enabledEarnings : enabledDeductions)++;
        else
            EXPECT_EQ(row[4].toString(), QStringLiteral("工资项目"));
    }
    EXPECT_EQ(enabledEarnings, 10);
    EXPECT_EQ(enabledDeductions, 5);

    const QueryResult para = db.query("select LogPass, BillHeight, TopPos from TPara");
    ASSERT_EQ(para.rows.size(), 1u);
    EXPECT_EQ(para.rows[0][0].toString(), QStringLiteral("746"));
    EXPECT_DOUBLE_EQ(para.rows[0][1].toDouble(), 296.78);
    EXPECT_EQ(para.rows[0][2].toInt(), 2);
}

TEST_F(DatabaseTest, SalaryTableHasEveryColumn) {
    const QueryResult result = db.query("select * from TGZ where ID=-1");
    EXPECT_EQ(result.columns, Schema::salaryColumns());
    EXPECT_EQ(result.columns.size(), 61);
    EXPECT_TRUE(result.rows.empty());
}

TEST_F(DatabaseTest, FileIsEncryptedAndOpensOnlyWithTheKey) {
    const QString path = Schema::databasePath(folder.path());
    db.close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.read(16).startsWith("SQLite format 3"));

    // An independent reader: the sqlcipher shell fails without the key and reads with it.
    EXPECT_TRUE(sqlcipherCli(path, "select count(*) from TGZSet;\n").contains("not a database"));
    const QString keyed =
        sqlcipherCli(path, "PRAGMA key = 'hxwp51937261';\nselect count(*) from TGZSet;\n");
    EXPECT_TRUE(keyed.contains("45")) << keyed.toStdString();

    Database other;
    EXPECT_THROW(other.open(path, "wrong-key"), DatabaseError);
    EXPECT_FALSE(other.isOpen());
}

TEST_F(DatabaseTest, MissingFileIsNotCreated) {
    Database other;
    const QString missing = folder.file("db/none.dat");
    EXPECT_THROW(other.open(missing, Schema::databaseKey()), DatabaseError);
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(DatabaseTest, QuotesInValuesAreStoredAsTyped) {
    const QString name = QStringLiteral("O'Brien'); delete from TGZ; --");
    db.exec("insert into TGZ (GZMonth, EmpName) values (?, ?)", {"202401", name});
    db.exec("insert into TGZ (GZMonth, EmpName) values (?, ?)", {"202401", "张三"});
    const QueryResult result = db.query("select EmpName from TGZ where EmpName=?", {name});
    ASSERT_EQ(result.rows.size(), 1u);
    EXPECT_EQ(result.rows[0][0].toString(), name);
    EXPECT_EQ(db.query("select count(*) from TGZ").rows[0][0].toInt(), 2);
}

TEST_F(DatabaseTest, MonthKeysCompareWithoutLetterCase) {
    db.exec("insert into TGZMonth (GZMonth) values (?)", {"2024abc"});
    EXPECT_EQ(db.query("select ID from TGZMonth where GZMonth=?", {"2024ABC"}).rows.size(), 1u);
    EXPECT_THROW(db.exec("insert into TGZMonth (GZMonth) values (?)", {"2024Abc"}), DatabaseError);
    EXPECT_EQ(db.query("select count(*) from TGZSet where GZMonth='Base'").rows[0][0].toInt(), 45);
}

TEST_F(DatabaseTest, NamesAndDepartmentsSortByPinyin) {
    const QStringList names{"张三", "李四", "王五", "安娜", "赵六", "Bob", "alice"};
    for (const QString& n : names) {
        db.exec("insert into TGZ (GZMonth, DepartName, EmpName) values ('1', ?, ?)", {n, n});
    }
    // Chinese names by pinyin, then Latin ones without regard to letter case.
    const QStringList expected{"安娜", "李四", "王五", "张三", "赵六", "alice", "Bob"};
    for (const char* column : {"EmpName", "DepartName"}) {
        QStringList got;
        for (const auto& row :
             db.query(QStringLiteral("select %1 from TGZ order by %1").arg(column)).rows) {
            got << row[0].toString();
        }
        EXPECT_EQ(got, expected) << column;
    }
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted) {
    const auto count = [&] { return db.query("select count(*) from TGZMonth").rows[0][0].toInt(); };
    try {
        Transaction t(db);
        db.exec("insert into TGZMonth (GZMonth) values ('a')");
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(count(), 0);
    {
        Transaction t(db);
        db.exec("insert into TGZMonth (GZMonth) values ('a')");
        t.commit();
    }
    EXPECT_EQ(count(), 1);
}

TEST_F(DatabaseTest, NestedTransactionIsWrittenOnlyWithTheOuterOne) {
    try {
        Transaction outer(db);
        db.exec("insert into TGZMonth (GZMonth) values ('outer')");
        {
            Transaction inner(db);
            db.exec("insert into TGZMonth (GZMonth) values ('inner')");
            inner.commit();
        }
        throw std::runtime_error("stopped before the outer commit");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(months(), QString());
    {
        Transaction outer(db);
        db.exec("insert into TGZMonth (GZMonth) values ('kept')");
        try {
            Transaction inner(db);
            db.exec("insert into TGZMonth (GZMonth) values ('undone')");
            throw std::runtime_error("inner step failed");
        } catch (const std::runtime_error&) {
        }
        outer.commit();
    }
    EXPECT_EQ(months(), QStringLiteral("kept"));
}

// "Insert or rollback" makes the engine end the transaction by itself, as it may on a full disk.
// What runs after that runs on its own, so the guard must not commit as if all were one change.
TEST_F(DatabaseTest, TransactionTheEngineRolledBackIsNotCommitted) {
    for (const bool nested : {false, true}) {
        db.exec("delete from TGZMonth");
        db.exec("insert into TGZMonth (GZMonth) values ('a')");
        std::optional<Transaction> outer;
        if (nested) outer.emplace(db);
        {
            Transaction t(db);
            db.exec("insert into TGZMonth (GZMonth) values ('b')");
            try {
                db.exec("insert or rollback into TGZMonth (GZMonth) values ('a')");
                ADD_FAILURE() << "a second 'a' was stored";
            } catch (const DatabaseError& e) {
                EXPECT_TRUE(e.rowRefused());
            }
            EXPECT_FALSE(db.inTransaction()) << nested;
            db.exec("insert into TGZMonth (GZMonth) values ('c')");
            EXPECT_THROW(t.commit(), DatabaseError) << nested;
        }
        if (outer) {
            EXPECT_THROW(outer->commit(), DatabaseError);
        }
        outer.reset();
        EXPECT_EQ(months(), QStringLiteral("a,c")) << nested;
        EXPECT_FALSE(db.inTransaction());
    }
    Transaction t(db);
    EXPECT_TRUE(db.inTransaction());
}

TEST_F(DatabaseTest, OnlyRefusedValuesAreRowFaults) {
    try {
        db.exec("select abs(-9223372036854775807 - 1)");
        ADD_FAILURE() << "no overflow";
    } catch (const DatabaseError& e) {
        EXPECT_FALSE(e.rowRefused()) << e.message().toStdString();
    }
    try {
        db.exec("insert into TGZSet (GZMonth) values (null)");
        ADD_FAILURE() << "null month stored";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.rowRefused()) << e.message().toStdString();
    }
}

TEST_F(DatabaseTest, BadStatementsRaise) {
    EXPECT_THROW(db.query("select nothing from nowhere"), DatabaseError);
    EXPECT_THROW(db.exec("insert into TGZMonth (GZMonth) values (?)", {}), DatabaseError);
    db.close();
    EXPECT_THROW(db.query("select 1"), DatabaseError);
}

TEST(SchemaTest, ExistingDatabaseIsLeftAlone) {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    db.exec("insert into TGZMonth (GZMonth) values ('202401')");
    db.close();
    EXPECT_FALSE(Schema::createDatabaseFile(folder.path()));
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    EXPECT_EQ(db.query("select count(*) from TGZMonth").rows[0][0].toInt(), 1);
}
