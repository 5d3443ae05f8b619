// Awkward input through the program's own entry points: texts with quotes, percent signs,
// backslashes, path pieces, control characters, emoji and 10,000 characters; extreme, negative
// and non-numeric amounts in imported sheets; month keys with "/" and "..". Each is stored as
// typed or refused, and no payslip file lands outside the chosen folder.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QJsonArray>
#include <QSet>
#include <QTemporaryDir>

#include "../exchange/SpreadsheetTestSupport.h"
#include "AppState.h"
#include "Database.h"
#include "EPayslipRun.h"
#include "ExcelMonthCommands.h"
#include "FaultSupport.h"
#include "MailSettings.h"
#include "PayMonths.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"

namespace {

struct TextCase {
    const char* what;
    QString text;
};

std::vector<TextCase> awkwardTexts() {
    return {
        {"quotes", QStringLiteral("O'Brien \"老王\" ''")},
        {"percent signs", QStringLiteral("100% 提成 %1 %s %n")},
        {"backslashes", QStringLiteral("C:\\temp\\..\\王五")},
        {"path pieces", QStringLiteral("../../逃出去")},
        {"emoji", QStringLiteral("张三😀👍🏽")},
        {"tab and line break", QStringLiteral("甲\t乙\n丙")},
        {"10,000 characters", QString(10000, QChar(0x5DE5))},
    };
}

class BadInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, month);
        fixture::addStructure(db, month, 3, 1);
    }
    QStringList storedNames() {
        QStringList names;
        for (const QVariantList& row :
             db.query(QStringLiteral("select EmpName from TGZ where GZMonth=? order by ID"),
                      {month})
                 .rows) {
            names << row[0].toString();
        }
        return names;
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    const QString month = QStringLiteral("202401");
};

TEST_F(BadInputTest, ImportedSheetsKeepTextsAndRefuseNonNumbers) {
    struct BadAmount {
        const char* text;
    };
    const BadAmount badAmounts[] = {{"NaN"},   {"nan"},   {"inf"}, {"-Infinity"},
                                    {"1e400"}, {"12abc"}, {"１２"}};
    for (const char* kind : {"xls", "xlsx"}) {
        SCOPED_TRACE(kind);
        db.exec(QStringLiteral("delete from TGZ"));
        QJsonArray rows{QJsonArray{"部门", "姓名", "应发工资|202401收入1", "应发工资|202401收入2"}};
        QStringList expected;
        for (const TextCase& c : awkwardTexts()) {
            rows.append(QJsonArray{c.text, c.text, 9999999.99, -1234.56});
            expected << c.text;
        }
        for (const BadAmount& bad : badAmounts)
            rows.append(QJsonArray{"部门", QStringLiteral("坏数字%1").arg(bad.text), bad.text, 1});
        const QString path = folder.file(QStringLiteral("in.") + kind);
        sheettest::writeSheets(path, kind, {sheettest::sheet(QStringLiteral("Sheet1"), rows)});

        const ExcelImport::Summary summary =
            ExcelMonthCommands::importFile(db, prompter, month, 0, path);
        EXPECT_EQ(summary.imported, int(expected.size()));
        EXPECT_EQ(summary.skipped, int(std::size(badAmounts)));
        EXPECT_EQ(storedNames(), expected);
        for (const QVariantList& row :
             db.query(QStringLiteral("select DepartName, EmpName, GZ1, GZ2, YFTotal, GZTotal "
                                     "from TGZ where GZMonth=?"),
                      {month})
                 .rows) {
            EXPECT_EQ(row[0].toString(), row[1].toString());
            EXPECT_DOUBLE_EQ(row[2].toDouble(), 9999999.99);
            EXPECT_DOUBLE_EQ(row[3].toDouble(), -1234.56);
            EXPECT_NEAR(row[4].toDouble(), 9998765.43, 1e-6);
            EXPECT_NEAR(row[5].toDouble(), 9998765.43, 1e-6);
        }
    }
}

