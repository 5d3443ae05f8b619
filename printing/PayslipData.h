#pragma once

#include <QString>
#include <QVariantMap>

#include "ReportData.h"

class DetailList;

// The two data connections of the payslip templates: RvDataSetConnection1 is the salary rows
// as the detail list shows them (its order and filter), RvDataSetConnection2 the parameters
// row TPara. Values show as the list shows them, amounts in the amount display format, and the
// row number SortIdx counts the rows shown.
class PayslipData : public ReportData {
  public:
    static QString salaryConnection() { return QStringLiteral("RvDataSetConnection1"); }
    static QString parameterConnection() { return QStringLiteral("RvDataSetConnection2"); }

    // `parameters`: the TPara row by column name; `amountFormat` "0" or "0.00".
    PayslipData(const DetailList& list, const QVariantMap& parameters, const QString& amountFormat);

    int rowCount(const QString& connection) const override;
    QString text(const QString& connection, int row, const QString& field) const override;

  private:
    QString salaryText(int row, const QString& field) const;
    QString parameterText(const QString& field) const;

    const DetailList& list_;
    QVariantMap parameters_;
    QString amountFormat_;
};
