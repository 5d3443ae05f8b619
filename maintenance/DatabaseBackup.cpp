#include "DatabaseBackup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "DataFolder.h"
#include "Database.h"
#include "DatabaseError.h"
#include "FileError.h"
#include "Prompter.h"
#include "Schema.h"
#include "TDM.h"
#include "ZipWriter.h"

namespace {

constexpr char kSuffix[] = "GZBK";

struct Entry {
    QString relative;
    QString source;
    bool folder = false;
};

// Everything below the data folder, folders included, in name order so that two backups of the
// same folder list their entries alike.
std::vector<Entry> listDataFolder(const QString& root) {
    const QDir base(root);
    std::vector<Entry> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.push_back({base.relativeFilePath(info.filePath()), info.filePath(), info.isDir()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.relative < b.relative; });
    return entries;
}

// A name typed without an extension gets ".GZBK", as the dialog's default extension gives it.
QString withDefaultSuffix(const QString& chosen) {
    if (!QFileInfo(chosen).suffix().isEmpty()) return chosen;
    return chosen + u'.' + QLatin1String(kSuffix);
}

bool reportFailure(Prompter& prompter) {
    prompter.error(QStringLiteral("备份文件发生错误，确认目标位置可写入！"));
    return false;
}

// Detaches the copy again even when the export fails, so the connection is left as it was.
class AttachedCopy {
  public:
    AttachedCopy(Database& db, const QString& path) : db_(db) {
        // The program's connection may not create files, and an attached database opens with
        // its flags; an empty file is an empty database.
        QFile empty(path);
        if (!empty.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            throw FileError(QStringLiteral("无法建立文件%1：%2").arg(path, empty.errorString()));
        }
        empty.close();
        db_.exec(QStringLiteral("ATTACH DATABASE ? AS backup_copy KEY ?"),
                 {path, Schema::databaseKey()});
    }
    ~AttachedCopy() {
        try {
            db_.exec(QStringLiteral("DETACH DATABASE backup_copy"));
        } catch (const DatabaseError&) {
            // The copy is discarded with its temporary folder; the main database is unaffected.
        }
    }
    AttachedCopy(const AttachedCopy&) = delete;
    AttachedCopy& operator=(const AttachedCopy&) = delete;

  private:
    Database& db_;
};

}  // namespace

DatabaseBackup::DatabaseBackup(Database& db, const QString& appPath) : db_(db), appPath_(appPath) {}

QString DatabaseBackup::proposedFile(const QString& appPath, const QDate& day) {
    return QDir(appPath).filePath(QStringLiteral("Bak/") +
                                  day.toString(QStringLiteral("yyyyMMdd")) + u'.' +
                                  QLatin1String(kSuffix));
}

void DatabaseBackup::snapshotDatabase(const QString& copy) const {
    // Exporting through the open connection reads one consistent state of the database and
    // writes it encrypted with the same key; copying the file could catch a write half done.
    const AttachedCopy attached(db_, copy);
    db_.query(QStringLiteral("SELECT sqlcipher_export('backup_copy')"));
}

void DatabaseBackup::writeArchive(const QString& target) const {
    const QString root = DataFolder::path(appPath_);
    if (!QFileInfo(root).isDir()) {
        throw FileError(QStringLiteral("数据文件夹不存在：%1").arg(root));
    }
    const QTemporaryDir scratch;
    if (!scratch.isValid()) {
        throw FileError(QStringLiteral("无法建立临时文件夹：%1").arg(scratch.errorString()));
    }
    const QString snapshot = scratch.filePath(DataFolder::databaseName());
    snapshotDatabase(snapshot);

    const QString targetPath = QFileInfo(target).absoluteFilePath();
    ZipWriter archive(target);
    for (const Entry& entry : listDataFolder(root)) {
        if (entry.folder) {
            archive.addFolder(entry.relative + u'/');
        } else if (entry.relative == DataFolder::databaseName()) {
            // Encrypted pages look random: deflating them saved under 1 % of the file and took
            // most of the backup's time, so the database is stored as it is.
            archive.addFile(entry.relative, snapshot, ZipWriter::Compression::Store);
        } else if (DataFolder::isDatabaseSideFile(entry.relative) ||
                   QFileInfo(entry.source).absoluteFilePath() == targetPath) {
            continue;
        } else {
            archive.addFile(entry.relative, entry.source);
        }
    }
    archive.commit();
}

bool DatabaseBackup::MenuItem1Click(Prompter& prompter, const QDate& today) const {
    const QString proposed = proposedFile(appPath_, today);
    // The dialog opens in Bak, which exists only after the first backup otherwise.
    QDir().mkpath(QFileInfo(proposed).absolutePath());
    const std::optional<QString> chosen =
        prompter.chooseSaveFile(QStringLiteral(" 存储工资条数据库"), proposed,
                                QStringLiteral("工资条数据库备份(*.GZBK)|*.GZBK"));
    if (!chosen || chosen->isEmpty()) return false;
    const QString target = withDefaultSuffix(*chosen);
    // The dialog asked about the name as typed; the name with the extension is asked here.
    if (target != *chosen && QFileInfo::exists(target) &&
        !prompter.confirm(
            QStringLiteral("%1已存在。\n要替换它吗？").arg(QFileInfo(target).fileName()))) {
        return false;
    }
    try {
        writeArchive(target);
    } catch (const FileError&) {
        return reportFailure(prompter);
    } catch (const DatabaseError&) {
        return reportFailure(prompter);
    }
    prompter.info(QStringLiteral("数据文件备份成功！"));
    return true;
}

void BackupDatabase(TDM& dm, Prompter& prompter, const QString& appPath) {
    DatabaseBackup(dm.ADOLocal, appPath).MenuItem1Click(prompter, QDate::currentDate());
}