TEST_F(BadInputTest, PayslipFilesStayInTheChosenFolder) {
    const std::vector<TextCase> texts = awkwardTexts();
    for (const TextCase& c : texts)
        fixture::addRow(db, month, {{"EmpName", c.text}, {"DepartName", c.text}, {"GZ1", 1}});
    QTemporaryDir root;
    const QString out = QDir(root.path()).filePath(QStringLiteral("a/b/out"));
    ASSERT_TRUE(QDir().mkpath(out));

    TAppParams params;
    EPayslipRun run(db, prompter, month,
                    EPayslipRun::TemplateForMonth(db, QStringLiteral(GZT_DIST_DIR), month), params);
    run.setOpenFolder([](const QString&) { return true; });
    prompter.queueConfirm(false);
    const std::optional<EPayslipRun::Summary> summary = run.Button2Click(out);
    ASSERT_TRUE(summary.has_value()) << prompter.shown().join(u'\n').toStdString();

    QStringList written;
    QDirIterator files(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        EXPECT_EQ(file.absolutePath(), QFileInfo(out).absoluteFilePath())
            << file.filePath().toStdString();
        written << file.fileName();
    }
    EXPECT_EQ(summary->written + summary->failed, int(texts.size()));
    EXPECT_EQ(int(written.size()), summary->written);
    // A name too long for the file system is a failed row, told in the summary, not a crash.
    EXPECT_GE(summary->written, int(texts.size()) - 1);
}

TEST_F(BadInputTest, MonthKeysAreStoredAsTyped) {
    const QString keys[] = {
        QStringLiteral("2024/01"), QStringLiteral(".."),       QStringLiteral("../../x"),
        QStringLiteral("a'b\"c"),  QStringLiteral("%s%n%1"),   QStringLiteral("\\\\server\\m"),
        QStringLiteral("月😀"),     QStringLiteral("甲\x01乙"), QString(10000, QChar(u'9'))};
    for (const QString& key : keys) {
        SCOPED_TRACE(key.left(20).toStdString());
        PayMonths months(db, prompter);
        ASSERT_TRUE(months.ReadyMonth());
        prompter.queueInput(key);
        EXPECT_TRUE(months.Button1Click([] { return std::optional<QString>(); }));
        EXPECT_EQ(fixture::count(
                      db, QStringLiteral("select count(*) from TGZMonth where GZMonth=?"), {key}),
                  1);
        EXPECT_EQ(fixture::count(db, QStringLiteral("select count(*) from TGZSet where GZMonth=?"),
                                 {key}),
                  45);
    }
}

}  // namespace

