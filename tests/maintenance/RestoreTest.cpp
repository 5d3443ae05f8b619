#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QTemporaryDir>

#include "DataFolder.h"
#include "Database.h"
#include "DatabaseBackup.h"
#include "DatabaseRestore.h"
#include "MaintenanceFixture.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"

namespace {

const QString kRestored = "info: 还原数据成功，软件将关闭，请手工重新启动系统。";
const QString kFailed =
    "error: 数据文件还原失败，确认选择的文件是本系统自动升级文件，或该自动升级文件已损坏！\n"
    "软件将关闭，请手工重新启动系统。";

class RestoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dm.connected());
        for (const QString month : {"202401", "202402"}) {
            fixture::addMonth(db(), month);
            fixture::addStructure(db(), month, 4, 2);
            fixture::addRow(db(), month,
                            {{"DepartName", "生产部"},
                             {"EmpName", "张三"},
                             {"GZ1", 3000.5},
                             {"KK1", 120},
                             {"QM", "it's"}});
            fixture::addRow(db(), month,
                            {{"EmpName", "李四"}, {"GZ2", 88.88}, {"EMail", "a@b.cn"}});
        }
        // A gap in the keys: the restored counter must not hand out the deleted key again.
        const qint64 gone = fixture::addRow(db(), "202402", {{"EmpName", "王五"}});
        db().exec("delete from TGZ where ID = ?", {gone});
        maint::writeFile(data("ContractFile/合同/张三.txt"), QByteArray("contract\0bytes", 14));
        maint::writeFile(data("notes.txt"), "备注");
        QDir().mkpath(data("Empty"));
    }
    Database& db() { return dm.ADOLocal; }
    QString data(const QString& relative) const {
        return QDir(DataFolder::path(folder.path())).filePath(relative);
    }
    QString makeBackup(const QString& name) {
        const QString target = outside.filePath(name);
        DatabaseBackup(db(), folder.path()).writeArchive(target);
        return target;
    }
    bool restore(const std::optional<QString>& chosen, const QString& logPass = QString()) {
        prompter.queueFile(chosen);
        return DatabaseRestore(folder.path()).MenuItem2Click(dm, prompter, logPass, ask);
    }
    QString openLine() const {
        return "open: 选择工资条数据备份文件|" + folder.path() +
               "Bak|工资条数据备份(*.GZBK)|*.GZBK";
    }

    TestFolder folder;
    ScriptedPrompter prompter;
    TDM dm{folder.path(), prompter};
    QTemporaryDir outside;
    QStringList asked;
    QString answer;
    PasswordAsker ask = [this](const QString& caption) {
        asked << caption;
        return answer;
    };
};

}  // namespace

TEST_F(RestoreTest, RoundTripBringsBackEveryRowAndFile) {
    const QStringList original = maint::dumpDatabase(db());
    const QByteArray contract = maint::readFile(data("ContractFile/合同/张三.txt"));
    const QString archive = makeBackup("both-months.GZBK");

    // Afterwards the data moves on, a subfolder goes away and a file appears.
    db().exec("delete from TGZ where GZMonth = '202401'");
    fixture::addMonth(db(), "202403");
    db().exec("update TPara set EntName = '新公司'");
    ASSERT_TRUE(QDir(data("ContractFile")).removeRecursively());
    ASSERT_TRUE(QDir(data("Empty")).removeRecursively());
    maint::writeFile(data("later.txt"), "not in the archive");
    maint::writeFile(data("notes.txt"), "changed");

    EXPECT_TRUE(restore(archive));
    EXPECT_EQ(prompter.shown(), (QStringList{openLine(), kRestored}));
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_FALSE(dm.connected());

    Database restored;
    restored.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    EXPECT_EQ(maint::dumpDatabase(restored), original);
    EXPECT_EQ(maint::readFile(data("ContractFile/合同/张三.txt")), contract);
    EXPECT_EQ(maint::readFile(data("notes.txt")), "备注");
    EXPECT_TRUE(QFileInfo(data("Empty")).isDir());
    EXPECT_EQ(maint::readFile(data("later.txt")), "not in the archive");
    // The working folder beside the data folder is gone again.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"db"});
}

