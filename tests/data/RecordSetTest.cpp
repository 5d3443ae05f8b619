#include <gtest/gtest.h>

#include "Database.h"
#include "DatabaseError.h"
#include "RecordSet.h"
#include "Schema.h"
#include "TestFolder.h"

namespace {

struct Person {
    const char* depart;
    const char* name;
    double pay;
    int selected;
};

const Person kPeople[] = {
    {"生产部", "张三", 3000, 1}, {"财务部", "李四", 4500.5, 0}, {"生产部", "王五", 2800, 1},
    {"办公室", "赵六", 5200, 0}, {"财务部", "安娜", 4500.5, 1},
};

class RecordSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        for (const Person& p : kPeople) {
            db.exec(
                "insert into TGZ (GZMonth, DepartName, EmpName, GZTotal, SelectStu) "
                "values ('202401', ?, ?, ?, ?)",
                {p.depart, p.name, p.pay, p.selected});
        }
        rs.setDatabase(&db);
        openMonth();
    }
    void openMonth() {
        rs.open("select * from TGZ where GZMonth=? order by ID", {"202401"}, "TGZ");
    }
    QStringList names() const {
        QStringList result;
        for (int i = 0; i < rs.recordCount(); ++i) result << rs.value(i, "EmpName").toString();
        return result;
    }
    int tableCount() { return db.query("select count(*) from TGZ").rows[0][0].toInt(); }

    TestFolder folder;
    Database db;
    RecordSet rs;
};

}  // namespace

TEST_F(RecordSetTest, FieldsByNameWithoutLetterCase) {
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_EQ(rs.recNo(), 0);
    EXPECT_EQ(rs.fieldIndex("empname"), rs.fieldIndex("EmpName"));
    EXPECT_EQ(rs.fieldValue("EMPNAME").toString(), QStringLiteral("张三"));
    EXPECT_EQ(rs.fieldIndex("NoSuchField"), -1);
    EXPECT_THROW(rs.fieldValue("NoSuchField"), DatabaseError);
    EXPECT_THROW(rs.value(5, "EmpName"), DatabaseError);
}

TEST_F(RecordSetTest, SortsByOneOrMoreFields) {
    struct Case {
        const char* sort;
        QStringList expected;
    };
    const Case cases[] = {
        {"EmpName ASC", {"安娜", "李四", "王五", "张三", "赵六"}},
        {"empname desc", {"赵六", "张三", "王五", "李四", "安娜"}},
        {"GZTotal DESC, EmpName ASC", {"赵六", "安娜", "李四", "张三", "王五"}},
        {"DepartName, GZTotal DESC", {"赵六", "李四", "安娜", "张三", "王五"}},
        {"", {"张三", "李四", "王五", "赵六", "安娜"}},
    };
    for (const Case& c : cases) {
        rs.setSort(c.sort);
        EXPECT_EQ(names(), c.expected) << c.sort;
    }
    EXPECT_THROW(rs.setSort("Nothing ASC"), DatabaseError);
    EXPECT_THROW(rs.setSort("EmpName UPWARDS"), DatabaseError);
}

TEST_F(RecordSetTest, SortKeepsTheCurrentRow) {
    rs.setRecNo(3);  // 赵六
    rs.setSort("EmpName DESC");
    EXPECT_EQ(rs.recNo(), 0);
    EXPECT_EQ(rs.fieldValue("EmpName").toString(), QStringLiteral("赵六"));
}

TEST_F(RecordSetTest, FiltersOnTheClientSide) {
    struct Case {
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"SelectStu=1", {"张三", "王五", "安娜"}},
        {"SelectStu<>1", {"李四", "赵六"}},
        {"SelectStu=1 and DepartName='生产部'", {"张三", "王五"}},
        {"GZTotal>=4500.5", {"李四", "赵六", "安娜"}},
        {"DepartName='nobody'", {}},
        {"", {"张三", "李四", "王五", "赵六", "安娜"}},
    };
    for (const Case& c : cases) {
        rs.setFilter(c.filter);
        EXPECT_EQ(names(), c.expected) << c.filter;
    }
    rs.setFilter("SelectStu=1");
    rs.setSort("EmpName ASC");
    EXPECT_EQ(names(), (QStringList{"安娜", "王五", "张三"}));
    EXPECT_THROW(rs.setFilter("SelectStu=="), DatabaseError);
    EXPECT_THROW(rs.setFilter("Missing=1"), DatabaseError);
}

