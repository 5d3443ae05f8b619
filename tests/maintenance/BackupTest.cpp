#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include "DataFolder.h"
#include "Database.h"
#include "DatabaseBackup.h"
#include "DatabaseError.h"
#include "MaintenanceFixture.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

const QString kSaved = "info: 数据文件备份成功！";
const QString kFailed = "error: 备份文件发生错误，确认目标位置可写入！";

class BackupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dm.connected());
        fixture::addMonth(db(), "202401");
        fixture::addStructure(db(), "202401", 3, 1);
        fixture::addRow(db(), "202401", {{"EmpName", "张三"}, {"GZ1", 3000.5}});
        maint::writeFile(data("notes.txt"), "备注");
        maint::writeFile(data("ContractFile/合同/张三.txt"), QByteArray("contract\0bytes", 14));
        QDir().mkpath(data("Empty"));
    }
    Database& db() { return dm.ADOLocal; }
    QString data(const QString& relative) const {
        return QDir(DataFolder::path(folder.path())).filePath(relative);
    }
    bool backup(const std::optional<QString>& chosen, const QDate& day = QDate(2024, 1, 31)) {
        prompter.queueFile(chosen);
        return DatabaseBackup(db(), folder.path()).MenuItem1Click(prompter, day);
    }
    QString saveLine(const QDate& day) const {
        return "save:  存储工资条数据库|" + folder.path() + "Bak/" + day.toString("yyyyMMdd") +
               ".GZBK|工资条数据库备份(*.GZBK)|*.GZBK";
    }

    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
    QTemporaryDir outside;
};

}  // namespace

TEST_F(BackupTest, ProposesTheDateInBakAndCancellingDoesNothing) {
    for (const QDate& day : {QDate(2024, 1, 31), QDate(2025, 12, 1)}) {
        prompter.clear();
        EXPECT_FALSE(backup(std::nullopt, day));
        EXPECT_EQ(prompter.shown(), QStringList{saveLine(day)});
    }
    // The dialog opens in Bak even before the first backup, and cancelling leaves it empty.
    EXPECT_TRUE(QFileInfo(folder.file("Bak")).isDir());
    EXPECT_TRUE(QDir(folder.file("Bak")).isEmpty());
}

TEST_F(BackupTest, ArchiveIsAStandardZipOfTheDataFolder) {
    // An empty journal is no hot journal, so the live database ignores it; the archive must too.
    maint::writeFile(data("ZYDB.dat-journal"), QByteArray());
    const QString target = folder.file("Bak/20240131.GZBK");
    ASSERT_TRUE(backup(target));
    EXPECT_EQ(prompter.shown(), (QStringList{saveLine(QDate(2024, 1, 31)), kSaved}));

    QStringList names = maint::unzipList(target);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{"ContractFile/", "ContractFile/合同/", "ContractFile/合同/张三.txt",
                           "Empty/", "ZYDB.dat", "notes.txt"}));
    EXPECT_EQ(maint::unzipEntry(target, "ContractFile/合同/张三.txt"),
              maint::readFile(data("ContractFile/合同/张三.txt")));
    EXPECT_EQ(maint::unzipEntry(target, "notes.txt"), maint::readFile(data("notes.txt")));
    // The program goes on with its connection as it was: open, and nothing left attached.
    EXPECT_EQ(db().query("PRAGMA database_list").rows.size(), 1u);
    EXPECT_EQ(fixture::count(db(), "select count(*) from TGZ"), 1);
}

TEST_F(BackupTest, ArchivedDatabaseIsEncryptedAndHoldsWhatWasCommitted) {
    // Written through the open connection just before the backup.
    fixture::addMonth(db(), "202402");
    fixture::addRow(db(), "202402", {{"EmpName", "李四"}, {"GZ1", 12.25}});
    const QStringList expected = maint::dumpDatabase(db());
    const QString target = outside.filePath("copy.GZBK");
    ASSERT_TRUE(backup(target));

    const QString copy = outside.filePath("ZYDB.dat");
    maint::writeFile(copy, maint::unzipEntry(target, "ZYDB.dat"));
    EXPECT_FALSE(maint::readFile(copy).startsWith("SQLite format 3"));
    for (const QString& key : {QString(), QString("wrong-key")}) {
        Database locked;
        EXPECT_THROW(locked.open(copy, key), DatabaseError) << key.toStdString();
    }
    Database opened;
    ASSERT_NO_THROW(opened.open(copy, Schema::databaseKey()));
    EXPECT_EQ(maint::dumpDatabase(opened), expected);
}