// Backups made before the database was stored as it is have every entry deflated.
TEST_F(RestoreTest, ArchivesWithTheDatabaseDeflatedStillRestore) {
    const QStringList original = maint::dumpDatabase(db());
    const QByteArray database = maint::readFile(Schema::databasePath(folder.path()));
    const QString archive = outside.filePath("deflated.GZBK");
    const QTemporaryDir scratch;
    maint::pythonZip(archive, scratch.path(), {{"ZYDB.dat", database}, {"notes.txt", "旧的备注"}},
                     true);
    db().exec("delete from TGZ");
    maint::writeFile(data("notes.txt"), "changed");

    EXPECT_TRUE(restore(archive));
    EXPECT_EQ(prompter.shown(), (QStringList{openLine(), kRestored}));
    Database restored;
    restored.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    EXPECT_EQ(maint::dumpDatabase(restored), original);
    EXPECT_EQ(maint::readFile(data("notes.txt")), "旧的备注");
}

TEST_F(RestoreTest, PasswordRule) {
    const struct {
        const char* name;
        QString logPass;
        QString typed;
        bool asks;
        bool restores;
    } cases[] = {
        {"no password", "", "", false, true},
        {"initial password", "746", "", false, true},
        {"right password", "Secret", "Secret", true, true},
        {"letter case counts", "Secret", "secret", true, false},
        {"nothing typed", "Secret", "", true, false},
    };
    const QString archive = makeBackup("pass.GZBK");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.clear();
        asked.clear();
        answer = c.typed;
        if (!dm.connected())
            dm.ADOLocal.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        if (c.restores) {
            EXPECT_TRUE(restore(archive, c.logPass));
            EXPECT_EQ(prompter.shown(), (QStringList{openLine(), kRestored}));
        } else {
            EXPECT_FALSE(
                DatabaseRestore(folder.path()).MenuItem2Click(dm, prompter, c.logPass, ask));
            EXPECT_EQ(prompter.shown(), QStringList{"error: 密码错误！"});
            EXPECT_TRUE(dm.connected());
        }
        EXPECT_EQ(asked, c.asks ? QStringList{"请输入登陆/管理密码："} : QStringList{});
    }
}

TEST_F(RestoreTest, CancellingTheDialogChangesNothing) {
    const QStringList before = maint::treeChecksums(folder.path());
    EXPECT_FALSE(restore(std::nullopt));
    EXPECT_EQ(prompter.shown(), QStringList{openLine()});
    EXPECT_TRUE(dm.connected());
    EXPECT_EQ(maint::treeChecksums(folder.path()), before);
}

