#include "DatabaseRestore.h"
#include "LoginPassword.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <filesystem>
#include <vector>

#include "ArchiveError.h"
#include "DataFolder.h"
#include "Database.h"
#include "DatabaseError.h"
#include "FileError.h"
#include "Prompter.h"
#include "Schema.h"
#include "TDM.h"
#include "ZipReader.h"

namespace {

std::filesystem::path fsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

bool entryExists(const QString& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(fsPath(path), ec).type() !=
           std::filesystem::file_type::not_found;
}

bool isRealFolder(const QString& path) {
    std::error_code ec;
    return std::filesystem::symlink_status(fsPath(path), ec).type() ==
           std::filesystem::file_type::directory;
}

// Renames without following links: a link in the data folder is moved as itself.
void moveEntry(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (ec) {
        throw FileError(QStringLiteral("无法移动%1到%2：%3")
                            .arg(from, to, QString::fromLocal8Bit(ec.message().c_str())));
    }
}

void makePath(const QString& folder) {
    if (!QDir().mkpath(folder)) throw FileError(QStringLiteral("无法建立文件夹%1").arg(folder));
}

// The entry's path below the data folder; empty for the folder itself. A name that is absolute,
// names a drive or climbs out of the folder is refused before anything is written.
QString safeRelativePath(const QString& name) {
    QString path = name;
    path.replace(u'\\', u'/');
    if (path.startsWith(u'/') || path.contains(u':') || path.contains(QChar(0))) {
        throw ArchiveError(QStringLiteral("备份文件中的路径不在数据文件夹内：%1").arg(name));
    }
    QStringList parts;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".") continue;
        // Windows reads a name of dots alone as a step upwards or as the folder itself.
        if (part.count(u'.') == part.size()) {
            throw ArchiveError(QStringLiteral("备份文件中的路径不在数据文件夹内：%1").arg(name));
        }
        parts << part;
    }
    return parts.join(u'/');
}

bool isFolderEntry(const QString& name) {
    return name.endsWith(u'/') || name.endsWith(u'\\');
}

// Replaces files of the data folder one by one and, unless finish() ran, puts everything back
// on destruction: placed files are removed, set-aside files return, new folders go again.
class Replacement {
  public:
    Replacement(const QString& dataRoot, const QString& setAsideRoot)
        : data_(dataRoot), aside_(setAsideRoot) {}
    ~Replacement() {
        if (!finished_) rollBack();
    }
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    void makeFolder(const QString& relative) {
        QString done;
        for (const QString& part : relative.split(u'/', Qt::SkipEmptyParts)) {
            done = done.isEmpty() ? part : done + u'/' + part;
            const QString folder = data_.filePath(done);
            if (isRealFolder(folder)) continue;
            if (entryExists(folder)) {
                throw FileError(QStringLiteral("%1已存在，但不是文件夹").arg(folder));
            }
            if (!QDir().mkdir(folder)) {
                throw FileError(QStringLiteral("无法建立文件夹%1").arg(folder));
            }
            steps_.push_back({Step::Folder, done});
        }
    }

    void setAside(const QString& relative) {
        const QString target = data_.filePath(relative);
        if (!entryExists(target)) return;
        if (isRealFolder(target)) {
            throw FileError(QStringLiteral("%1是文件夹，不能以文件替换").arg(target));
        }
        const QString kept = aside_.filePath(relative);
        makePath(QFileInfo(kept).absolutePath());
        moveEntry(target, kept);
        steps_.push_back({Step::SetAside, relative});
    }

    void place(const QString& source, const QString& relative) {
        makeFolder(QFileInfo(relative).path() == u"." ? QString() : QFileInfo(relative).path());
        setAside(relative);
        moveEntry(source, data_.filePath(relative));
        steps_.push_back({Step::Placed, relative});
    }

    void finish() { finished_ = true; }

  private:
    struct Step {
        enum Kind { Folder, SetAside, Placed } kind;
        QString relative;
    };

    void rollBack() noexcept {
        for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
            const QString target = data_.filePath(it->relative);
            std::error_code ec;
            switch (it->kind) {
                case Step::Placed:
                    std::filesystem::remove(fsPath(target), ec);
                    break;
                case Step::SetAside:
                    std::filesystem::rename(fsPath(aside_.filePath(it->relative)), fsPath(target),
                                            ec);
                    break;
                case Step::Folder:
                    std::filesystem::remove(fsPath(target), ec);
                    break;
            }
            // A step that cannot be undone leaves its file in the set-aside folder; going on
            // still puts back everything else.
        }
    }

    QDir data_;
    QDir aside_;
    std::vector<Step> steps_;
    bool finished_ = false;
};

bool reportFailure(Prompter& prompter) {
    prompter.error(QStringLiteral(
        "数据文件还原失败，确认选择的文件是本系统自动升级文件，或该自动升级文件已损坏！\n"
        "软件将关闭，请手工重新启动系统。"));
    return true;
}

}  // namespace

