#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "MaintenanceFixture.h"
#include "TestFolder.h"
#include "Updater.h"

namespace {

QString updaterIn(const TestFolder& folder) {
    return folder.file("PayUpdater");
}

// Waits for the started program to leave its answer; the program gives up by itself in time.
QByteArray awaitFile(const QString& path) {
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path) && timer.elapsed() < 30000) QThread::msleep(20);
    return QFileInfo::exists(path) ? maint::readFile(path) : QByteArray();
}

}  // namespace

TEST(UpdaterTest, StartsTheProgramBesideItWithoutWaiting) {
    TestFolder folder(false);
    // The script only goes on once the test lets it; a caller that waited for it would return
    // after the script gave up, and the answer would say so.
    maint::writeFile(updaterIn(folder),
                     "#!/bin/sh\n"
                     "i=0\n"
                     "while [ ! -f go ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done\n"
                     "if [ -f go ]; then echo released > answer; else echo waited > answer; fi\n");
    QFile(updaterIn(folder))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_TRUE(StartUpdater(folder.path()));
    maint::writeFile(folder.file("go"), "");
    // Started in its own folder, so the answer lands beside it.
    EXPECT_EQ(awaitFile(folder.file("answer")), "released\n");
}

TEST(UpdaterTest, MissingOrNotAProgramDoesNothing) {
    TestFolder folder(false);
    EXPECT_FALSE(StartUpdater(folder.path()));
    maint::writeFile(updaterIn(folder), "#!/bin/sh\necho ran > answer\n");
    QFile(updaterIn(folder)).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(StartUpdater(folder.path()));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"PayUpdater"});
}
