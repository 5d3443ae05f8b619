#pragma once

#include <QString>

struct zip;

// Reads a standard ZIP archive. The archive's structure is checked when it is opened, and every
// entry's length and checksum when it is extracted.
class ZipReader {
  public:
    // Throws ArchiveError when the file is missing, is not a ZIP archive or is damaged.
    explicit ZipReader(const QString& path);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    qint64 entryCount() const;
    // The stored name: UTF-8 when the bytes are UTF-8 (as the archive's flag or plain ASCII
    // names have it), otherwise GBK, the code page Chinese Windows tools store names in.
    QString entryName(qint64 index) const;
    // Writes the content of the entry to `destination`, replacing it. Throws ArchiveError when
    // the entry is damaged or cannot be read, FileError when the file cannot be written.
    void extract(qint64 index, const QString& destination) const;

  private:
    [[noreturn]] void fail(const QString& what) const;

    zip* archive_ = nullptr;
    QString path_;
};
