#pragma once

// Helpers of the fault tests: the digest of a database's content, its integrity check, and
// runs of gztctl and of the window's import program in a program folder.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "Database.h"
#include "Schema.h"

#ifndef GZT_DIST_DIR
#error "GZT_DIST_DIR names the built program folder"
#endif

namespace faults {

inline QString gztctlPath() {
    return QDir(QStringLiteral(GZT_DIST_DIR)).filePath(QStringLiteral("gztctl"));
}

// Every row of the four tables in key order, each value with its type, as one hash. The entry
// time differs between two runs of the same operation, so only whether it is set counts.
inline QByteArray contentDigest(Database& db) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const char* table : {"TGZMonth", "TGZSet", "TGZ", "TPara"}) {
        const QueryResult result =
            db.query(QStringLiteral("select * from %1 order by ID").arg(QLatin1String(table)));
        hash.addData(QByteArray(table));
        for (const QVariantList& row : result.rows) {
            for (int i = 0; i < row.size(); ++i) {
                const QVariant& v = row.at(i);
                QByteArray cell = QByteArray::number(v.typeId()) + ':';
                if (result.columns.at(i).compare(QStringLiteral("LOGTime"), Qt::CaseInsensitive))
                    cell += v.toString().toUtf8();
                else
                    cell += v.isNull() ? "null" : "set";
                hash.addData(QByteArray::number(cell.size()) + '|' + cell);
            }
            hash.addData(QByteArrayView("\n"));
        }
    }
    return hash.result().toHex();
}

// Opens the database of a program folder (rolling back what an interrupted writer left) and
// gives "ok" when SQLite's own check finds nothing wrong, else what it found or why it failed.
inline QString integrityOf(const QString& programFolder, QByteArray* digest = nullptr) {
    try {
        Database db;
        db.open(Schema::databasePath(programFolder), Schema::databaseKey());
        QStringList found;
        for (const QVariantList& row : db.query(QStringLiteral("PRAGMA integrity_check")).rows)
            found << row.value(0).toString();
        if (digest) *digest = contentDigest(db);
        return found.join(u'\n');
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

struct CtlResult {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CtlResult runProgram(const QString& program, const QStringList& args) {
    QProcess ctl;
    ctl.setProcessChannelMode(QProcess::SeparateChannels);
    ctl.start(program, args);
    ctl.closeWriteChannel();
    if (!ctl.waitForFinished(120000)) {
        ctl.kill();
        ctl.waitForFinished();
    }
    CtlResult result;
    result.exitCode = ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1;
    result.out = QString::fromLocal8Bit(ctl.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(ctl.readAllStandardError());
    return result;
}

inline CtlResult runCtl(const QString& folder, const QStringList& args) {
    return runProgram(gztctlPath(), QStringList{QStringLiteral("--dir"), folder} + args);
}

#ifdef GZT_IMPORT_WINDOW
// The test program that imports a sheet through the window's dialog (ImportWindowProgram.cpp).
inline QString importWindowPath() {
    return QStringLiteral(GZT_IMPORT_WINDOW);
}
#endif

}  // namespace faults
