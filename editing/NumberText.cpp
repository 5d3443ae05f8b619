#include "NumberText.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "Pub.h"

std::optional<double> NumberText::value(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    const QString cleaned = CleanNumText(text);
    if (!plain.match(cleaned).hasMatch()) return std::nullopt;
    bool ok = false;
    const double number = QLocale::c().toDouble(cleaned, &ok);
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return number;
}
