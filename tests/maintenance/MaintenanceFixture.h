#pragma once

// Helpers shared by the maintenance tests: what a folder holds, what a database holds, and
// archives read and written by tools other than ours.

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <stdexcept>
#include <utility>
#include <vector>

#include "Database.h"

namespace maint {

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

inline QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

// Every entry below `root` as one line each, in name order: folders as "name/", files as
// "name sha256-of-the-bytes".
inline QStringList treeChecksums(const QString& root) {
    QStringList result;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = base.relativeFilePath(info.filePath());
        if (info.isDir()) {
            result << relative + u'/';
        } else {
            const QByteArray sum =
                QCryptographicHash::hash(readFile(info.filePath()), QCryptographicHash::Sha256);
            result << relative + u' ' + QString::fromLatin1(sum.toHex());
        }
    }
    result.sort();
    return result;
}

// The names of every entry below `root`, folders ending in "/", in name order.
inline QStringList treeNames(const QString& root) {
    QStringList names;
    for (const QString& line : treeChecksums(root)) names << line.section(u' ', 0, 0);
    return names;
}

// Every row of `table` in storage order, each value with its type, one line per row.
inline QStringList dumpTable(Database& db, const QString& table) {
    QStringList lines;
    const QueryResult result =
        db.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
    for (const QVariantList& row : result.rows) {
        QStringList values;
        for (const QVariant& v : row)
            values << (v.isNull() ? QStringLiteral("NULL")
                                  : QStringLiteral("%1:%2").arg(v.typeName(), v.toString()));
        lines << values.join(u'|');
    }
    return lines;
}

// The rows of the four tables and the counters of their keys, each line led by its table.
inline QStringList dumpDatabase(Database& db) {
    QStringList result;
    for (const char* table : {"TGZMonth", "TGZ", "TGZSet", "TPara", "sqlite_sequence"}) {
        const QString name = QString::fromLatin1(table);
        for (const QString& row : dumpTable(db, name)) result << name + u' ' + row;
    }
    return result;
}

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolResult runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) throw std::runtime_error("tool did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// The entry names `unzip -l` lists; throws when unzip does not accept the archive.
inline QStringList unzipList(const QString& archive) {
    const ToolResult result = runTool(QStringLiteral("unzip"), {QStringLiteral("-l"), archive});
    if (result.exitCode != 0)
        throw std::runtime_error("unzip -l failed: " + result.err.toStdString());
    QStringList names;
    bool inside = false;
    static const QRegularExpression entry(QStringLiteral(R"(^\s*\d+\s+\S+\s+\S+\s+(.+)$)"));
    for (const QString& line : QString::fromUtf8(result.out).split(u'\n')) {
        if (line.startsWith(QStringLiteral("---------"))) {
            if (inside) break;
            inside = true;
            continue;
        }
        const QRegularExpressionMatch match = entry.match(line);
        if (inside && match.hasMatch()) names << match.captured(1);
    }
    return names;
}

// The bytes of one entry as `unzip -p` gives them.
inline QByteArray unzipEntry(const QString& archive, const QString& name) {
    const ToolResult result =
        runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, name});
    if (result.exitCode != 0)
        throw std::runtime_error("unzip -p failed: " + result.err.toStdString());
    return result.out;
}

// Writes a ZIP archive with Python's zipfile, which stores names exactly as given (".." and
// leading slashes included), so that archives our code would never write can be tried. The
// entries are stored, or all deflated when `deflated`.
inline void pythonZip(const QString& archive, const QString& scratch,
                      const std::vector<std::pair<QString, QByteArray>>& entries,
                      bool deflated = false) {
    QStringList arguments{
        QStringLiteral("-c"),
        QStringLiteral("import sys, zipfile\n"
                       "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
                       "for name, source in zip(sys.argv[3::2], sys.argv[4::2]):\n"
                       "    info = zipfile.ZipInfo(name)\n"
                       "    if sys.argv[2] == '1': info.compress_type = zipfile.ZIP_DEFLATED\n"
                       "    z.writestr(info, open(source, 'rb').read())\n"
                       "z.close()\n"),
        archive, deflated ? QStringLiteral("1") : QStringLiteral("0")};
    int n = 0;
    for (const auto& [name, bytes] : entries) {
        const QString source = QDir(scratch).filePath(QStringLiteral("entry%1.bin").arg(n++));
        writeFile(source, bytes);
        arguments << name << source;
    }
    const ToolResult result = runTool(QStringLiteral("/usr/bin/python3"), arguments);
    if (result.exitCode != 0)
        throw std::runtime_error("zipfile failed: " + result.err.toStdString());
}

}  // namespace maint
