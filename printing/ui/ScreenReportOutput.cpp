#include "ScreenReportOutput.h"

#include <QPrintDialog>
#include <QPrinter>

#include "PdfReportOutput.h"
#include "ReportRenderer.h"
#include "TfrmOutputSetup.h"
#include "TfrmReportPreview.h"
#include "TfrmReportStatus.h"

bool ScreenReportOutput::execute(const ReportDefinition& report, const ReportData& data) {
    const std::optional<OutputSetup> setup = ShowOutputSetup(prompter_, proposedFile_, parent_);
    if (!setup) return false;
    const ReportRenderer renderer(report, data);
    switch (setup->destination) {
        case OutputSetup::Destination::Printer:
            return toPrinter(renderer, *setup);
        case OutputSetup::Destination::File:
            return toFile(renderer, setup->fileName);
        case OutputSetup::Destination::Preview:
            break;
    }
    TfrmReportPreview preview(
        renderer, [&] { return toPrinter(renderer, *setup); }, parent_);
    preview.exec();
    return preview.printed();
}

bool ScreenReportOutput::toPrinter(const ReportRenderer& renderer, const OutputSetup& setup) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(PdfReportOutput::jobTitle());
    printer.setFullPage(true);
    if (renderer.pageCount() > 0) printer.setPageLayout(renderer.pageLayout(0));
    printer.setCopyCount(setup.copies);
    printer.setCollateCopies(setup.collate);
    QPrintDialog dialog(&printer, parent_);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() != QDialog::Accepted) return false;
    TfrmReportStatus status(parent_);
    return renderer.print(printer, status.progress(QStringLiteral("Printing page %p"))) ==
           renderer.pageCount();
}

bool ScreenReportOutput::toFile(const ReportRenderer& renderer, const QString& path) {
    TfrmReportStatus status(parent_);
    return PdfReportOutput::write(renderer, path,
                                  status.progress(QStringLiteral("Generating page %p"))) > 0;
}
