// The check of a backup archive before a restore ("数据库还原"). Every input must be restored or
// refused with a typed error; a refused archive leaves the data folder exactly as it was, and no
// input writes anything outside the program folder or leaves its temporary files behind.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "ArchiveError.h"
#include "DatabaseError.h"
#include "DatabaseRestore.h"
#include "FileError.h"
#include "FuzzCheck.h"
#include "FuzzFolder.h"

namespace {

const QByteArray kOldDatabase("the data before the restore");

QString appPathIn(const FuzzFolder& folder) {
    return folder.filePath(QStringLiteral("程序"));
}

// A program folder whose data folder holds one known file, and nothing else around it.
void resetProgramFolder(const FuzzFolder& folder) {
    const QString app = appPathIn(folder);
    QDir(app).removeRecursively();
    FuzzRequire(QDir().mkpath(QDir(app).filePath(QStringLiteral("db"))), "a data folder");
    QFile old(QDir(app).filePath(QStringLiteral("db/ZYDB.dat")));
    FuzzRequire(old.open(QIODevice::WriteOnly) && old.write(kOldDatabase) == kOldDatabase.size(),
                "the data before the restore");
}

QStringList entries(const QString& path) {
    return QDir(path).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
}

void requireUntouched(const FuzzFolder& folder, const QString& error) {
    const QString app = appPathIn(folder);
    FuzzRequire(entries(QDir(app).filePath(QStringLiteral("db"))) ==
                    QStringList{QStringLiteral("ZYDB.dat")},
                "a refused archive leaves the data folder as it was", error);
    QFile old(QDir(app).filePath(QStringLiteral("db/ZYDB.dat")));
    FuzzRequire(old.open(QIODevice::ReadOnly) && old.readAll() == kOldDatabase,
                "a refused archive leaves the database as it was", error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // libFuzzer's entry takes no context: the folder lives as long as the program.
    static const FuzzFolder folder;
    resetProgramFolder(folder);
    const QString archive =
        folder.write(QStringLiteral("20240131.GZBK"), FuzzFolder::bytes(data, size));
    try {
        DatabaseRestore(appPathIn(folder)).restoreArchive(archive);
    } catch (const ArchiveError& e) {
        requireUntouched(folder, e.message());
    } catch (const FileError& e) {
        requireUntouched(folder, e.message());
    } catch (const DatabaseError& e) {
        requireUntouched(folder, e.message());
    }
    FuzzRequire(entries(folder.path()) ==
                    QStringList({QStringLiteral("20240131.GZBK"), QStringLiteral("程序")}),
                "nothing is written beside the program folder");
    FuzzRequire(entries(appPathIn(folder)) == QStringList{QStringLiteral("db")},
                "no temporary files are left in the program folder");
    return 0;
}
