#include "MailPlaceholders.h"

#include "Pub.h"

namespace {

QVariant valueOf(const QStringList& columns, const QVariantList& row, const QString& name) {
    for (qsizetype i = 0; i < columns.size() && i < row.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0) return row.at(i);
    }
    return {};
}

QString textOf(const QVariant& v) {
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

}  // namespace

QStringList MailPlaceholders::names() {
    return {QStringLiteral("{姓名}"),     QStringLiteral("{月度}"),
            QStringLiteral("{部门}"),     QStringLiteral("{实发工资}"),
            QStringLiteral("{应发合计}"), QStringLiteral("{应扣合计}")};
}

MailPlaceholders::Values MailPlaceholders::valuesFor(const QStringList& columns,
                                                     const QVariantList& row, const QString& month,
                                                     const QString& amountFormat) {
    const auto amount = [&](const char* field) {
        return FormatFloat(amountFormat,
                           VariantToDouble(valueOf(columns, row, QString::fromLatin1(field))));
    };
    return {
        {QStringLiteral("{姓名}"), textOf(valueOf(columns, row, QStringLiteral("EmpName")))},
        {QStringLiteral("{月度}"), month},
        {QStringLiteral("{部门}"), textOf(valueOf(columns, row, QStringLiteral("DepartName")))},
        {QStringLiteral("{实发工资}"), amount("GZTotal")},
        {QStringLiteral("{应发合计}"), amount("YFTotal")},
        {QStringLiteral("{应扣合计}"), amount("KKTotal")},
    };
}

QString MailPlaceholders::fill(const QString& text, const Values& values) {
    QString result;
    result.reserve(text.size());
    qsizetype at = 0;
    while (at < text.size()) {
        bool replaced = false;
        if (text.at(at) == u'{') {
            for (const auto& [placeholder, value] : values) {
                if (QStringView(text).mid(at).startsWith(placeholder)) {
                    result += value;
                    at += placeholder.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) result += text.at(at++);
    }
    return result;
}
