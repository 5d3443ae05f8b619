#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include "AppState.h"
#include "Database.h"
#include "DetailList.h"
#include "ModalWatch.h"
#include "PayslipData.h"
#include "PrintPayslips.h"
#include "ReportLayout.h"
#include "ReportRenderer.h"
#include "ReportTemplate.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "TfrmOutputSetup.h"
#include "TfrmReportPreview.h"
#include "TfrmReportStatus.h"

namespace {

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class PrintingDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void outputSetupOffersPreviewFirst();
    void outputSetupChoosesAFile();
    void outputSetupEscapeCancels();
    void statusShowsThePageAndStops();
    void previewShowsEveryPageAtActualSize();
    void payslipsToAFileThroughTheSetupDialog();
    void closingThePreviewPrintsNothing();

  private:
    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<DetailList> list_;
    TAppParams params_;
};

void PrintingDialogsTest::init() {
    folder_ = std::make_unique<TestFolder>();
    QDir().mkpath(folder_->file("RPT"));
    const QDir templates(QStringLiteral(GZT_TEMPLATE_DIR));
    for (const QString& name : templates.entryList({"*.RAV"})) {
        QVERIFY(QFile::copy(templates.filePath(name), folder_->file("RPT/" + name)));
    }
    db_ = std::make_unique<Database>();
    db_->open(Schema::databasePath(folder_->path()), Schema::databaseKey());
    db_->exec("Update TPara Set EntName=?, PrintDays=0, BillHeight=93", {QString("星光机械厂")});
    fixture::addMonth(*db_, "202405");
    fixture::addStructure(*db_, "202405", 6, 2);
    const QStringList names{"张伟", "王芳", "李娜", "刘洋", "陈静"};
    for (int i = 0; i < names.size(); ++i) {
        fixture::addRow(*db_, "202405",
                        {{"EmpName", names[i]},
                         {"DepartName", "财务部"},
                         {"GZ1", 3000 + i},
                         {"GZTotal", 2800 + i}});
    }
    prompter_ = std::make_unique<ScriptedPrompter>();
    list_ = std::make_unique<DetailList>(*db_, *prompter_);
    QVERIFY(list_->ReadyGZList("202405", 0));
    params_ = TAppParams{};
    params_.NameOnTitle = 1;
}

void PrintingDialogsTest::cleanup() {
    list_.reset();
    db_.reset();
    folder_.reset();
}

