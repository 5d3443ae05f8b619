#include "ZipWriter.h"

#include <zip.h>

#include <QFile>

#include "FileError.h"
#include "ZipErrorText.h"

ZipWriter::ZipWriter(const QString& path) : path_(path) {
    int code = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive_) {
        throw FileError(QStringLiteral("无法建立备份文件%1：%2").arg(path, ZipErrorText(code)));
    }
}

ZipWriter::~ZipWriter() {
    if (archive_) zip_discard(archive_);
}

void ZipWriter::fail(const QString& what) const {
    throw FileError(QStringLiteral("%1（备份文件%2）：%3")
                        .arg(what, path_, QString::fromLocal8Bit(zip_strerror(archive_))));
}

void ZipWriter::addFile(const QString& entryName, const QString& source, Compression compression) {
    zip_source_t* data = zip_source_file(archive_, QFile::encodeName(source).constData(), 0, -1);
    if (!data) fail(QStringLiteral("无法读取文件%1").arg(source));
    const zip_int64_t index = zip_file_add(archive_, entryName.toUtf8().constData(), data,
                                           ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
        zip_source_free(data);
        fail(QStringLiteral("无法加入文件%1").arg(entryName));
    }
    const zip_int32_t method = compression == Compression::Store ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(archive_, zip_uint64_t(index), method, 0) < 0) {
        fail(QStringLiteral("无法加入文件%1").arg(entryName));
    }
}

void ZipWriter::addFolder(const QString& entryName) {
    if (zip_dir_add(archive_, entryName.toUtf8().constData(), ZIP_FL_ENC_UTF_8) < 0) {
        fail(QStringLiteral("无法加入文件夹%1").arg(entryName));
    }
}

void ZipWriter::commit() {
    if (zip_close(archive_) != 0) fail(QStringLiteral("无法写入备份文件"));
    archive_ = nullptr;
}
