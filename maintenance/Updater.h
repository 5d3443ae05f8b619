#pragma once

#include <QString>

// The separate updater program "PayUpdater" beside this program, with the platform's program
// suffix (PayUpdater.exe on Windows).
QString UpdaterProgram(const QString& appPath);

// "在线升级": starts the updater without waiting for it. False, and nothing shown, when it is
// missing or cannot be started.
bool StartUpdater(const QString& appPath);
