// A gztctl run killed (SIGKILL) at a random moment of a month copy, an import or a
// recalculation leaves the database as it was before or as the finished run leaves it, never
// in between, and the database still opens and passes SQLite's integrity check. The same for
// the import through the window's dialog followed by the main window's recalculation: there the
// state after the import and before the recalculation counts too, as both are finished changes.

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
    bool window;       // the window's import program, else gztctl
    QStringList args;  // "%SHEET%" stands for the sheet file
};

void PrintTo(const Operation& op, std::ostream* os) {
    *os << op.name;
}

// The program folder every run starts from, made once: a month of kRows rows with their totals
// left at 0, and an empty month with a few rows whose disabled item holds an amount, and the
// sheet to import into it.
const QString& pristineFolder() {
    static QTemporaryDir dir;
    static const QString folder = [] {
        const QString path = dir.path() + u'/';
        Schema::createDatabaseFile(path);
        Database db;
        db.open(Schema::databasePath(path), Schema::databaseKey());
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
        // GZ30 is disabled in 202403: the import's statement counts it, the recalculation not.
        for (int i = 0; i < 5; ++i) {
            fixture::addRow(db, QStringLiteral("202403"),
                            {{"EmpName", QStringLiteral("原有%1").arg(i)},
                             {"GZ1", 100 + i},
                             {"GZ30", 50},
                             {"YFTotal", 0},
                             {"KKTotal", 0},
                             {"GZTotal", 0}});
        }
        transaction.commit();
        db.close();
        sheettest::writeSheets(
            QDir(path).filePath(QStringLiteral("in.xlsx")), QStringLiteral("xlsx"),
            {QJsonObject{
                {"name", "Sheet1"},
                {"generate",
                 QJsonObject{{"rows", kRows},
                             {"columns", QJsonArray{"部门", "姓名", "#应发工资|202403收入1",
                                                    "#应发工资|202403收入2",
                                                    "#应扣/代扣工资|202403扣款1"}}}}}});
        return path;
    }();
    return folder;
}

// A fresh program folder holding a copy of the prepared database and sheet.
QString freshCopy(QTemporaryDir& dir) {
    const QString folder = dir.path() + u'/';
    QDir().mkpath(folder + QStringLiteral("db"));
    EXPECT_TRUE(QFile::copy(Schema::databasePath(pristineFolder()), Schema::databasePath(folder)));
    EXPECT_TRUE(QFile::copy(pristineFolder() + QStringLiteral("in.xlsx"),
                            folder + QStringLiteral("in.xlsx")));
    return folder;
}

QString programOf(const Operation& op) {
    return op.window ? faults::importWindowPath() : faults::gztctlPath();
}

QStringList argsFor(const Operation& op, const QString& folder) {
    QStringList args =
        op.window ? QStringList{folder} : QStringList{QStringLiteral("--dir"), folder};
    for (const QString& a : op.args)
        args << (a == u"%SHEET%" ? folder + QStringLiteral("in.xlsx") : a);
    return args;
}

// The digest of the data a whole run of `args` leaves in a fresh folder.
QByteArray finishedRun(const QString& program, const QStringList& args, const QString& folder) {
    const faults::CtlResult result = faults::runProgram(program, args);
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    QByteArray digest;
    EXPECT_EQ(faults::integrityOf(folder, &digest), QStringLiteral("ok"));
    return digest;
}

