#include "DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include "Schema.h"

QString DataFolder::path(const QString& appPath) {
    return QFileInfo(Schema::databasePath(appPath)).absolutePath();
}

QString DataFolder::databaseName() {
    return QFileInfo(Schema::databasePath(QString())).fileName();
}

QString DataFolder::contractFolder(const QString& appPath) {
    return QDir(path(appPath)).filePath(QStringLiteral("ContractFile"));
}

bool DataFolder::isDatabaseSideFile(const QString& relativePath) {
    const QString base = databaseName();
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        if (relativePath.compare(base + QLatin1String(suffix), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}