DatabaseRestore::DatabaseRestore(const QString& appPath) : appPath_(appPath) {}

DatabaseRestore::Content DatabaseRestore::unpack(const ZipReader& archive,
                                                 const QString& into) const {
    const QDir root(into);
    Content content;
    QSet<QString> seen;
    for (qint64 i = 0; i < archive.entryCount(); ++i) {
        const QString name = archive.entryName(i);
        const QString relative = safeRelativePath(name);
        if (relative.isEmpty()) {
            if (isFolderEntry(name)) continue;
            throw ArchiveError(QStringLiteral("备份文件中有无名的项目"));
        }
        // A journal beside the checked database would change it when it is next opened.
        if (DataFolder::isDatabaseSideFile(relative)) continue;
        if (isFolderEntry(name)) {
            makePath(root.filePath(relative));
            content.folders << relative;
            continue;
        }
        makePath(QFileInfo(root.filePath(relative)).absolutePath());
        archive.extract(i, root.filePath(relative));
        if (!seen.contains(relative)) content.files << relative;
        seen.insert(relative);
    }
    return content;
}

void DatabaseRestore::checkDatabase(const QString& path) const {
    if (!QFileInfo(path).isFile()) {
        throw ArchiveError(
            QStringLiteral("备份文件中没有数据库文件%1").arg(DataFolder::databaseName()));
    }
    Database db;
    db.open(path, Schema::databaseKey());
    QSet<QString> tables;
    for (const QVariantList& row :
         db.query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")).rows) {
        tables.insert(row.value(0).toString().toLower());
    }
    for (const QString& table : Schema::tableNames()) {
        if (!tables.contains(table.toLower())) {
            throw ArchiveError(QStringLiteral("备份的数据库中没有数据表%1").arg(table));
        }
    }
    const QueryResult check = db.query(QStringLiteral("PRAGMA quick_check"));
    if (check.rows.empty() || check.rows.front().value(0).toString() != u"ok") {
        throw ArchiveError(QStringLiteral("备份的数据库已损坏"));
    }
}

void DatabaseRestore::putInPlace(const QString& unpacked, const Content& content,
                                 const QString& setAside) const {
    const QDir from(unpacked);
    makePath(DataFolder::path(appPath_));
    Replacement replacement(DataFolder::path(appPath_), setAside);
    // Side files left by the old database would be applied to the new one.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        replacement.setAside(DataFolder::databaseName() + QLatin1String(suffix));
    }
    for (const QString& folder : content.folders) replacement.makeFolder(folder);
    for (const QString& file : content.files) replacement.place(from.filePath(file), file);
    replacement.finish();
}

void DatabaseRestore::restoreArchive(const QString& archive) const {
    const ZipReader reader(archive);
    // Beside the data folder, so that files move into it by renaming on the same disk.
    QTemporaryDir work(QDir(appPath_).filePath(QStringLiteral("restore-XXXXXX")));
    if (!work.isValid()) {
        throw FileError(QStringLiteral("无法建立临时文件夹：%1").arg(work.errorString()));
    }
    const QString unpacked = work.filePath(QStringLiteral("new"));
    makePath(unpacked);
    const Content content = unpack(reader, unpacked);
    checkDatabase(QDir(unpacked).filePath(DataFolder::databaseName()));
    putInPlace(unpacked, content, work.filePath(QStringLiteral("old")));
}

bool DatabaseRestore::MenuItem2Click(TDM& dm, Prompter& prompter, const QString& logPass,
                                     const PasswordAsker& ask) const {
    if (!LoginPassword::Check(
            logPass, LoginPassword::adminPrompt(),
            [&ask](const QString& caption, const QString&) { return ask(caption); }, prompter)) {
        return false;
    }
    const std::optional<QString> chosen = prompter.chooseOpenFile(
        QStringLiteral("选择工资条数据备份文件"), QDir(appPath_).filePath(QStringLiteral("Bak")),
        QStringLiteral("工资条数据备份(*.GZBK)|*.GZBK"));
    if (!chosen || chosen->isEmpty()) return false;
    dm.dsPara.close();
    dm.ADOLocal.close();
    try {
        restoreArchive(*chosen);
    } catch (const ArchiveError&) {
        return reportFailure(prompter);
    } catch (const FileError&) {
        return reportFailure(prompter);
    } catch (const DatabaseError&) {
        return reportFailure(prompter);
    }
    prompter.info(QStringLiteral("还原数据成功，软件将关闭，请手工重新启动系统。"));
    return true;
}

bool RestoreDatabase(TDM& dm, Prompter& prompter, const QString& appPath, const QString& logPass,
                     const PasswordAsker& ask) {
    return DatabaseRestore(appPath).MenuItem2Click(dm, prompter, logPass, ask);
}
