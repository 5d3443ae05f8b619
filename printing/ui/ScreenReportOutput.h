#pragma once

#include <QString>

#include "ReportOutput.h"

class Prompter;
class QWidget;
class ReportRenderer;
struct OutputSetup;

// The output of the window program: "打印设置" first, then the modal preview "打印预览" (which
// can print), the printer through Qt's print dialog, or a PDF file; "状态" shows the pages as
// they are generated or printed.
class ScreenReportOutput : public ReportOutput {
  public:
    ScreenReportOutput(Prompter& prompter, const QString& proposedFile, QWidget* parent)
        : prompter_(prompter), proposedFile_(proposedFile), parent_(parent) {}

    bool execute(const ReportDefinition& report, const ReportData& data) override;

  private:
    bool toPrinter(const ReportRenderer& renderer, const OutputSetup& setup);
    bool toFile(const ReportRenderer& renderer, const QString& path);

    Prompter& prompter_;
    QString proposedFile_;
    QWidget* parent_;
};