TEST_F(RecordSetTest, PendingChangesReachTheTableOnlyInTheBatch) {
    rs.setValue(0, "GZTotal", 3100.0);
    rs.remove(1);
    const int added = rs.append();
    rs.setValue(added, "GZMonth", "202401");
    rs.setValue(added, "EmpName", "新员工");
    EXPECT_TRUE(rs.hasPendingChanges());
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_EQ(tableCount(), 5);
    EXPECT_EQ(db.query("select GZTotal from TGZ where EmpName='张三'").rows[0][0].toDouble(), 3000);

    rs.updateBatch();
    EXPECT_FALSE(rs.hasPendingChanges());
    EXPECT_EQ(db.query("select GZTotal from TGZ where EmpName='张三'").rows[0][0].toDouble(), 3100);
    EXPECT_TRUE(db.query("select ID from TGZ where EmpName='李四'").rows.empty());
    const QueryResult added_row = db.query("select ID from TGZ where EmpName='新员工'");
    ASSERT_EQ(added_row.rows.size(), 1u);
    // The new row learns the key the table gave it.
    EXPECT_EQ(rs.value(rs.recordCount() - 1, "ID").toLongLong(), added_row.rows[0][0].toLongLong());

    openMonth();
    EXPECT_EQ(names(), (QStringList{"张三", "王五", "赵六", "安娜", "新员工"}));
}

TEST_F(RecordSetTest, FailedBatchWritesNothingAndKeepsThePendingChanges) {
    rs.setValue(0, "GZTotal", 1.0);
    rs.setValue(2, "GZTotal", 2.0);
    const int added = rs.append();
    rs.setValue(added, "EmpName", "新员工");
    // Another writer removes a row this set is about to change: the whole batch must fail.
    const qlonglong gone = rs.value(2, "ID").toLongLong();
    db.exec("delete from TGZ where ID=?", {gone});

    EXPECT_THROW(rs.updateBatch(), DatabaseError);
    EXPECT_EQ(db.query("select GZTotal from TGZ where EmpName='张三'").rows[0][0].toDouble(), 3000);
    EXPECT_TRUE(db.query("select ID from TGZ where EmpName='新员工'").rows.empty());
    EXPECT_TRUE(rs.hasPendingChanges());
    EXPECT_EQ(rs.value(0, "GZTotal").toDouble(), 1.0);

    // Once the conflicting change is given up, the rest goes through.
    rs.remove(2);
    rs.updateBatch();
    EXPECT_EQ(db.query("select GZTotal from TGZ where EmpName='张三'").rows[0][0].toDouble(), 1.0);
    EXPECT_EQ(db.query("select count(*) from TGZ where EmpName='新员工'").rows[0][0].toInt(), 1);
}

TEST_F(RecordSetTest, FailedInsertRollsBackEarlierWrites) {
    RecordSet months(&db);
    db.exec("insert into TGZMonth (GZMonth) values ('202401')");
    months.open("select * from TGZMonth", {}, "TGZMonth");
    months.setValue(0, "GZMonth", "202402");
    const int added = months.append();
    months.setValue(added, "GZMonth", "202402");  // breaks the unique month key
    EXPECT_THROW(months.updateBatch(), DatabaseError);
    EXPECT_EQ(db.query("select GZMonth from TGZMonth").rows[0][0].toString(), "202401");
    EXPECT_EQ(db.query("select count(*) from TGZMonth").rows[0][0].toInt(), 1);
}

