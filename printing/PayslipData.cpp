#include "PayslipData.h"

#include "DetailList.h"
#include "Pub.h"
#include "ReportError.h"

namespace {

bool isNull(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

[[noreturn]] void unknownField(const QString& connection, const QString& field) {
    throw ReportError(QStringLiteral("数据连接%1没有字段%2").arg(connection, field));
}

}  // namespace

PayslipData::PayslipData(const DetailList& list, const QVariantMap& parameters,
                         const QString& amountFormat)
    : list_(list), amountFormat_(amountFormat) {
    // TPara's columns are looked up without regard to letter case, as the fields of a row are.
    for (auto it = parameters.begin(); it != parameters.end(); ++it) {
        parameters_.insert(it.key().toLower(), it.value());
    }
}

int PayslipData::rowCount(const QString& connection) const {
    if (connection.compare(salaryConnection(), Qt::CaseInsensitive) == 0) {
        return list_.dsGZDetail.isOpen() ? list_.dsGZDetail.recordCount() : 0;
    }
    if (connection.compare(parameterConnection(), Qt::CaseInsensitive) == 0) {
        return parameters_.isEmpty() ? 0 : 1;
    }
    return 0;
}

QString PayslipData::text(const QString& connection, int row, const QString& field) const {
    if (field.trimmed().isEmpty()) return QString();
    if (connection.compare(salaryConnection(), Qt::CaseInsensitive) == 0) {
        return salaryText(row, field);
    }
    if (connection.compare(parameterConnection(), Qt::CaseInsensitive) == 0) {
        return parameterText(field);
    }
    throw ReportError(QStringLiteral("报表没有数据连接%1").arg(connection));
}

QString PayslipData::salaryText(int row, const QString& field) const {
    const int position = list_.GetCol(field);
    if (position < 0) {
        if (!list_.dsGZDetail.hasField(field)) unknownField(salaryConnection(), field);
        const QVariant value = list_.dsGZDetail.value(row, field);
        return isNull(value) ? QString() : value.toString();
    }
    // The wage rate through the net pay are amounts: they follow the display format of the
    // run, whatever format the list was last given.
    const int firstAmount = list_.GetCol(QStringLiteral("OneDayMOney"));
    if (position >= firstAmount && position <= DetailLayout::NetPay) {
        const QVariant value = list_.dsGZDetail.value(row, field);
        return isNull(value) ? QString() : FormatFloat(amountFormat_, VariantToDouble(value));
    }
    return list_.displayText(row, position);
}

QString PayslipData::parameterText(const QString& field) const {
    const auto found = parameters_.constFind(field.toLower());
    if (found == parameters_.constEnd()) unknownField(parameterConnection(), field);
    return isNull(*found) ? QString() : found->toString();
}
