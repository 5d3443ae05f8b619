#include "Updater.h"

#include <QDir>
#include <QFileInfo>

#include "Pub.h"

QString UpdaterProgram(const QString& appPath) {
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("PayUpdater.exe");
#else
    const QString name = QStringLiteral("PayUpdater");
#endif
    return QDir(appPath).filePath(name);
}

bool StartUpdater(const QString& appPath) {
    const QFileInfo program(UpdaterProgram(appPath));
    // Anything but a program under that name is left alone rather than opened as a document.
    if (!program.isFile() || !program.isExecutable()) return false;
    return ShellOpenFile(program.absoluteFilePath(), QString());
}
