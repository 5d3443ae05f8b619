// One program folder is used by one program at a time: a second holder is refused, the
// command-line tool does not change data while the window runs, and a killed holder does not
// keep the folder locked.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <thread>

#include "Database.h"
#include "FaultSupport.h"
#include "InstanceLock.h"
#include "SalaryFixture.h"
#include "Schema.h"

namespace {

// A program folder with the window program, a month with one row whose totals are stale, and
// the first-run marker (so the window opens no help page).
class WindowFolder {
  public:
    WindowFolder() {
        folder_ = dir_.path() + u'/';
        Schema::createDatabaseFile(folder_);
        Database db;
        db.open(Schema::databasePath(folder_), Schema::databaseKey());
        fixture::addMonth(db, QStringLiteral("202401"));
        fixture::addRow(db, QStringLiteral("202401"),
                        {{"EmpName", QStringLiteral("张三")}, {"GZ1", 3000}, {"YFTotal", 0}});
        QFile::copy(QDir(QStringLiteral(GZT_DIST_DIR)).filePath(QStringLiteral("gzt")),
                    folder_ + QStringLiteral("gzt"));
        QFile marker(folder_ + QStringLiteral("NotFirst.txt"));
        marker.open(QIODevice::WriteOnly);
    }
    const QString& path() const { return folder_; }

    // Starts the window and waits until it holds the folder.
    bool startWindow(QProcess& window) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        window.setProcessEnvironment(env);
        window.start(folder_ + QStringLiteral("gzt"), {});
        if (!window.waitForStarted(10000)) return false;
        const QString lock = folder_ + InstanceLock::fileName();
        for (int i = 0; i < 600 && !QFile::exists(lock); ++i) {
            if (window.waitForFinished(50)) return false;
        }
        return QFile::exists(lock);
    }

  private:
    QTemporaryDir dir_;
    QString folder_;
};

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLets) {
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    auto first = std::make_unique<InstanceLock>(folder);
    ASSERT_TRUE(first->acquire());
    InstanceLock second(folder);
    EXPECT_FALSE(second.acquire());
    first.reset();
    EXPECT_TRUE(second.acquire());
}

TEST(InstanceLockTest, ToolDoesNotChangeDataWhileTheWindowRuns) {
    WindowFolder folder;
    QByteArray before;
    ASSERT_EQ(faults::integrityOf(folder.path(), &before), QStringLiteral("ok"));
    QProcess window;
    ASSERT_TRUE(folder.startWindow(window)) << window.readAllStandardError().toStdString();

    const faults::CtlResult refused = faults::runCtl(folder.path(), {"recalc", "202401"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(InstanceLock::runningMessage())) << refused.err.toStdString();
    QByteArray during;
    EXPECT_EQ(faults::integrityOf(folder.path(), &during), QStringLiteral("ok"));
    EXPECT_EQ(during, before);
    // Reading is harmless and still works.
    const faults::CtlResult months = faults::runCtl(folder.path(), {"months"});
    EXPECT_EQ(months.exitCode, 0) << months.err.toStdString();
    EXPECT_TRUE(months.out.startsWith(QStringLiteral("202401\t1")));

    window.terminate();
    ASSERT_TRUE(window.waitForFinished(20000));
    const faults::CtlResult done = faults::runCtl(folder.path(), {"recalc", "202401"});
    EXPECT_EQ(done.exitCode, 0) << done.err.toStdString();
}

TEST(InstanceLockTest, KilledWindowLeavesTheFolderFree) {
    WindowFolder folder;
    QProcess window;
    ASSERT_TRUE(folder.startWindow(window)) << window.readAllStandardError().toStdString();
    window.kill();
    ASSERT_TRUE(window.waitForFinished(10000));
    ASSERT_TRUE(QFile::exists(folder.path() + InstanceLock::fileName()));

    const faults::CtlResult recalc = faults::runCtl(folder.path(), {"recalc", "202401"});
    EXPECT_EQ(recalc.exitCode, 0) << recalc.err.toStdString();
    InstanceLock lock(folder.path());
    EXPECT_TRUE(lock.acquire());
}

}  // namespace
