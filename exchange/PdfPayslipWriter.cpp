#include "PdfPayslipWriter.h"

#include <QSaveFile>

#include "Database.h"
#include "DatabaseError.h"
#include "DetailList.h"
#include "EPayslipRun.h"
#include "PayslipData.h"
#include "PayslipRun.h"
#include "PdfEncryption.h"
#include "PdfReportOutput.h"
#include "ReportError.h"
#include "ReportRenderer.h"

namespace {

// A file goes to one employee and must say whose it is: the title always carries department
// and name, whatever the printed payslips do.
TAppParams withNameOnTitle(TAppParams params) {
    params.NameOnTitle = 1;
    return params;
}

// The payslip data narrowed to one salary row; the row number it prints is that row's.
class OneRowData : public ReportData {
  public:
    OneRowData(const PayslipData& data, int row) : data_(data), row_(row) {}
    int rowCount(const QString& connection) const override {
        if (connection.compare(PayslipData::salaryConnection(), Qt::CaseInsensitive) == 0) {
            return 1;
        }
        return data_.rowCount(connection);
    }
    QString text(const QString& connection, int, const QString& field) const override {
        const bool salary =
            connection.compare(PayslipData::salaryConnection(), Qt::CaseInsensitive) == 0;
        return data_.text(connection, salary ? row_ : 0, field);
    }

  private:
    const PayslipData& data_;
    int row_;
};

}  // namespace

PdfPayslipWriter::PdfPayslipWriter(Database& db, Prompter& prompter, const QString& appPath,
                                   const QString& month, const TAppParams& params)
    : db_(db),
      month_(month),
      params_(params),
      list_(std::make_unique<DetailList>(db, prompter)),
      run_(std::make_unique<PayslipRun>(db, prompter, appPath, *list_, withNameOnTitle(params))) {}

PdfPayslipWriter::~PdfPayslipWriter() = default;

bool PdfPayslipWriter::prepare() {
    // The list is captioned for the month, then holds its rows in the order of the files.
    if (!list_->ReadyGZList(month_, params_.PrintDays)) return false;
    if (!list_->openRows(EPayslipRun::salaryRowsSql(), {month_})) return false;
    list_->layout.setAmountFormat(AmountFormat(params_));
    try {
        const QueryResult r = db_.query(QStringLiteral("select * from TPara"));
        if (!r.rows.empty()) {
            for (qsizetype i = 0; i < r.columns.size(); ++i) {
                parameters_.insert(r.columns.at(i), r.rows.front().value(i));
            }
        }
    } catch (const DatabaseError&) {
        // Without the row the templates' parameter fields print nothing, as in printing.
    }
    return run_->prepare();
}

int PdfPayslipWriter::rowCount() const {
    return list_->dsGZDetail.isOpen() ? list_->dsGZDetail.recordCount() : 0;
}

QString PdfPayslipWriter::value(int row, const QString& field) const {
    const RecordSet& set = list_->dsGZDetail;
    if (!set.isOpen() || !set.hasField(field)) return {};
    const QVariant v = set.value(row, field);
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

void PdfPayslipWriter::write(int row, const QString& path,
                             const std::optional<QString>& password) const {
    const ReportDefinition* report = run_->project().activeReport();
    if (!report) {
        throw ReportError(
            QStringLiteral("报表模板%1里没有报表").arg(run_->project().projectFile()));
    }
    const PayslipData data(*list_, parameters_, AmountFormat(params_));
    const OneRowData one(data, row);
    QByteArray pdf = PdfReportOutput::toBytes(ReportRenderer(*report, one));
    if (password) pdf = PdfEncryption::encrypt(pdf, *password);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit()) {
        throw ReportError(QStringLiteral("无法写入文件：%1").arg(path));
    }
}
