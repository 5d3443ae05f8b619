// Start-up of the window program on a program folder whose newest month has 10,000 rows: the
// application object, the data module, the main window built, shown (offscreen), activated and
// the month listed. The first run in a fresh process is the user's start; the repeated one
// shows what building the window costs once fonts and styles are loaded. Beside it, the real
// program is started on a copy of the same folder and its peak resident memory read once the
// month is listed. Results in bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "AppState.h"
#include "BenchMonth.h"
#include "Database.h"
#include "DetailList.h"
#include "GztApplication.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TDM.h"
#include "TestFolder.h"
#include "TfrmMainGZT.h"

namespace {

constexpr int kRows = 10000;

// The program folder: the distribution (program, templates, help) and a database with an
// older and the newest month of 10,000 rows each.
struct Folder {
    TestFolder folder;

    Folder() {
        bench_month::copyTree(QStringLiteral(GZT_DIST_DIR), folder.path());
        QFile::remove(Schema::databasePath(folder.path()));
        Schema::createDatabaseFile(folder.path());
        Database db;
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        bench_month::add(db, QStringLiteral("202405"), kRows);
        bench_month::add(db, QStringLiteral("202406"), kRows);
        // Not the first run: no notice box and no browser.
        QFile marker(QDir(folder.path()).filePath(QStringLiteral("NotFirst.txt")));
        if (!marker.open(QIODevice::WriteOnly)) std::fprintf(stderr, "no marker file\n");
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::unique_ptr<GztApplication> application;
// The windows built with their data modules and prompters, kept open as in the program until
// main() closes them while the application and Qt's font cache still exist (not in the
// exit-time destructors, which run after Qt's own).
std::vector<std::unique_ptr<ScriptedPrompter>> prompters;
std::vector<std::unique_ptr<TDM>> modules;
std::vector<std::unique_ptr<TfrmMainGZT>> windows;

// Builds, shows and activates the main window and waits until the month is listed again after
// the first activation, as the program's start does. False when the month was not listed.
bool showMainWindow() {
    ScriptedPrompter& prompter = *prompters.emplace_back(std::make_unique<ScriptedPrompter>());
    modules.push_back(std::make_unique<TDM>(AppPath, prompter));
    windows.push_back(std::make_unique<TfrmMainGZT>(*modules.back(), prompter));
    TfrmMainGZT& window = *windows.back();
    if (const QScreen* screen = window.screen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    QElapsedTimer waited;
    waited.start();
    while ((window.firstActivation() || !window.detailList().loaded()) && waited.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QApplication::processEvents();
    return !window.firstActivation() && window.detailList().dsGZDetail.recordCount() == kRows;
}

std::chrono::steady_clock::time_point processStart;
double processStartCpu = 0;
int applicationArgc = 1;
char applicationName[] = "gzt";
char* applicationArgv[] = {applicationName, nullptr};

// The first window of the process, timed from before the application object was made: only
// meaningful as the first benchmark of a fresh process (one iteration).
void BM_ColdStartup(benchmark::State& state) {
    for (auto _ : state) {
        processStart = std::chrono::steady_clock::now();
        processStartCpu = cpuSeconds();
        if (!application)
            application = std::make_unique<GztApplication>(applicationArgc, applicationArgv);
        if (!showMainWindow()) state.SkipWithError("month not listed");
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - processStart;
        state.SetIterationTime(wall.count());
        state.counters["cpu_ms"] = (cpuSeconds() - processStartCpu) * 1000.0;
    }
    state.counters["peak_rss_MiB"] = bench_month::peakRssMiB();
}

// The window built, shown and listed again in a process that has done it before.
void BM_WarmStartup(benchmark::State& state) {
    if (!application)
        application = std::make_unique<GztApplication>(applicationArgc, applicationArgv);
    for (auto _ : state) {
        if (!showMainWindow()) state.SkipWithError("month not listed");
    }
}

// Peak resident memory of the real program (gzt in the prepared folder, offscreen) after it
// has run for the given seconds, read from /proc before it is ended.
void BM_ProgramPeakMemory(benchmark::State& state) {
    const QString program = QDir(folder().folder.path()).filePath(QStringLiteral("gzt"));
    double peak = 0;
    for (auto _ : state) {
        QProcess gzt;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        gzt.setProcessEnvironment(env);
        gzt.start(program, {});
        if (!gzt.waitForStarted()) state.SkipWithError("gzt did not start");
        QThread::sleep(static_cast<unsigned long>(state.range(0)));
        QFile status(QStringLiteral("/proc/%1/status").arg(gzt.processId()));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmHWM:")) {
                    peak = line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
                }
            }
        }
        if (gzt.state() != QProcess::Running) state.SkipWithError("gzt ended early");
        gzt.terminate();
        if (!gzt.waitForFinished(3000)) gzt.kill();
        gzt.waitForFinished();
    }
    state.counters["peak_rss_MiB"] = peak;
}

}  // namespace

BENCHMARK(BM_ColdStartup)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WarmStartup)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramPeakMemory)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    AppPath = folder().folder.path();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    windows.clear();
    modules.clear();
    prompters.clear();
    application.reset();
    return 0;
}
