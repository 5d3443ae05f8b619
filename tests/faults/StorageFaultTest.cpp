// A full disk, a read-only database file and a read-only program folder: each operation that
// writes tells its failure and changes nothing; the database stays whole. A disk that fills up in
// the middle of an import, through the window's dialog or gztctl, keeps nothing of it either.
//
// The faults are made with mounts in a private mount namespace of this test process (a small
// tmpfs, read-only bind mounts), which the gztctl children share. chmod would not do: the tests
// may run as root, whom file modes do not stop.

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "../exchange/SpreadsheetTestSupport.h"
#include "Database.h"
#include "FaultSupport.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "Transaction.h"

namespace {

enum class Fault { FullDisk, ReadOnlyDatabase, ReadOnlyFolder };

struct StorageCase {
    const char* name;
    Fault fault;
    QStringList args;  // "%DIR%" stands for the program folder
    QString message;   // what the user is told; empty: only the failure counts
};

void PrintTo(const StorageCase& c, std::ostream* os) {
    *os << c.name;
}

QString mountsUnavailable() {
    static const QString reason = [] {
        if (::unshare(CLONE_NEWNS) != 0)
            return QStringLiteral("no private mount namespace: %1").arg(std::strerror(errno));
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("mounts cannot be made private: %1").arg(std::strerror(errno));
        return QString();
    }();
    return reason;
}

bool run(const char* what, int rc) {
    if (rc == 0) return true;
    ADD_FAILURE() << what << ": " << std::strerror(errno);
    return false;
}

bool bindReadOnly(const QString& path) {
    const QByteArray p = QFile::encodeName(path);
    return run("bind", ::mount(p.constData(), p.constData(), nullptr, MS_BIND, nullptr)) &&
           run("read-only",
               ::mount(nullptr, p.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr));
}

void makeProgramFolder(const QString& folder) {
    Schema::createDatabaseFile(folder);
    Database db;
    db.open(Schema::databasePath(folder), Schema::databaseKey());
    Transaction transaction(db);
    fixture::addMonth(db, QStringLiteral("202401"));
    fixture::addStructure(db, QStringLiteral("202401"), 3, 1);
    // The totals are stale, so a recalculation has every row to write.
    for (int i = 0; i < 300; ++i) {
        fixture::addRow(db, QStringLiteral("202401"),
                        {{"EmpName", QStringLiteral("职员%1").arg(i)},
                         {"GZ1", 1000 + i},
                         {"YFTotal", 0},
                         {"GZTotal", 0}});
    }
    transaction.commit();
}

// Fills the file system holding `folder` to the last byte.
void fill(const QString& folder) {
    QFile filler(QDir(folder).filePath(QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();
}

class StorageFaultTest : public ::testing::TestWithParam<StorageCase> {};

TEST_P(StorageFaultTest, FailureIsToldAndNothingIsLost) {
    if (const QString reason = mountsUnavailable(); !reason.isEmpty())
        GTEST_SKIP() << "cannot make a full or read-only file system here (" << reason.toStdString()
                     << ")";
    const StorageCase& c = GetParam();
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/prog/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray mountPoint = QFile::encodeName(folder);
    bool mounted = false;
    if (c.fault == Fault::FullDisk) {
        ASSERT_TRUE(run("tmpfs", ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=4m")));
        mounted = true;
    }
    makeProgramFolder(folder);
    QByteArray before;
    ASSERT_EQ(faults::integrityOf(folder, &before), QStringLiteral("ok"));
    if (c.fault == Fault::FullDisk) {
        fill(folder);
    }
    if (c.fault == Fault::ReadOnlyDatabase) {
        ASSERT_TRUE(bindReadOnly(Schema::databasePath(folder)));
    }
    if (c.fault == Fault::ReadOnlyFolder) {
        ASSERT_TRUE(bindReadOnly(folder));
    }

    QStringList args;
    for (const QString& a : c.args) args << QString(a).replace(QStringLiteral("%DIR%"), folder);
    const faults::CtlResult result = faults::runCtl(folder, args);
    EXPECT_EQ(result.exitCode, 1) << result.out.toStdString() << result.err.toStdString();
    if (!c.message.isEmpty()) {
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
    }

    if (c.fault != Fault::FullDisk) {
        ::umount2(c.fault == Fault::ReadOnlyFolder
                      ? mountPoint.constData()
                      : QFile::encodeName(Schema::databasePath(folder)).constData(),
                  0);
    } else {
        QFile::remove(QDir(folder).filePath(QStringLiteral("filler")));
    }
    QByteArray after;
    EXPECT_EQ(faults::integrityOf(folder, &after), QStringLiteral("ok"));
    EXPECT_EQ(after, before) << c.name << " changed the data";
    if (mounted) ::umount2(mountPoint.constData(), MNT_DETACH);
}

const QString kSaveFailed = QStringLiteral("保存数据发生错误！");
const QString kBackupFailed = QStringLiteral("备份文件发生错误，确认目标位置可写入！");

INSTANTIATE_TEST_SUITE_P(
    Faults, StorageFaultTest,
    ::testing::Values(
        StorageCase{"FullDiskAddMonth", Fault::FullDisk, {"add-month", "202402"}, kSaveFailed},
        StorageCase{"FullDiskCopy",
                    Fault::FullDisk,
                    {"add-month", "202402", "--from", "202401", "--copy-rows"},
                    {}},
        StorageCase{"FullDiskRecalc", Fault::FullDisk, {"recalc", "202401"}, {}},
        StorageCase{
            "FullDiskBackup", Fault::FullDisk, {"backup", "%DIR%Bak/b.GZBK"}, kBackupFailed},
        StorageCase{"FullDiskPosSlips", Fault::FullDisk, {"pos", "202401"}, {}},
        StorageCase{"ReadOnlyDatabaseAddMonth",
                    Fault::ReadOnlyDatabase,
                    {"add-month", "202402"},
                    kSaveFailed},
        StorageCase{"ReadOnlyDatabaseRecalc", Fault::ReadOnlyDatabase, {"recalc", "202401"}, {}},
        StorageCase{"ReadOnlyFolderBackup",
                    Fault::ReadOnlyFolder,
                    {"backup", "%DIR%Bak/b.GZBK"},
                    kBackupFailed},
        StorageCase{"ReadOnlyFolderPosSlips", Fault::ReadOnlyFolder, {"pos", "202401"}, {}},
        StorageCase{
            "ReadOnlyFolderAddMonth", Fault::ReadOnlyFolder, {"add-month", "202402"}, kSaveFailed}),
    [](const ::testing::TestParamInfo<StorageCase>& info) { return std::string(info.param.name); });

// An import of more rows than the engine's page cache holds into a disk with a few megabytes
// left: the engine runs out of room in the middle of the rows, when it first writes pages out,
// and rolls the whole transaction back by itself. The rows after that must not go in on their
// own.
struct MidImportCase {
    const char* name;
    bool window;  // through the window's dialog, else gztctl import
    QString told;
};

void PrintTo(const MidImportCase& c, std::ostream* os) {
    *os << c.name;
}

class FullDiskImportTest : public ::testing::TestWithParam<MidImportCase> {
  protected:
    static constexpr int kSheetRows = 80000;

    static void SetUpTestSuite() {
        sheets_ = new QTemporaryDir;
        sheettest::writeSheets(
            sheets_->filePath(QStringLiteral("big.xlsx")), QStringLiteral("xlsx"),
            {QJsonObject{
                {"name", "工资"},
                {"generate",
                 QJsonObject{{"rows", kSheetRows},
                             {"pad", 50},
                             {"columns", QJsonArray{"部门", "姓名", "职务", "#应发工资|202401收入1",
                                                    "#应扣/代扣工资|202401扣款1"}}}}}});
    }
    static void TearDownTestSuite() {
        delete sheets_;
        sheets_ = nullptr;
    }

    static QTemporaryDir* sheets_;
};

QTemporaryDir* FullDiskImportTest::sheets_ = nullptr;

TEST_P(FullDiskImportTest, DiskFullInTheMiddleKeepsNothingAndIsTold) {
    if (const QString reason = mountsUnavailable(); !reason.isEmpty())
        GTEST_SKIP() << "cannot make a full file system here (" << reason.toStdString() << ")";
    const MidImportCase& c = GetParam();
    const QString sheet = sheets_->filePath(QStringLiteral("big.xlsx"));
    ASSERT_TRUE(QFileInfo(sheet).size() > 0);
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/prog/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray mountPoint = QFile::encodeName(folder);
    ASSERT_TRUE(run("tmpfs", ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=8m")));
    makeProgramFolder(folder);
    // Totals as the main window leaves them, since its recalculation follows the dialog.
    ASSERT_EQ(faults::runCtl(folder, {QStringLiteral("recalc"), QStringLiteral("202401")}).exitCode,
              0);
    QByteArray before;
    ASSERT_EQ(faults::integrityOf(folder, &before), QStringLiteral("ok"));

    const faults::CtlResult result =
        c.window
            ? faults::runProgram(faults::importWindowPath(),
                                 {folder, QStringLiteral("202401"), sheet, QStringLiteral("工资")})
            : faults::runCtl(folder, {QStringLiteral("import"), QStringLiteral("202401"), sheet});
    const std::string said = result.out.toStdString() + result.err.toStdString();
    EXPECT_EQ(result.exitCode, 1) << said;
    EXPECT_TRUE((c.window ? result.out : result.err).contains(c.told)) << said;
    EXPECT_FALSE(result.out.contains(QStringLiteral("导入数据结束"))) << said;

    QByteArray after;
    EXPECT_EQ(faults::integrityOf(folder, &after), QStringLiteral("ok"));
    EXPECT_EQ(after, before) << c.name << " kept part of the import";
    {
        Database db;
        db.open(Schema::databasePath(folder), Schema::databaseKey());
        EXPECT_EQ(db.query(QStringLiteral("select count(*) from TGZ")).rows.at(0).at(0).toInt(),
                  300);
    }
    ::umount2(mountPoint.constData(), MNT_DETACH);
}

INSTANTIATE_TEST_SUITE_P(
    MidImport, FullDiskImportTest,
    ::testing::Values(MidImportCase{"Window", true, QStringLiteral("error: ") + kSaveFailed},
                      MidImportCase{"Gztctl", false, QStringLiteral("存储数据发生错误！")}),
    [](const ::testing::TestParamInfo<MidImportCase>& info) {
        return std::string(info.param.name);
    });

}  // namespace
