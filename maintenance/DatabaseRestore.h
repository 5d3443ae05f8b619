#pragma once

#include <QString>
#include <QStringList>

#include "PasswordAsker.h"

class Prompter;
class TDM;
class ZipReader;

// "数据库还原": puts the files of a backup archive back into the data folder db/.
class DatabaseRestore {
  public:
    explicit DatabaseRestore(const QString& appPath);

    // Unpacks `archive` into a temporary folder beside the data folder and checks it first:
    // every entry must stay below the data folder, and its ZYDB.dat must open with the key, hold
    // the four tables and pass the engine's consistency check. Only then are the data folder's
    // files replaced by the archive's; files the archive does not hold stay. Throws ArchiveError,
    // FileError or DatabaseError, and the data folder is then exactly as it was.
    //
    // The database must not be open while this runs.
    void restoreArchive(const QString& archive) const;

    // The password, the open dialog, then the restore with its message. `dm`'s connection is
    // closed before any file is touched. True when the program must end now: after a restore,
    // whether it worked or not, since the window still shows data of the closed connection.
    bool MenuItem2Click(TDM& dm, Prompter& prompter, const QString& logPass,
                        const PasswordAsker& ask) const;

  private:
    struct Content {
        QStringList files;    // in archive order
        QStringList folders;  // folder entries, so that empty folders come back too
    };

    Content unpack(const ZipReader& archive, const QString& into) const;
    void checkDatabase(const QString& path) const;
    void putInPlace(const QString& unpacked, const Content& content, const QString& setAside) const;

    QString appPath_;
};

// The window program's "数据库还原"; see DatabaseRestore::MenuItem2Click.
bool RestoreDatabase(TDM& dm, Prompter& prompter, const QString& appPath, const QString& logPass,
                     const PasswordAsker& ask);