TEST_F(BackupTest, EncryptedDatabaseIsStoredAndOtherFilesDeflated) {
    // Compressible enough that deflating it must pay off.
    maint::writeFile(data("notes.txt"), QByteArray(20000, 'a'));
    const QString target = outside.filePath("methods.GZBK");
    ASSERT_TRUE(backup(target));
    const maint::ToolResult listed = maint::runTool(
        "/usr/bin/python3",
        {"-c",
         "import sys, zipfile\n"
         "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
         "    if not i.is_dir(): print(i.filename, i.compress_type, i.compress_size < i.file_size)",
         target});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    QStringList lines = QString::fromUtf8(listed.out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, (QStringList{"ContractFile/合同/张三.txt 8 False", "ZYDB.dat 0 False",
                                  "notes.txt 8 True"}));
}

TEST_F(BackupTest, TypedNameGetsTheExtension) {
    ASSERT_TRUE(backup(folder.file("Bak/mine")));
    EXPECT_FALSE(QFileInfo::exists(folder.file("Bak/mine")));
    EXPECT_TRUE(maint::unzipList(folder.file("Bak/mine.GZBK")).contains("ZYDB.dat"));
}

TEST_F(BackupTest, ExistingFileIsReplacedOnlyWhenTheUserAgrees) {
    const QString target = folder.file("Bak/mine.GZBK");
    maint::writeFile(target, "older file");

    // The name without extension was not the one the dialog asked about, so it is asked here.
    prompter.queueConfirm(false);
    EXPECT_FALSE(backup(folder.file("Bak/mine")));
    EXPECT_EQ(prompter.shown().last(), "confirm: mine.GZBK已存在。\n要替换它吗？");
    EXPECT_EQ(maint::readFile(target), "older file");

    prompter.clear();
    prompter.queueConfirm(true);
    EXPECT_TRUE(backup(folder.file("Bak/mine")));
    EXPECT_EQ(prompter.shown().last(), kSaved);
    EXPECT_TRUE(maint::unzipList(target).contains("ZYDB.dat"));

    // A full name chosen in the dialog was asked about there.
    maint::writeFile(target, "older file");
    prompter.clear();
    EXPECT_TRUE(backup(target));
    EXPECT_EQ(prompter.shown().last(), kSaved);
    EXPECT_TRUE(maint::unzipList(target).contains("ZYDB.dat"));
}

TEST_F(BackupTest, FailuresAreToldAndWriteNothing) {
    maint::writeFile(outside.filePath("plain-file"), "x");
    QDir().mkpath(outside.filePath("a-folder.GZBK"));
    const struct {
        const char* name;
        QString target;
        bool closeDatabase;
    } cases[] = {
        {"missing folder", outside.filePath("no/such/folder/x.GZBK"), false},
        {"folder is a file", outside.filePath("plain-file/x.GZBK"), false},
        {"target is a folder", outside.filePath("a-folder.GZBK"), false},
        {"database closed", outside.filePath("closed.GZBK"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.closeDatabase) db().close();
        const QStringList before = maint::treeChecksums(outside.path());
        prompter.clear();
        EXPECT_FALSE(backup(c.target));
        EXPECT_EQ(prompter.shown().mid(1), QStringList{kFailed});
        EXPECT_EQ(maint::treeChecksums(outside.path()), before);
    }
}

TEST_F(BackupTest, InsideAnOpenTransactionNothingIsWritten) {
    // Its changes may already be partly in the file: such a state must not become a backup.
    Transaction open(db());
    fixture::addRow(db(), "202401", {{"EmpName", "未提交"}});
    const QStringList before = maint::treeChecksums(outside.path());
    EXPECT_FALSE(backup(outside.filePath("during.GZBK")));
    EXPECT_EQ(prompter.shown().mid(1), QStringList{kFailed});
    EXPECT_EQ(maint::treeChecksums(outside.path()), before);
    // The transaction goes on unharmed.
    EXPECT_EQ(fixture::count(db(), "select count(*) from TGZ"), 2);
    open.commit();
    EXPECT_EQ(fixture::count(db(), "select count(*) from TGZ"), 2);
}
