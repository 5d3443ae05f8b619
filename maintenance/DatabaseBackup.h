#pragma once

#include <QDate>
#include <QString>

class Database;
class Prompter;
class TDM;

// "数据库备份": the data folder db/ into one standard ZIP archive (.GZBK), every file under its
// path relative to the folder, the database simply as ZYDB.dat.
class DatabaseBackup {
  public:
    // `db` is the program's open connection to db/ZYDB.dat; it stays open throughout.
    DatabaseBackup(Database& db, const QString& appPath);

    // "<program folder>/Bak/yyyyMMdd.GZBK".
    static QString proposedFile(const QString& appPath, const QDate& day);

    // Writes the archive. ZYDB.dat in it is the encrypted database file read while the open
    // connection holds a read transaction, so changes the program has committed are all in it
    // and a half-written page never is; the engine's side files of the live database are left
    // out. An existing `target`
    // is replaced only once the whole archive is written. Throws FileError or DatabaseError.
    void writeArchive(const QString& target) const;

    // The save dialog, the archive and its message. True when an archive was written.
    bool MenuItem1Click(Prompter& prompter, const QDate& today) const;

  private:
    Database& db_;
    QString appPath_;
};

// The window program's "数据库备份", proposing today's date as the file name.
void BackupDatabase(TDM& dm, Prompter& prompter, const QString& appPath);
