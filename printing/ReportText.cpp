#include "ReportText.h"

#include "ReportFonts.h"

ReportText::ReportText(const QString& name) : ReportComponent(name) {
    setFont(QStringLiteral("宋体"), 9, false);
}

void ReportText::setText(const QString& text) {
    text_ = text;
    refit();
}

void ReportText::setFont(const QString& family, double points, bool bold) {
    fontFamily_ = family;
    face_ = ReportFonts::resolveFamily(family);
    fontSize_ = points;
    bold_ = bold;
    refit();
}

void ReportText::setFontSize(double points) {
    fontSize_ = points;
    refit();
}

QFont ReportText::font() const {
    return ReportFonts::font(face_, fontSize_, bold_);
}

void ReportText::refit() {
    if (!sizesToText()) return;
    const double width = ReportFonts::textWidth(font(), text_);
    switch (alignment_) {
        case Alignment::Left:
            break;
        case Alignment::Center:
            left_ += (width_ - width) / 2;
            break;
        case Alignment::Right:
            left_ += width_ - width;
            break;
    }
    width_ = width;
}