namespace {

struct IniCase {
    const char* what;
    QByteArray bytes;
    QString brand;  // what IIS.INI gives as the brand, and comm.ini as the server
    QString tel;    // IIS.INI's Tel and comm.ini's sender address
};

std::vector<IniCase> iniCases() {
    const QByteArray brand = QStringLiteral("青禾😀").toUtf8();
    return {
        {"UTF-8 with BOM", "\xEF\xBB\xBF[S]\r\nK1=" + brand + "\r\nK2=甲@乙.cn\r\n",
         QStringLiteral("青禾😀"), QStringLiteral("甲@乙.cn")},
        {"UTF-8, LF only", "[S]\nK1=" + brand + "\nK2=x\n", QStringLiteral("青禾😀"),
         QStringLiteral("x")},
        {"GBK", "[S]\r\nK1=\xC7\xE0\xBA\xCC\r\nK2=\xBC\xD7\r\n", QStringLiteral("青禾"),
         QStringLiteral("甲")},
        {"broken lines",
         QByteArray("[S]\r\nno equals sign\r\n=no "
                    "key\r\n[unclosed\r\nK1=\xD2\xD2=\xB1\xFB\r\n\x01\x02\xFF\xFE\r\n"
                    "K2=  123  \r\n"),
         QString(), QString()},
        {"binary", QByteArray("\x00\xFF[S]\x00K1=\x00\r\n", 11), QString(), QString()},
        {"cut off", QByteArray("[S]\r\nK1=甲\r\nK2=乙"), QStringLiteral("甲"),
         QStringLiteral("乙")},
    };
}

QByteArray withSection(QByteArray bytes, const QByteArray& section, const QByteArray& first,
                       const QByteArray& second) {
    bytes.replace("[S]", "[" + section + "]");
    bytes.replace("K1=", first + "=");
    bytes.replace("K2=", second + "=");
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

TEST(BadIniFiles, VendorTextsAndMailSettingsReadWithoutHarm) {
    for (const IniCase& c : iniCases()) {
        SCOPED_TRACE(c.what);
        TestFolder folder(false);
        writeBytes(folder.file(QStringLiteral("IIS.INI")),
                   withSection(c.bytes, "Last", "Brand", "Tel"));
        writeBytes(folder.file(QStringLiteral("comm.ini")),
                   withSection(c.bytes, "comm", "smtp", "email"));
        const TVendorInfo vendor = ReadyPara(folder.path());
        const MailSettings mail = MailSettings::load(folder.path());
        if (!c.brand.isEmpty()) {
            EXPECT_EQ(vendor.Brand, c.brand);
            EXPECT_EQ(vendor.Tel, c.tel);
            EXPECT_EQ(mail.smtp, c.brand);
            EXPECT_EQ(mail.email, c.tel);
        }
        // A line that cannot be read leaves its key at the built-in default or as typed;
        // the brand is never empty, since the window caption is made from it.
        EXPECT_FALSE(vendor.Brand.isEmpty());
    }
}

TEST(BadIniFiles, BrokenLinesKeepTheReadableOnes) {
    TestFolder folder(false);
    // Not valid UTF-8 (the stray bytes), so the file is read as GBK, the program's own code page.
    writeBytes(folder.file(QStringLiteral("IIS.INI")),
               withSection(iniCases()[3].bytes, "Last", "Brand", "Tel"));
    const TVendorInfo vendor = ReadyPara(folder.path());
    EXPECT_EQ(vendor.Brand, QStringLiteral("乙=丙"));
    EXPECT_EQ(vendor.Tel, QStringLiteral("123"));
}

namespace {

// A copy of the nine payslip templates in which the object `name` is missing (renamed away).
void templatesWithout(const QString& programFolder, const QString& name) {
    const QDir source(QStringLiteral(GZT_DIST_DIR "/RPT"));
    const QDir target(QDir(programFolder).filePath(QStringLiteral("RPT")));
    ASSERT_TRUE(QDir().mkpath(target.path()));
    for (const QString& file : source.entryList({QStringLiteral("*.RAV")}, QDir::Files)) {
        QFile in(source.filePath(file));
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray text = in.readAll();
        const QByteArray attribute = "name=\"" + name.toUtf8() + "\"";
        text.replace(attribute, "name=\"" + name.toUtf8() + "_gone\"");
        writeBytes(target.filePath(file), text);
    }
}

QString pdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    pdftotext.waitForFinished(60000);
    return pdftotext.exitCode() == 0 ? QString::fromUtf8(pdftotext.readAllStandardOutput())
                                     : QString();
}

}  // namespace

TEST(BadTemplates, MissingObjectPrintsWithoutIt) {
    const char* const missing[] = {"TextA1", "DataTextA1", "TextC1",      "DataTextC1",
                                   "Text2",  "DataText3",  "RectangleA1", "DataBand1",
                                   "Page1",  "Report1"};
    for (const char* name : missing) {
        SCOPED_TRACE(name);
        TestFolder folder(false);
        templatesWithout(folder.path(), QString::fromLatin1(name));
        ASSERT_EQ(faults::runCtl(folder.path(), {"init", "--demo"}).exitCode, 0);
        Database db;
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        // Names printed in each payslip's title, so that every row can be found in the text.
        db.exec(QStringLiteral("update TPara set NameOnTitle=1"));
        const QString pdf = folder.file(QStringLiteral("out.pdf"));
        const faults::CtlResult result =
            faults::runCtl(folder.path(), {"payslips", PayMonths::proposedMonth(), "--pdf", pdf});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        // The payslips are there, with every employee's name, only without the missing object.
        const QString text = pdfText(pdf);
        for (const QVariantList& row : db.query(QStringLiteral("select EmpName from TGZ")).rows)
            EXPECT_TRUE(text.contains(row[0].toString())) << row[0].toString().toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("实发工资")));
    }
}
