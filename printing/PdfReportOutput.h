#pragma once

#include <QByteArray>
#include <QString>

#include "ReportOutput.h"
#include "ReportRenderer.h"

class QIODevice;

// Writes the report into a PDF file whose text is real text in a Chinese font. The file is
// replaced only when the whole document has been written.
class PdfReportOutput : public ReportOutput {
  public:
    // The print job title the output system gives every document.
    static QString jobTitle() { return QStringLiteral("ReportPrinter Report"); }

    explicit PdfReportOutput(const QString& path) : path_(path) {}

    bool execute(const ReportDefinition& report, const ReportData& data) override;
    int pagesWritten() const { return pagesWritten_; }

    // Writes every sheet of `renderer` to `path`; returns the sheets written. When `progress`
    // stops the output the file is left as it was and 0 is returned. Throws ReportError when
    // the file cannot be written.
    static int write(const ReportRenderer& renderer, const QString& path,
                     const ReportRenderer::Progress& progress = {});
    // The whole document in memory, for a caller that transforms it before it is stored.
    // Throws ReportError when the report has no page.
    static QByteArray toBytes(const ReportRenderer& renderer);

  private:
    static int print(const ReportRenderer& renderer, QIODevice& device,
                     const ReportRenderer::Progress& progress);

    QString path_;
    int pagesWritten_ = 0;
};
