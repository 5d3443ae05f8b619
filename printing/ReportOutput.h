#pragma once

class ReportData;
class ReportDefinition;

// Where an executed report goes: a PDF file, or the output setup dialog with its preview and
// printer. The payslip run hands its finished report to one of these.
class ReportOutput {
  public:
    virtual ~ReportOutput() = default;

    // Prints the report over `data`; false when nothing was printed (the user cancelled).
    virtual bool execute(const ReportDefinition& report, const ReportData& data) = 0;
};
