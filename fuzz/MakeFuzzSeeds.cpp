// Writes the seed files of the fuzz programs with the program's own writers, one folder per
// program below the folder given:
//   gzt_make_fuzz_seeds <folder>
// Kept small: the fuzzer grows its own corpus from them.

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>

#include "Database.h"
#include "DatabaseBackup.h"
#include "EPayslipTemplates.h"
#include "FileError.h"
#include "IniFile.h"
#include "Schema.h"
#include "XlsWriter.h"
#include "XlsxWorkbookWriter.h"
#include "ZipWriter.h"

namespace {

QString folderFor(const QDir& root, const QString& program) {
    const QString folder = root.filePath(program);
    if (!QDir().mkpath(folder)) throw FileError(QStringLiteral("无法建立文件夹%1").arg(folder));
    return folder;
}

// An import sheet as a clerk makes it: a heading row of captions, then names and amounts.
void fillImportSheet(XlsWriter::Sheet& sheet) {
    const QStringList heading{QStringLiteral("EmpName"), QStringLiteral("基本工资"),
                              QStringLiteral("奖金"), QStringLiteral("备注")};
    for (int c = 0; c < heading.size(); ++c) sheet.setText(0, c, heading.at(c));
    sheet.setText(1, 0, QStringLiteral("王芳"));
    sheet.setNumber(1, 1, 3500.5);
    sheet.setNumber(1, 2, -20);
    sheet.setText(1, 3, QStringLiteral("100%\"'"));
    sheet.setText(2, 0, QStringLiteral("李雷"));
    sheet.setNumber(2, 1, 9999999.99);
}

void writeXlsSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("xls_reader")));
    XlsWriter shared;
    fillImportSheet(shared.addSheet(QStringLiteral("工资表")));
    shared.addSheet(QStringLiteral("Sheet2")).setNumber(0, 0, 1);
    shared.save(dir.filePath(QStringLiteral("shared-strings.xls")));
    XlsWriter::Options other;
    other.sharedStrings = false;
    other.index = false;
    other.streamName = QStringLiteral("Book");
    other.propertyStreams = true;
    XlsWriter labels(other);
    fillImportSheet(labels.addSheet(QStringLiteral("Sheet1")));
    labels.save(dir.filePath(QStringLiteral("labels-book-stream.xls")));
}

void writeRewriterSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("xls_rewriter")));
    for (const EPayslipTemplates::Design& design : EPayslipTemplates::designs()) {
        // The smallest and the one with attendance cells.
        if (design.fileName != u"GZBill20_5.xls" && design.fileName != u"GZBillWithDay.xls") {
            continue;
        }
        XlsWriter writer;
        EPayslipTemplates::build(design, writer);
        writer.save(dir.filePath(design.fileName));
    }
}

void writeXlsxSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("xlsx_reader")));
    XlsxWorkbookWriter writer(dir.filePath(QStringLiteral("grid-export.xlsx")));
    writer.setTitle(QStringLiteral("2024年01月工资明细表"));
    writer.merge(0, 0, 0, 2, QStringLiteral("工资明细表"));
    writer.writeText(1, 0, QStringLiteral("EmpName"));
    writer.writeText(1, 1, QStringLiteral("基本工资"));
    writer.writeText(1, 2, QStringLiteral("备注"));
    writer.writeText(2, 0, QStringLiteral("王芳"));
    writer.writeNumber(2, 1, 3500.5);
    writer.writeBlank(2, 2);
    writer.writeText(3, 0, QStringLiteral("李雷"));
    writer.writeNumber(3, 1, -20);
    writer.writeText(3, 2, QStringLiteral("100%\"'"));
    writer.close();
}

void writeText(const QString& path, const QByteArray& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        throw FileError(QStringLiteral("无法写入文件%1").arg(path));
    }
}