void PrintingDialogsTest::outputSetupOffersPreviewFirst() {
    TfrmOutputSetup dialog(*prompter_, "/tmp/工资条.pdf");
    QCOMPARE(dialog.windowTitle(), QString("打印设置"));
    QVERIFY(dialog.previewButton()->isChecked());
    QVERIFY(!dialog.fileEdit()->isEnabled());
    QVERIFY(!dialog.browseButton()->isEnabled());
    QCOMPARE(dialog.confirmButton()->text(), QString("确认(&E)"));
    QCOMPARE(dialog.cancelButton()->text(), QString("取消(&X)"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
    QVERIFY(dialog.result().has_value());
    QCOMPARE(dialog.result()->destination, OutputSetup::Destination::Preview);
    QCOMPARE(dialog.result()->copies, 1);
}

void PrintingDialogsTest::outputSetupChoosesAFile() {
    TfrmOutputSetup dialog(*prompter_, QString());
    dialog.show();
    dialog.fileButton()->click();
    QVERIFY(dialog.fileEdit()->isEnabled());
    QVERIFY(!dialog.copiesBox()->isEnabled());
    // Without a file name there is nothing to confirm.
    QVERIFY(!dialog.confirmButton()->isEnabled());
    prompter_->queueFile(QString("/tmp/五月工资条.pdf"));
    QTest::mouseClick(dialog.browseButton(), Qt::LeftButton);
    QCOMPARE(dialog.fileEdit()->text(), QString("/tmp/五月工资条.pdf"));
    QVERIFY(dialog.confirmButton()->isEnabled());
    QTest::mouseClick(dialog.confirmButton(), Qt::LeftButton);
    QCOMPARE(dialog.result()->destination, OutputSetup::Destination::File);
    QCOMPARE(dialog.result()->fileName, QString("/tmp/五月工资条.pdf"));

    TfrmOutputSetup printer(*prompter_, QString());
    printer.printerButton()->click();
    printer.copiesBox()->setValue(3);
    printer.collateBox()->setChecked(false);
    QTest::mouseClick(printer.confirmButton(), Qt::LeftButton);
    QCOMPARE(printer.result()->destination, OutputSetup::Destination::Printer);
    QCOMPARE(printer.result()->copies, 3);
    QVERIFY(!printer.result()->collate);
}

void PrintingDialogsTest::outputSetupEscapeCancels() {
    const auto watch = ModalWatch::on<TfrmOutputSetup>(
        [](TfrmOutputSetup* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QVERIFY(!ShowOutputSetup(*prompter_, QString(), nullptr).has_value());
}

void PrintingDialogsTest::statusShowsThePageAndStops() {
    TfrmReportStatus status;
    QCOMPARE(status.windowTitle(), QString("状态"));
    const ReportRenderer::Progress progress = status.progress("Generating page %p");
    QVERIFY(progress(3));
    QCOMPARE(status.statusText(), QString("Generating page 3"));
    QVERIFY(status.isVisible());
    QTest::mouseClick(status.cancelButton(), Qt::LeftButton);
    QVERIFY(!progress(4));
    QVERIFY(status.cancelled());
}

void PrintingDialogsTest::previewShowsEveryPageAtActualSize() {
    ReportTemplate project;
    project.setProjectFile(folder_->file("RPT/GZBill.RAV"));
    project.open();
    ReportLayout(project, 2).SetPageHeight(93);
    const PayslipData data(*list_, {}, "0");
    const ReportRenderer renderer(*project.activeReport(), data);
    QVERIFY(renderer.pageCount() > 1);
    int printCalls = 0;
    TfrmReportPreview preview(renderer, [&] { return ++printCalls > 0; });
    QCOMPARE(preview.windowTitle(), QString("打印预览"));
    preview.show();
    QTRY_COMPARE(preview.pageCount(), renderer.pageCount());
    QCOMPARE(preview.zoomFactor(), 1.0);
    QCOMPARE(preview.pageText(), QString("第1页/共%1页").arg(renderer.pageCount()));
    QTest::mouseClick(preview.printButton(), Qt::LeftButton);
    QCOMPARE(printCalls, 1);
    QVERIFY(preview.printed());
}

void PrintingDialogsTest::payslipsToAFileThroughTheSetupDialog() {
    const QString pdf = folder_->file("五月.pdf");
    QStringList names;
    for (int row = 0; row < list_->dsGZDetail.recordCount(); ++row) {
        names << list_->dsGZDetail.value(row, "EmpName").toString();
    }
    const auto watch = ModalWatch::on<TfrmOutputSetup>([pdf](TfrmOutputSetup* dialog) {
        dialog->fileButton()->click();
        dialog->fileEdit()->setText(pdf);
        QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
    });
    QVERIFY(
        PrintPayslips(*db_, *prompter_, folder_->path(), *list_, params_, {1, 3}, true, nullptr));
    const QString text = pdfText(pdf);
    for (int row = 0; row < names.size(); ++row) {
        QCOMPARE(text.contains(names[row]), row == 1 || row == 3);
    }
    QCOMPARE(list_->dsGZDetail.recordCount(), 5);
    QVERIFY(prompter_->shown().isEmpty());
}

void PrintingDialogsTest::closingThePreviewPrintsNothing() {
    QString title;
    int pages = 0;
    const auto setup = ModalWatch::on<TfrmOutputSetup>([](TfrmOutputSetup* dialog) {
        QTest::mouseClick(dialog->confirmButton(), Qt::LeftButton);
    });
    const auto preview = ModalWatch::on<TfrmReportPreview>([&](TfrmReportPreview* window) {
        title = window->windowTitle();
        pages = window->pageCount();
        QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    });
    QVERIFY(!PrintPayslips(*db_, *prompter_, folder_->path(), *list_, params_, {}, false, nullptr));
    QCOMPARE(title, QString("打印预览"));
    // Five payslips, two to a 93 mm sheet.
    QCOMPARE(pages, 3);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    PrintingDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PrintingDialogsTest.moc"
