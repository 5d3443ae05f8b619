#include "ReportFonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>

namespace {

constexpr int kMeasureDpi = 1200;

bool isSongName(const QString& family) {
    static const QStringList names{QStringLiteral("宋体"), QStringLiteral("SimSun"),
                                   QStringLiteral("新宋体"), QStringLiteral("NSimSun")};
    return names.contains(family, Qt::CaseInsensitive);
}

bool isHeiName(const QString& family) {
    static const QStringList names{QStringLiteral("黑体"), QStringLiteral("SimHei"),
                                   QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei")};
    return names.contains(family, Qt::CaseInsensitive);
}

QString firstInstalled(const QStringList& candidates, const QString& otherwise) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& name : candidates) {
        if (installed.contains(name, Qt::CaseInsensitive)) return name;
    }
    return otherwise;
}

// A device of the measuring resolution; QFontMetricsF scales point sizes by its DPI.
const QImage& measuringDevice() {
    static const QImage image = [] {
        QImage device(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(kMeasureDpi / 0.0254);
        device.setDotsPerMeterX(dotsPerMeter);
        device.setDotsPerMeterY(dotsPerMeter);
        return device;
    }();
    return image;
}

}  // namespace

QString ReportFonts::resolveFamily(const QString& family) {
    const QStringList installed = QFontDatabase::families();
    if (!family.isEmpty() && installed.contains(family, Qt::CaseInsensitive)) return family;
    const QString song = QStringLiteral("AR PL UMing CN");
    const QString hei = QStringLiteral("WenQuanYi Micro Hei");
    if (isHeiName(family)) return firstInstalled({hei, song}, family);
    if (isSongName(family) || family.isEmpty()) return firstInstalled({song, hei}, family);
    return family;
}

QFont ReportFonts::font(const QString& face, double points, bool bold) {
    QFont font(face);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

double ReportFonts::textWidth(const QFont& font, const QString& text) {
    return QFontMetricsF(font, &measuringDevice()).horizontalAdvance(text) / kMeasureDpi;
}

double ReportFonts::lineHeight(const QFont& font) {
    return QFontMetricsF(font, &measuringDevice()).height() / kMeasureDpi;
}
