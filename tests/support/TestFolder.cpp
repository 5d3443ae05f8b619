#include "TestFolder.h"

#include <QDir>
#include <stdexcept>

#include "Schema.h"

TestFolder::TestFolder(bool withDatabase) {
    if (!dir_.isValid()) throw std::runtime_error("cannot create a temporary folder");
    if (withDatabase) Schema::createDatabaseFile(path());
}

QString TestFolder::path() const {
    return dir_.path() + QStringLiteral("/");
}

QString TestFolder::file(const QString& relative) const {
    return QDir(dir_.path()).filePath(relative);
}
