// A gztctl run killed (SIGKILL) at a random moment of a month copy, an import or a
// recalculation leaves the database as it was before or as the finished run leaves it, never
// in between, and the database still opens and passes SQLite's integrity check.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include "../exchange/SpreadsheetTestSupport.h"
#include "Database.h"
#include "FaultSupport.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "Transaction.h"

namespace {

constexpr int kRows = 3000;
constexpr int kKills = 24;

struct Operation {
    const char* name;
    QStringList args;  // "%SHEET%" stands for the sheet file
};

void PrintTo(const Operation& op, std::ostream* os) {
    *os << op.name;
}

class KillTest : public ::testing::TestWithParam<Operation> {
  protected:
    static void SetUpTestSuite() {
        pristine_ = new QTemporaryDir;
        const QString folder = pristine_->path() + u'/';
        Schema::createDatabaseFile(folder);
        Database db;
        db.open(Schema::databasePath(folder), Schema::databaseKey());
        Transaction transaction(db);
        fixture::addMonth(db, QStringLiteral("202401"));
        fixture::addStructure(db, QStringLiteral("202401"), 5, 2);
        fixture::addMonth(db, QStringLiteral("202403"));
        fixture::addStructure(db, QStringLiteral("202403"), 3, 1);
        for (int i = 0; i < kRows; ++i) {
            // Totals left at 0, so a recalculation changes every row.
            fixture::addRow(db, QStringLiteral("202401"),
                            {{"DepartName", QStringLiteral("部门%1").arg(i % 7)},
                             {"EmpName", QStringLiteral("职员%1").arg(i)},
                             {"EMail", QStringLiteral("e%1@example.com").arg(i)},
                             {"GZ1", 3000 + i},
                             {"GZ2", 500.25},
                             {"GZ9", 77},
                             {"KK1", 200},
                             {"YFTotal", 0},
                             {"KKTotal", 0},
                             {"GZTotal", 0}});
        }
        transaction.commit();
        db.close();
        sheettest::writeSheets(
            QDir(folder).filePath(QStringLiteral("in.xlsx")), QStringLiteral("xlsx"),
            {QJsonObject{
                {"name", "Sheet1"},
                {"generate",
                 QJsonObject{{"rows", kRows},
                             {"columns", QJsonArray{"部门", "姓名", "#应发工资|202403收入1",
                                                    "#应发工资|202403收入2",
                                                    "#应扣/代扣工资|202403扣款1"}}}}}});
    }
    static void TearDownTestSuite() {
        delete pristine_;
        pristine_ = nullptr;
    }

    // A fresh program folder holding a copy of the prepared database and sheet.
    static QString freshCopy(QTemporaryDir& dir) {
        const QString folder = dir.path() + u'/';
        QDir().mkpath(folder + QStringLiteral("db"));
        EXPECT_TRUE(QFile::copy(Schema::databasePath(pristine_->path() + u'/'),
                                Schema::databasePath(folder)));
        EXPECT_TRUE(QFile::copy(QDir(pristine_->path()).filePath(QStringLiteral("in.xlsx")),
                                folder + QStringLiteral("in.xlsx")));
        return folder;
    }

    static QStringList argsFor(const Operation& op, const QString& folder) {
        QStringList args{QStringLiteral("--dir"), folder};
        for (const QString& a : op.args)
            args << (a == u"%SHEET%" ? folder + QStringLiteral("in.xlsx") : a);
        return args;
    }

    static QTemporaryDir* pristine_;
};

QTemporaryDir* KillTest::pristine_ = nullptr;

unsigned seedOfRun() {
    if (const char* given = std::getenv("GZT_KILL_SEED"))
        return unsigned(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

bool finished(QProcess& process) {
    return process.state() == QProcess::NotRunning || process.waitForFinished(0);
}

TEST_P(KillTest, KilledRunLeavesTheDataBeforeOrAfter) {
    const Operation& op = GetParam();

    QTemporaryDir beforeDir;
    QByteArray before;
    ASSERT_EQ(faults::integrityOf(freshCopy(beforeDir), &before), QStringLiteral("ok"));

    // The finished run gives the "after" state and how long a run takes.
    QTemporaryDir afterDir;
    const QString afterFolder = freshCopy(afterDir);
    QElapsedTimer clock;
    clock.start();
    QProcess whole;
    whole.start(faults::gztctlPath(), argsFor(op, afterFolder));
    ASSERT_TRUE(whole.waitForFinished(120000));
    const qint64 runMicros = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    ASSERT_EQ(whole.exitCode(), 0) << whole.readAllStandardError().toStdString();
    QByteArray after;
    ASSERT_EQ(faults::integrityOf(afterFolder, &after), QStringLiteral("ok"));
    ASSERT_NE(before, after) << op.name << " changed nothing";

    const unsigned seed = seedOfRun();
    std::cout << op.name << ": seed " << seed << " (GZT_KILL_SEED=" << seed << " repeats this run)"
              << std::endl;
    std::mt19937 random(seed);
    int asBefore = 0;
    int asAfter = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QTemporaryDir dir;
        const QString folder = freshCopy(dir);
        const QString journal = Schema::databasePath(folder) + QStringLiteral("-journal");
        QProcess child;
        child.start(faults::gztctlPath(), argsFor(op, folder));
        ASSERT_TRUE(child.waitForStarted(10000));
        // Half the kills fall anywhere in the run, half once the database is being written.
        if (kill % 2 == 1) {
            const QByteArray name = QFile::encodeName(journal);
            while (!finished(child) && ::access(name.constData(), F_OK) != 0)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        const qint64 wait =
            std::uniform_int_distribution<qint64>(0, kill % 2 ? runMicros / 3 : runMicros)(random);
        std::this_thread::sleep_for(std::chrono::microseconds(wait));
        child.kill();
        child.waitForFinished(10000);

        QByteArray digest;
        ASSERT_EQ(faults::integrityOf(folder, &digest), QStringLiteral("ok"))
            << op.name << ", seed " << seed << ", kill " << kill;
        if (digest == before) {
            ++asBefore;
        } else if (digest == after) {
            ++asAfter;
        } else {
            FAIL() << op.name << ": a run killed after " << wait << " µs (kill " << kill
                   << ", seed " << seed << ") left the data between before and after";
        }
    }
    std::cout << op.name << ": " << asBefore << " kills left the data as before, " << asAfter
              << " as after" << std::endl;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, KillTest,
    ::testing::Values(Operation{"copy", {"add-month", "202402", "--from", "202401", "--copy-rows"}},
                      Operation{"import", {"import", "202403", "%SHEET%"}},
                      Operation{"recalc", {"recalc", "202401"}}),
    [](const ::testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

}  // namespace
