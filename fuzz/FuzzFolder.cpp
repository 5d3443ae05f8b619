#include "FuzzFolder.h"

#include <QDir>
#include <QSaveFile>
#include <cstdio>
#include <cstdlib>

FuzzFolder::FuzzFolder()
    : dir_(QDir(QDir::tempPath()).filePath(QStringLiteral("gzt-fuzz-XXXXXX"))) {
    if (!dir_.isValid()) {
        std::fprintf(stderr, "cannot make the fuzz folder: %s\n", qPrintable(dir_.errorString()));
        std::abort();
    }
}

QString FuzzFolder::write(const QString& name, const QByteArray& bytes) const {
    const QString path = dir_.filePath(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path),
                     qPrintable(file.errorString()));
        std::abort();
    }
    return path;
}

QByteArray FuzzFolder::bytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}
