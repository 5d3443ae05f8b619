#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <utility>
#include <vector>

// The personal parts of a payslip mail: {姓名}, {月度}, {部门}, {实发工资}, {应发合计} and
// {应扣合计} in the subject and the body stand for that employee's values. Amounts are written as
// the program writes amounts ("0" or "0.00").
class MailPlaceholders {
  public:
    // Placeholder (with its braces) and value.
    using Values = std::vector<std::pair<QString, QString>>;

    static QStringList names();
    // The values for one salary row (`row` holds the values of `columns`) of `month`.
    static Values valuesFor(const QStringList& columns, const QVariantList& row,
                            const QString& month, const QString& amountFormat);
    // `text` with every placeholder replaced by its value. The text is read once from left to
    // right, so a value that itself looks like a placeholder stays as it is; braces around
    // anything else stay too.
    static QString fill(const QString& text, const Values& values);
};