// Worksheet parts as spreadsheet programs write them: shared and inline strings, numbers, other
// elements after the rows; and one with prefixed names and rows without numbers.
void writeSheetPartSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("xlsx_sheet_cells")));
    QByteArray rows;
    for (int i = 1; i <= 12; ++i) {
        const QByteArray n = QByteArray::number(i);
        rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + QByteArray::number(i % 2) +
                "</v></c><c r=\"B" + n + "\"><v>" + n + ".25</v></c><c r=\"C" + n +
                "\" t=\"inlineStr\"><is><t>职员" + n + "</t></is></c></row>";
    }
    writeText(dir.filePath(QStringLiteral("sheet.xml")),
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
              "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetPr/>"
              "<dimension ref=\"A1:C12\"/><sheetData>" +
                  rows + "</sheetData><pageMargins left=\"0.7\"/></worksheet>");
    QByteArray prefixed;
    for (int i = 1; i <= 12; ++i) {
        prefixed += (i % 4 ? "<x:row>" : "<x:row r=\"" + QByteArray::number(i) + "\">") +
                    QByteArray("<x:c t=\"str\"><x:v>&amp;_x000D_") + QByteArray::number(i) +
                    "</x:v></x:c><x:c t=\"b\"><x:v>1</x:v></x:c></x:row>\n";
    }
    writeText(dir.filePath(QStringLiteral("prefixed.xml")),
              "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
              "<x:sheetData>\n" +
                  prefixed + "</x:sheetData></x:worksheet>\n");
}

// The smallest template of every kind of object; the drawn payslip templates come besides.
void writeReportSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("report_loader")));
    writeText(dir.filePath(QStringLiteral("every-object.RAV")),
              R"(<?xml version="1.0" encoding="UTF-8"?>
<ReportProject version="1" activeReport="Report1">
  <Report name="Report1">
    <Page name="Page1" width="8.27" height="11.69">
      <Region name="Region1" left="0" top="0.2" width="8.27" height="11.49">
        <DataBand name="DataBand1" connection="RvDataSetConnection1" height="1.4">
          <Rectangle name="RectangleA1" left="0.7" top="0.36" width="0.6" height="0.22"
                     lineWidth="0.75" fill="#eeeeee"/>
          <Text name="TextA1" text="基本工资" left="0.7" top="0.36" width="0.6"
                height="0.22" align="center" font="宋体" size="9" bold="false"/>
          <DataText name="DataTextA1" connection="RvDataSetConnection1" field="GZ1"
                    left="0.7" top="0.58" width="0.6" height="0.24" align="right"
                    padding="0.04" font="宋体" size="9" visible="false"/>
        </DataBand>
      </Region>
    </Page>
  </Report>
</ReportProject>
)");
}

void writeIniSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("ini_file")));
    IniFile ini(dir.filePath(QStringLiteral("comm.ini")));
    ini.writeString(QStringLiteral("Mail"), QStringLiteral("SmtpHost"),
                    QStringLiteral("smtp.example.com"));
    ini.writeInteger(QStringLiteral("Mail"), QStringLiteral("Port"), 465);
    ini.writeBool(QStringLiteral("Mail"), QStringLiteral("NeedAuth"), true);
    ini.writeString(QStringLiteral("Vendor"), QStringLiteral("Name"),
                    QStringLiteral("某某软件公司"));
    ini.save();
    writeText(dir.filePath(QStringLiteral("comments.ini")),
              "; comment\r\n[IIS]\r\nTitle = \xB9\xA4\xD7\xCA\xCC\xF5\r\nbroken line\r\n"
              "=nokey\r\n[Empty]\r\n[IIS]\r\nTitle=second\r\n");
}

void writeBackupSeeds(const QDir& root) {
    const QDir dir(folderFor(root, QStringLiteral("backup_archive")));
    QTemporaryDir app;
    if (!app.isValid()) throw FileError(QStringLiteral("无法建立临时文件夹"));
    Schema::createDatabaseFile(app.path());
    {
        Database db;
        db.open(Schema::databasePath(app.path()), Schema::databaseKey());
        DatabaseBackup(db, app.path()).writeArchive(dir.filePath(QStringLiteral("backup.GZBK")));
    }
    // Names a restore must refuse, beside a folder entry and a contract file.
    const QString note = QDir(app.path()).filePath(QStringLiteral("note.txt"));
    writeText(note, "合同");
    ZipWriter zip(dir.filePath(QStringLiteral("paths.GZBK")));
    zip.addFolder(QStringLiteral("ContractFile/"));
    zip.addFile(QStringLiteral("ContractFile/王芳.txt"), note);
    zip.addFile(QStringLiteral("../outside.txt"), note);
    zip.commit();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: gzt_make_fuzz_seeds <folder>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    try {
        writeXlsSeeds(root);
        writeRewriterSeeds(root);
        writeXlsxSeeds(root);
        writeSheetPartSeeds(root);
        writeReportSeeds(root);
        writeIniSeeds(root);
        writeBackupSeeds(root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
