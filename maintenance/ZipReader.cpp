#include "ZipReader.h"

#include <zip.h>

#include <QByteArray>
#include <QFile>
#include <memory>

#include "ArchiveError.h"
#include "FileError.h"
#include "GbkText.h"
#include "ZipErrorText.h"

namespace {

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

ZipReader::ZipReader(const QString& path) : path_(path) {
    int code = 0;
    archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive_) {
        throw ArchiveError(QStringLiteral("无法读取备份文件%1：%2").arg(path, ZipErrorText(code)));
    }
}

ZipReader::~ZipReader() {
    if (archive_) zip_discard(archive_);
}

void ZipReader::fail(const QString& what) const {
    throw ArchiveError(QStringLiteral("%1（备份文件%2）：%3")
                           .arg(what, path_, QString::fromLocal8Bit(zip_strerror(archive_))));
}

qint64 ZipReader::entryCount() const {
    return zip_get_num_entries(archive_, 0);
}

QString ZipReader::entryName(qint64 index) const {
    const char* raw = zip_get_name(archive_, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    if (!raw) fail(QStringLiteral("无法读取第%1项的名称").arg(index + 1));
    const QByteArray bytes(raw);
    return GbkText::isValidUtf8(bytes) ? QString::fromUtf8(bytes) : GbkText::decode(bytes);
}

void ZipReader::extract(qint64 index, const QString& destination) const {
    zip_stat_t stat;
    if (zip_stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE)) {
        fail(QStringLiteral("无法读取第%1项").arg(index + 1));
    }
    const std::unique_ptr<zip_file_t, EntryCloser> entry(
        zip_fopen_index(archive_, zip_uint64_t(index), 0));
    if (!entry) fail(QStringLiteral("无法打开第%1项").arg(index + 1));

    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw FileError(QStringLiteral("无法写入文件%1：%2").arg(destination, out.errorString()));
    }
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    zip_uint64_t total = 0;
    // The library checks the entry's checksum when its end is read, so a damaged entry fails
    // here rather than being written as if it were whole.
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            throw ArchiveError(
                QStringLiteral("第%1项已损坏（备份文件%2）：%3")
                    .arg(index + 1)
                    .arg(path_, QString::fromLocal8Bit(zip_file_strerror(entry.get()))));
        }
        if (got == 0) break;
        if (out.write(buffer.constData(), got) != got) {
            throw FileError(
                QStringLiteral("无法写入文件%1：%2").arg(destination, out.errorString()));
        }
        total += zip_uint64_t(got);
    }
    if (total != stat.size) {
        throw ArchiveError(
            QStringLiteral("第%1项的长度不符（备份文件%2）").arg(index + 1).arg(path_));
    }
    if (!out.flush()) {
        throw FileError(QStringLiteral("无法写入文件%1：%2").arg(destination, out.errorString()));
    }
}
