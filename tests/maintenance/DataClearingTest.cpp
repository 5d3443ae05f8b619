#include <gtest/gtest.h>

#include <QDir>
#include <functional>

#include "DataClearing.h"
#include "DataFolder.h"
#include "Database.h"
#include "MaintenanceFixture.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

using fixture::count;

namespace {

const QString kQuestion = "confirm: 系统重建将清除所有数据，请确认您已经备份了数据库，是否继续？";

class DataClearingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        for (const QString month : {"202401", "202402"}) {
            fixture::addMonth(db, month);
            fixture::addStructure(db, month, 5, 2);
            fixture::addRow(db, month, {{"EmpName", "张三"}, {"GZ1", 1000}});
            fixture::addRow(db, month, {{"EmpName", "李四"}, {"GZ1", 2000}});
        }
        db.exec("update TPara set EntName = '测试公司', LogPass = 'pw'");
        for (const char* file :
             {"ContractFile/a.pdf", "ContractFile/2024/b.doc", "ContractFile/2024/深层/c.txt"})
            maint::writeFile(data(QString::fromUtf8(file)), "contract");
        maint::writeFile(data("notes.txt"), "kept, not a contract");
        structures = maint::dumpTable(db, "TGZSet");
        parameters = maint::dumpTable(db, "TPara");
        everything = maint::dumpDatabase(db);
        filesBefore = files();
    }
    QString data(const QString& relative) const {
        return QDir(DataFolder::path(folder.path())).filePath(relative);
    }
    DataClearing::Outcome run(bool ticked) {
        return DataClearing(db, prompter, folder.path()).cmdSHClick(ticked);
    }
    // The files beside the database; the database itself is compared row by row, since a
    // test that changes its schema changes its bytes.
    QStringList files() const {
        QStringList result = maint::treeChecksums(folder.path());
        result.removeIf([](const QString& line) { return line.startsWith("db/ZYDB.dat "); });
        return result;
    }
    void expectUnchanged() {
        EXPECT_EQ(maint::dumpDatabase(db), everything);
        EXPECT_EQ(files(), filesBefore);
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    QStringList structures;
    QStringList parameters;
    QStringList everything;
    QStringList filesBefore;
};

}  // namespace

TEST_F(DataClearingTest, ClearsMonthsRowsAndContractFilesOnly) {
    prompter.queueConfirm(true);
    EXPECT_EQ(run(true), DataClearing::Outcome::Cleared);
    EXPECT_EQ(prompter.shown(), (QStringList{kQuestion, "info: 系统重建完成！"}));

    EXPECT_EQ(count(db, "select count(*) from TGZMonth"), 0);
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 0);
    // The structures of the deleted months stay, as does the template and the parameters row.
    EXPECT_EQ(maint::dumpTable(db, "TGZSet"), structures);
    EXPECT_EQ(maint::dumpTable(db, "TPara"), parameters);
    EXPECT_EQ(count(db, "select count(*) from TGZSet where GZMonth = '202401'"), 45);

    EXPECT_EQ(maint::treeNames(DataFolder::path(folder.path())),
              (QStringList{"ContractFile/", "ContractFile/2024/", "ContractFile/2024/深层/",
                           "ZYDB.dat", "notes.txt"}));
}

TEST_F(DataClearingTest, NothingTickedOrNoChangesNothing) {
    EXPECT_EQ(run(false), DataClearing::Outcome::Stopped);
    EXPECT_EQ(prompter.shown(), QStringList{"warning: 至少需要选择一项清除项目！"});
    expectUnchanged();

    prompter.clear();
    prompter.queueConfirm(false);
    EXPECT_EQ(run(true), DataClearing::Outcome::Stopped);
    EXPECT_EQ(prompter.shown(), QStringList{kQuestion});
    expectUnchanged();
}

TEST_F(DataClearingTest, MissingContractFolderIsNoError) {
    ASSERT_TRUE(QDir(data("ContractFile")).removeRecursively());
    prompter.queueConfirm(true);
    EXPECT_EQ(run(true), DataClearing::Outcome::Cleared);
    EXPECT_EQ(prompter.shown().last(), "info: 系统重建完成！");
    EXPECT_EQ(count(db, "select count(*) from TGZ"), 0);
}

TEST_F(DataClearingTest, RefusedDeleteIsToldAndLeavesEverything) {
    Database other;
    const struct {
        const char* name;
        std::function<void()> refuse;
        std::function<void()> allow;
    } cases[] = {
        {"salary rows protected",
         [&] {
             db.execScript(
                 "create trigger keep_rows before delete on TGZ "
                 "begin select raise(abort, 'protected'); end");
         },
         [&] { db.execScript("drop trigger keep_rows"); }},
        {"database locked by another writer",
         [&] {
             other.open(Schema::databasePath(folder.path()), Schema::databaseKey());
             other.execScript("begin immediate");
         },
         [&] { other.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.refuse();
        prompter.clear();
        prompter.queueConfirm(true);
        EXPECT_EQ(run(true), DataClearing::Outcome::Failed);
        EXPECT_EQ(prompter.shown(), (QStringList{kQuestion, "error: 删除数据发生错误！"}));
        c.allow();
        // The months were deleted first inside the transaction; they are back.
        expectUnchanged();
    }
}