TEST_F(RestoreTest, BadArchivesLeaveTheDataFolderAsItWas) {
    const QString good = makeBackup("good.GZBK");
    const QByteArray database = maint::unzipEntry(good, "ZYDB.dat");
    const QByteArray goodBytes = maint::readFile(good);
    const QString scratch = outside.filePath("scratch");

    const auto keyed = [&](const QString& name, const QString& key, const QString& script) {
        const QString path = outside.filePath(name);
        Database other;
        other.open(path, key, true);
        other.execScript(script);
        other.close();
        return maint::readFile(path);
    };
    const QByteArray wrongKey =
        keyed("wrongkey.dat", "another-key", "create table TGZ (ID integer)");
    const QByteArray fewTables =
        keyed("few.dat", Schema::databaseKey(),
              "create table TGZ (ID integer); create table TPara (ID integer)");

    using Entries = std::vector<std::pair<QString, QByteArray>>;
    const struct {
        const char* name;
        Entries entries;   // a ZIP written by Python's zipfile
        QByteArray bytes;  // or these bytes as they are
    } cases[] = {
        {"text file renamed", {}, QString("这不是备份文件，只是改了名字的文本。").toUtf8()},
        {"truncated archive", {}, goodBytes.left(goodBytes.size() / 2)},
        {"ZYDB.dat is no database", {{"ZYDB.dat", "hello, not a database"}}, {}},
        {"entry climbing out", {{"ZYDB.dat", database}, {"../../evil", "evil"}}, {}},
        {"absolute entry", {{"ZYDB.dat", database}, {"/evil-absolute", "evil"}}, {}},
        {"backslash climbing out",
         {{"ZYDB.dat", database}, {"ContractFile\\..\\..\\evil", "evil"}},
         {}},
        {"no database in it", {{"notes.txt", "only notes"}}, {}},
        {"database with another key", {{"ZYDB.dat", wrongKey}}, {}},
        {"database without the four tables", {{"ZYDB.dat", fewTables}}, {}},
    };
    const QString evil = QDir::cleanPath(data("../../evil"));
    ASSERT_FALSE(QFileInfo::exists(evil)) << evil.toStdString();

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString archive = outside.filePath(QString::fromUtf8(c.name) + ".GZBK");
        if (c.entries.empty()) {
            maint::writeFile(archive, c.bytes);
        } else {
            maint::pythonZip(archive, scratch, c.entries);
        }
        if (!dm.connected())
            dm.ADOLocal.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        const QStringList before = maint::treeChecksums(folder.path());
        prompter.clear();

        EXPECT_TRUE(restore(archive));
        EXPECT_EQ(prompter.shown(), (QStringList{openLine(), kFailed}));
        EXPECT_EQ(maint::treeChecksums(folder.path()), before);
        EXPECT_FALSE(QFileInfo::exists(evil));
        EXPECT_FALSE(QFileInfo::exists("/evil-absolute"));
    }
}

TEST_F(RestoreTest, FailureWhileReplacingPutsEveryFileBack) {
    const QString archive = outside.filePath("conflict.GZBK");
    fixture::addMonth(db(), "209912");
    const QByteArray otherDatabase = maint::unzipEntry(makeBackup("other.GZBK"), "ZYDB.dat");
    db().exec("delete from TGZMonth where GZMonth = '209912'");
    // The database is replaced first; then a file would have to replace a folder of the same name.
    maint::pythonZip(
        archive, outside.filePath("scratch"),
        {{"ZYDB.dat", otherDatabase}, {"ContractFile/合同/新.txt", "new"}, {"Kept.txt", "a file"}});
    maint::writeFile(data("Kept.txt/inside.txt"), "inside a folder");
    maint::writeFile(data("ZYDB.dat-journal"), QByteArray());
    const QStringList before = maint::treeChecksums(folder.path());

    EXPECT_TRUE(restore(archive));
    EXPECT_EQ(prompter.shown(), (QStringList{openLine(), kFailed}));
    EXPECT_EQ(maint::treeChecksums(folder.path()), before);
}

TEST_F(RestoreTest, NamesWrittenByWindowsToolsAreUnderstood) {
    const QByteArray database = maint::unzipEntry(makeBackup("good.GZBK"), "ZYDB.dat");
    const QString archive = outside.filePath("windows.GZBK");
    // Chinese Windows tools store names in GBK without the UTF-8 flag, and some write "\".
    maint::pythonZip(
        archive, outside.filePath("scratch"),
        {{"ZYDB.dat", database}, {"WXYZ/ABCD.txt", "gbk"}, {"ContractFile\\b.txt", "b"}});
    QByteArray bytes = maint::readFile(archive);
    bytes.replace("WXYZ/ABCD.txt", QByteArray("\xBA\xCF\xCD\xAC/\xD5\xC5\xC8\xFD.txt"));
    maint::writeFile(archive, bytes);

    EXPECT_TRUE(restore(archive));
    EXPECT_EQ(prompter.shown().last(), kRestored);
    EXPECT_EQ(maint::readFile(data("合同/张三.txt")), "gbk");
    EXPECT_EQ(maint::readFile(data("ContractFile/b.txt")), "b");
}
