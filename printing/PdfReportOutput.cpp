#include "PdfReportOutput.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QSaveFile>

#include "ReportError.h"

bool PdfReportOutput::execute(const ReportDefinition& report, const ReportData& data) {
    pagesWritten_ = write(ReportRenderer(report, data), path_);
    return pagesWritten_ > 0;
}

int PdfReportOutput::write(const ReportRenderer& renderer, const QString& path,
                           const ReportRenderer::Progress& progress) {
    if (renderer.pageCount() == 0) throw ReportError(QStringLiteral("报表没有页面"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(QStringLiteral("无法写入文件：%1").arg(path));
    }
    const int written = print(renderer, file, progress);
    if (written < renderer.pageCount()) {
        file.cancelWriting();
        return 0;
    }
    if (!file.commit()) throw ReportError(QStringLiteral("无法写入文件：%1").arg(path));
    return written;
}

int PdfReportOutput::print(const ReportRenderer& renderer, QIODevice& device,
                           const ReportRenderer::Progress& progress) {
    // The writer finishes the document when it goes out of scope.
    QPdfWriter writer(&device);
    writer.setTitle(jobTitle());
    writer.setCreator(QStringLiteral("工资条制作打印软件"));
    writer.setResolution(1200);
    return renderer.print(writer, progress);
}

QByteArray PdfReportOutput::toBytes(const ReportRenderer& renderer) {
    if (renderer.pageCount() == 0) throw ReportError(QStringLiteral("报表没有页面"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    print(renderer, buffer, {});
    buffer.close();
    return bytes;
}
