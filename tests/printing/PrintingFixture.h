#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Helpers of the printing tests: the payslip templates the build drew, small template files
// written by a test, and the poppler tools that read our PDF files back.
namespace printing_test {

inline QString templateFolder() {
    return QStringLiteral(GZT_TEMPLATE_DIR);
}

inline QStringList templateFiles() {
    return {QStringLiteral("GZBillNoKK.RAV"),    QStringLiteral("GZBill.RAV"),
            QStringLiteral("GZBill20_5.RAV"),    QStringLiteral("GZBill10_10.RAV"),
            QStringLiteral("GZBill20_10.RAV"),   QStringLiteral("GZBill30_15.RAV"),
            QStringLiteral("GZBillWithDay.RAV"), QStringLiteral("GZBillWithDay20_10.RAV"),
            QStringLiteral("GZBillWithHour.RAV")};
}

// Copies the nine templates into RPT/ of a program folder.
inline void installTemplates(const QString& programFolder) {
    const QDir target(QDir(programFolder).filePath(QStringLiteral("RPT")));
    ASSERT_TRUE(QDir().mkpath(target.path()));
    for (const QString& name : templateFiles()) {
        ASSERT_TRUE(QFile::copy(QDir(templateFolder()).filePath(name), target.filePath(name)))
            << name.toStdString();
    }
}

inline void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// Runs a tool and gives what it wrote to standard output; a failing tool fails the test.
inline QString runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString pdfText(const QString& pdf) {
    return runTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
}

// One value of pdfinfo's report ("Pages", "Page size", "Title").
inline QString pdfInfo(const QString& pdf, const QString& key) {
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    for (const QString& line : info.split(u'\n')) {
        if (line.startsWith(key + u':')) return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

}  // namespace printing_test
