#include "ChineseCollator.h"

#include <QLocale>

ChineseCollator::ChineseCollator() : collator_(QLocale(QLocale::Chinese, QLocale::China)) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
}

int ChineseCollator::compare(const QString& a, const QString& b) const {
    return compare(QStringView(a), QStringView(b));
}

int ChineseCollator::compare(QStringView a, QStringView b) const {
    const int c = collator_.compare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
