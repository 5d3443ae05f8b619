#pragma once

#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

#include "AppState.h"

class Database;
class DetailList;
class PayslipRun;
class Prompter;

// PDF payslips, one file per salary row: the month's payslip template prepared exactly as
// "打印工资条" prepares it (same template choice, layout, captions and columns), then rendered
// for one row at a time, optionally locked with a password (PdfEncryption). Department and name
// always stand in the title, as the "标题上打印部门以及姓名" setting prints them.
class PdfPayslipWriter {
  public:
    PdfPayslipWriter(Database& db, Prompter& prompter, const QString& appPath, const QString& month,
                     const TAppParams& params);
    ~PdfPayslipWriter();
    PdfPayslipWriter(const PdfPayslipWriter&) = delete;
    PdfPayslipWriter& operator=(const PdfPayslipWriter&) = delete;

    // Loads the month's rows in the order of the payslip files and prepares the template. False
    // when the rows cannot be read or the run ended with its message ("读取数据库发生错误！").
    // Throws ReportError for a missing or broken template.
    bool prepare();
    int rowCount() const;
    // The stored value of `field` in row `row` as text (empty for NULL or a field that the rows
    // do not have).
    QString value(int row, const QString& field) const;

    // Writes the payslip of row `row` (from 0; its running number is row + 1) to `path`,
    // encrypted when `password` is given. The file is replaced only when the whole document is
    // ready. Throws ReportError and PdfEncryptionError.
    void write(int row, const QString& path, const std::optional<QString>& password) const;

  private:
    Database& db_;
    QString month_;
    TAppParams params_;
    std::unique_ptr<DetailList> list_;
    std::unique_ptr<PayslipRun> run_;
    QVariantMap parameters_;
};