TEST_F(RecordSetTest, CancelDiscardsPendingChanges) {
    rs.setValue(0, "EmpName", "改名");
    rs.remove(3);
    rs.append();
    rs.cancelBatch();
    EXPECT_FALSE(rs.hasPendingChanges());
    EXPECT_EQ(names(), (QStringList{"张三", "李四", "王五", "赵六", "安娜"}));
    rs.updateBatch();
    EXPECT_EQ(tableCount(), 5);
    EXPECT_EQ(db.query("select count(*) from TGZ where EmpName='改名'").rows[0][0].toInt(), 0);
}

TEST_F(RecordSetTest, RemovingAnAppendedRowLeavesNothingToWrite) {
    const int added = rs.append();
    rs.setValue(added, "EmpName", "临时");
    rs.remove(added);
    EXPECT_FALSE(rs.hasPendingChanges());
    EXPECT_EQ(rs.recordCount(), 5);
}

TEST_F(RecordSetTest, EmptySetHasNoCurrentRow) {
    rs.open("select * from TGZ where ID=-1", {}, "TGZ");
    EXPECT_TRUE(rs.isEmpty());
    EXPECT_EQ(rs.recNo(), -1);
    EXPECT_THROW(rs.fieldValue("EmpName"), DatabaseError);
    EXPECT_EQ(rs.append(), 0);
    EXPECT_EQ(rs.recNo(), 0);
}

// The rows put in order in memory come in the order the database's own "order by" gives them:
// pinyin, letters without case, digits by value, empty and missing values, ties.
TEST_F(RecordSetTest, RowsOrderedInMemoryAsTheDatabaseOrdersThem) {
    db.exec("delete from TGZ");
    const QVariant none;
    const QVariantList departments{"生产部", "财务部", "办公室", none,   "",       "Abc",
                                   "abc",    "生产部", "2部",    "10部", "財務部", "生产部"};
    const QVariantList names{"张三", "李四", "王五", "赵六", "安娜", "bob",
                             "Bob",  "张三", "钱七", none,   "孙八", "阿张"};
    for (int i = 0; i < departments.size(); ++i) {
        db.exec("insert into TGZ (GZMonth, DepartName, EmpName) values ('m', ?, ?)",
                {departments.at(i), names.at(i)});
    }
    db.exec("insert into TGZ (GZMonth, DepartName, EmpName) values ('m', ?, ?)",
            {QByteArray("\x01\x02", 2), "二进制"});
    db.exec("insert into TGZ (GZMonth, DepartName, EmpName) values ('m', 7, '数字')");
    QStringList expected;
    for (const QVariantList& row :
         db.query("select ID from TGZ where GZMonth='m' order by DepartName, EmpName").rows) {
        expected << row.at(0).toString();
    }

    rs.open("select * from TGZ where GZMonth=?", {"m"}, "TGZ");
    rs.orderRows({"DepartName", "EmpName"});
    QStringList ordered;
    for (int i = 0; i < rs.recordCount(); ++i) ordered << rs.value(i, "ID").toString();
    EXPECT_EQ(ordered, expected);
    EXPECT_EQ(rs.recNo(), 0);

    // A view sort comes back to this order when it is taken off.
    rs.setSort("ID DESC");
    rs.setSort({});
    ordered.clear();
    for (int i = 0; i < rs.recordCount(); ++i) ordered << rs.value(i, "ID").toString();
    EXPECT_EQ(ordered, expected);
}

// Sums count the rows in view only, and values that are no number as 0.
TEST_F(RecordSetTest, SumOverTheRowsInView) {
    const int pay = rs.fieldIndex("GZTotal");
    EXPECT_DOUBLE_EQ(rs.sum(pay), 3000 + 4500.5 + 2800 + 5200 + 4500.5);
    rs.setFilter("SelectStu=1");
    EXPECT_DOUBLE_EQ(rs.sum(pay), 3000 + 2800 + 4500.5);
    rs.setFilter({});
    rs.setValue(0, "GZTotal", QStringLiteral("abc"));
    rs.setValue(1, "GZTotal", QVariant());
    rs.remove(2);
    EXPECT_DOUBLE_EQ(rs.sum(pay), 5200 + 4500.5);
    EXPECT_THROW(rs.sum(-1), DatabaseError);
}