class KillTest : public ::testing::TestWithParam<Operation> {};

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

    // The window's import commits before the main window recalculates: that state is whole too.
    QByteArray between;
    if (op.window) {
        QTemporaryDir betweenDir;
        const QString folder = freshCopy(betweenDir);
        between = finishedRun(programOf(op), argsFor(op, folder) << QStringLiteral("--no-recalc"),
                              folder);
        ASSERT_NE(between, before);
    }

    // The finished run gives the "after" state and how long a run takes.
    QTemporaryDir afterDir;
    const QString afterFolder = freshCopy(afterDir);
    QElapsedTimer clock;
    clock.start();
    QProcess whole;
    whole.start(programOf(op), argsFor(op, afterFolder));
    ASSERT_TRUE(whole.waitForFinished(120000));
    const qint64 runMicros = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    ASSERT_EQ(whole.exitCode(), 0) << whole.readAllStandardError().toStdString();
    QByteArray after;
    ASSERT_EQ(faults::integrityOf(afterFolder, &after), QStringLiteral("ok"));
    ASSERT_NE(before, after) << op.name << " changed nothing";
    if (op.window) {
        ASSERT_NE(between, after) << "the recalculation changed nothing";
    }

    const unsigned seed = seedOfRun();
    std::cout << op.name << ": seed " << seed << " (GZT_KILL_SEED=" << seed << " repeats this run)"
              << std::endl;
    std::mt19937 random(seed);
    int asBefore = 0;
    int asBetween = 0;
    int asAfter = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        QTemporaryDir dir;
        const QString folder = freshCopy(dir);
        const QString journal = Schema::databasePath(folder) + QStringLiteral("-journal");
        QProcess child;
        child.start(programOf(op), argsFor(op, folder));
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
        } else if (op.window && digest == between) {
            ++asBetween;
        } else {
            FAIL() << op.name << ": a run killed after " << wait << " µs (kill " << kill
                   << ", seed " << seed << ") left the data between before and after";
        }
    }
    std::cout << op.name << ": " << asBefore << " kills left the data as before, ";
    if (op.window) std::cout << asBetween << " as after the import before the recalculation, ";
    std::cout << asAfter << " as after" << std::endl;
}

// The import through the window, with the main window's recalculation after it, leaves the
// month as gztctl's import does, and its totals are those `gztctl recalc` computes.
TEST(WindowImportTest, LeavesTheTotalsOfGztctl) {
    QTemporaryDir windowDir;
    const QString windowFolder = freshCopy(windowDir);
    const faults::CtlResult window =
        faults::runProgram(faults::importWindowPath(),
                           {windowFolder, QStringLiteral("202403"),
                            windowFolder + QStringLiteral("in.xlsx"), QStringLiteral("Sheet1")});
    ASSERT_EQ(window.exitCode, 0) << window.out.toStdString() << window.err.toStdString();
    EXPECT_EQ(window.out,
              QStringLiteral("open: 选择用来导入的数据文件||Excel 数据文件(*.xls;*.xlsx)|"
                             "*.xls;*.xlsx\ninfo: 导入数据结束！\\n已导入 %1 行，跳过 0 行。\n")
                  .arg(kRows));
    QByteArray imported;
    ASSERT_EQ(faults::integrityOf(windowFolder, &imported), QStringLiteral("ok"));

    ASSERT_EQ(
        faults::runCtl(windowFolder, {QStringLiteral("recalc"), QStringLiteral("202403")}).exitCode,
        0);
    QByteArray recalculated;
    ASSERT_EQ(faults::integrityOf(windowFolder, &recalculated), QStringLiteral("ok"));
    EXPECT_EQ(recalculated, imported) << "gztctl recalc changed the totals the window left";

    QTemporaryDir ctlDir;
    const QString ctlFolder = freshCopy(ctlDir);
    ASSERT_EQ(faults::runCtl(ctlFolder, {QStringLiteral("import"), QStringLiteral("202403"),
                                         ctlFolder + QStringLiteral("in.xlsx")})
                  .exitCode,
              0);
    QByteArray byCtl;
    ASSERT_EQ(faults::integrityOf(ctlFolder, &byCtl), QStringLiteral("ok"));
    EXPECT_EQ(byCtl, imported);

    Database db;
    db.open(Schema::databasePath(windowFolder), Schema::databaseKey());
    const QueryResult wrong = db.query(QStringLiteral(
        "select count(*) from TGZ where GZMonth='202403' and (YFTotal is not ifnull(GZ1,0)+"
        "ifnull(GZ2,0)+ifnull(GZ3,0) or KKTotal is not ifnull(KK1,0) or GZTotal is not "
        "YFTotal-KKTotal)"));
    EXPECT_EQ(wrong.rows.at(0).at(0).toInt(), 0);
    EXPECT_EQ(db.query(QStringLiteral("select count(*) from TGZ where GZMonth='202403'"))
                  .rows.at(0)
                  .at(0)
                  .toInt(),
              kRows + 5);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, KillTest,
    ::testing::Values(
        Operation{"copy", false, {"add-month", "202402", "--from", "202401", "--copy-rows"}},
        Operation{"import", false, {"import", "202403", "%SHEET%"}},
        Operation{"recalc", false, {"recalc", "202401"}},
        Operation{"windowImport", true, {"202403", "%SHEET%", "Sheet1"}}),
    [](const ::testing::TestParamInfo<Operation>& info) { return std::string(info.param.name); });

}  // namespace
