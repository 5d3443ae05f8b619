#include "ImportFieldList.h"

#include <QStringList>

#include "DetailLayout.h"

namespace {

constexpr int kFirstImportable = 3;  // DepartName

}  // namespace

QString ImportFieldList::Build(const DetailLayout& layout) {
    QString text;
    for (int position = kFirstImportable; position <= DetailLayout::NetPay; ++position) {
        if (position == DetailLayout::EarningTotal || position == DetailLayout::DeductionTotal ||
            position == DetailLayout::NetPay) {
            continue;
        }
        const DetailColumn& column = layout.column(position);
        if (!column.visible) continue;
        text += column.title + u' ' + column.field + QStringLiteral(" CHAR N N\r\n");
    }
    return text;
}

std::vector<ImportField> ImportFieldList::Parse(const QString& text) {
    std::vector<ImportField> fields;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        // From the right: required, unique, type, field; what is left is the caption.
        QString rest = line;
        QStringList tail;
        while (tail.size() < 4) {
            const int blank = rest.lastIndexOf(u' ');
            if (blank < 0) break;
            tail.prepend(rest.mid(blank + 1));
            rest.truncate(blank);
        }
        while (tail.size() < 4) tail.append(QString());
        fields.push_back({rest, tail.at(0), tail.at(1), tail.at(2), tail.at(3)});
    }
    return fields;
}
