#pragma once

#include <QString>

struct zip;

// Writes a standard ZIP archive. Nothing reaches the target until commit(): the library writes
// a temporary file beside it and renames it into place at the end, so a failed or abandoned
// archive never replaces a file that was there. Entry names are stored as UTF-8.
class ZipWriter {
  public:
    // Throws FileError when the archive cannot be started.
    explicit ZipWriter(const QString& path);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    enum class Compression { Deflate, Store };

    // Adds the file at `source` under `entryName` ("folder/name"), deflated or stored as it
    // is. Its content is read by commit(), so the file must stay until then. Throws FileError.
    void addFile(const QString& entryName, const QString& source,
                 Compression compression = Compression::Deflate);
    // Adds a folder entry, so that an empty folder comes back on extraction. Throws FileError.
    void addFolder(const QString& entryName);
    // Writes the archive and puts it in place. Throws FileError; the target is then unchanged.
    void commit();

  private:
    [[noreturn]] void fail(const QString& what) const;

    zip* archive_ = nullptr;
    QString path_;
};
