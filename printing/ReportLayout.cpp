#include "ReportLayout.h"

#include "GbkText.h"
#include "ReportDataBand.h"
#include "ReportDataText.h"
#include "ReportError.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"
#include "ReportTemplate.h"

namespace {

[[noreturn]] void invalidCast(const ReportComponent& found, const QString& wanted) {
    throw ReportError(QStringLiteral("无效的类型转换：报表对象%1是%2，不是%3")
                          .arg(found.name(), found.kindName(), wanted));
}

}  // namespace

ReportPage* ReportLayout::page() const {
    ReportComponent* found = project_.findComponent(QStringLiteral("Report1.Page1"));
    if (!found) return nullptr;
    auto* page = dynamic_cast<ReportPage*>(found);
    if (!page) invalidCast(*found, QStringLiteral("页面"));
    return page;
}

ReportComponent* ReportLayout::lookUp(const QString& name) const {
    ReportPage* owner = page();
    return owner ? ReportTemplate::findComponent(name, *owner) : nullptr;
}

template <typename Kind>
Kind* ReportLayout::object(const QString& name, const QString& kindName) const {
    ReportComponent* found = lookUp(name);
    if (!found) return nullptr;
    auto* object = dynamic_cast<Kind*>(found);
    if (!object) invalidCast(*found, kindName);
    return object;
}

void ReportLayout::SetRavText(const QString& name, const QString& text, int column, double width,
                              bool centre) {
    auto* object = this->object<ReportText>(name, QStringLiteral("文本"));
    if (!object) return;
    object->setText(text);
    // The small font comes first so that the centring uses the width the text is printed at.
    if (GbkText::byteLength(text) > LongTextBytes) object->setFontSize(SmallFontSize);
    if (centre) object->setLeft((width - object->width()) / 2 + columnLeft(column, width));
}

void ReportLayout::SetRavTextOnly(const QString& name, const QString& text) {
    if (auto* object = this->object<ReportText>(name, QStringLiteral("文本"))) {
        object->setText(text);
    }
}

void ReportLayout::SetRavDataText(const QString& name, const QString& field, int column,
                                  double width, bool rightAlign) {
    auto* object = this->object<ReportDataText>(name, QStringLiteral("数据文本"));
    if (!object) return;
    object->setDataField(field);
    if (rightAlign) object->setLeft(column * width + GridLeft - object->width());
}

void ReportLayout::SetRavRectangle(const QString& name, int column, double width, bool visible,
                                   bool position) {
    auto* object = this->object<ReportRectangle>(name, QStringLiteral("矩形"));
    if (!object) return;
    if (position) {
        object->setLeft(columnLeft(column, width));
        object->setWidth(width);
    }
    object->setVisible(visible);
}

void ReportLayout::SetRavVisible(const QString& name) {
    if (auto* object = this->object<ReportText>(name, QStringLiteral("文本"))) {
        object->setVisible(false);
    }
}

void ReportLayout::SetPageHeight(double millimetres) {
    ReportPage* owner = page();
    if (!owner) return;
    const double height = millimetres * InchesPerMillimetre;
    owner->setHeight(height);
    // A page without Region1 keeps its bands where they are drawn.
    auto* region = object<ReportRegion>(QStringLiteral("Region1"), QStringLiteral("区域"));
    if (!region) return;
    region->setTop(topPos_ * 0.1);
    region->setHeight(height - topPos_ * 0.1);
}

void ReportLayout::SetBandHeight(double millimetres) {
    auto* band = object<ReportDataBand>(QStringLiteral("DataBand1"), QStringLiteral("数据带"));
    if (band) band->setHeight(millimetres * InchesPerMillimetre);
}
