#include "DatabaseBackup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "DataFolder.h"
#include "Database.h"
#include "DatabaseError.h"
#include "FileError.h"
#include "Prompter.h"
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

// A read transaction on the connection, held while the archive reads the database file. In the
// engine's rollback-journal mode no write, of this connection or another, reaches the file
// while it lasts, so the bytes read are one committed state, already encrypted.
class ReadTransaction {
  public:
    explicit ReadTransaction(Database& db) : db_(db) {
        // Fails inside another transaction, whose changes may be half in the file.
        db_.execScript(QStringLiteral("BEGIN"));
        try {
            db_.query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        } catch (...) {
            end();
            throw;
        }
    }
    ~ReadTransaction() { end(); }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

  private:
    void end() noexcept {
        try {
            db_.execScript(QStringLiteral("ROLLBACK"));
        } catch (const DatabaseError&) {
            // Nothing was written in it; the engine ends it when the connection closes.
        }
    }

    Database& db_;
};

}  // namespace

DatabaseBackup::DatabaseBackup(Database& db, const QString& appPath) : db_(db), appPath_(appPath) {}

QString DatabaseBackup::proposedFile(const QString& appPath, const QDate& day) {
    return QDir(appPath).filePath(QStringLiteral("Bak/") +
                                  day.toString(QStringLiteral("yyyyMMdd")) + u'.' +
                                  QLatin1String(kSuffix));
}

void DatabaseBackup::writeArchive(const QString& target) const {
    const QString root = DataFolder::path(appPath_);
    if (!QFileInfo(root).isDir()) {
        throw FileError(QStringLiteral("数据文件夹不存在：%1").arg(root));
    }
    // Copying the file under a read transaction spares decrypting and encrypting every page,
    // which an export through the connection would do.
    const ReadTransaction reading(db_);
    const QString targetPath = QFileInfo(target).absoluteFilePath();
    ZipWriter archive(target);
    for (const Entry& entry : listDataFolder(root)) {
        if (entry.folder) {
            archive.addFolder(entry.relative + u'/');
        } else if (entry.relative == DataFolder::databaseName()) {
            // Encrypted pages look random: deflating them saved under 1 % of the file and took
            // most of the backup's time, so the database is stored as it is.
            archive.addFile(entry.relative, db_.path(), ZipWriter::Compression::Store);
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
