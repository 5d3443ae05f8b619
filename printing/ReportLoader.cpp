#include "ReportLoader.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QXmlStreamReader>
#include <cmath>

#include "ReportDataBand.h"
#include "ReportDataText.h"
#include "ReportDefinition.h"
#include "ReportError.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"
#include "ReportTemplate.h"

namespace {

struct Reading {
    QXmlStreamReader& xml;
    QString path;
    QSet<QString> pageNames;  // names used so far in the current page, lower case
};

// A broken XML text is reported as such, since whatever it makes the reading stumble over
// later is only a consequence.
[[noreturn]] void fail(const Reading& r, const QString& problem) {
    throw ReportError(QStringLiteral("报表模板%1第%2行：%3")
                          .arg(QFileInfo(r.path).fileName())
                          .arg(r.xml.lineNumber())
                          .arg(r.xml.hasError() ? r.xml.errorString() : problem));
}

void requireKnownAttributes(const Reading& r, const QStringList& known) {
    for (const QXmlStreamAttribute& attribute : r.xml.attributes()) {
        if (!known.contains(attribute.name().toString())) {
            fail(r, QStringLiteral("元素%1有未知的属性%2")
                        .arg(r.xml.name().toString(), attribute.name().toString()));
        }
    }
}

QString text(const Reading& r, const QString& attribute, bool required) {
    const QXmlStreamAttributes attributes = r.xml.attributes();
    if (!attributes.hasAttribute(attribute)) {
        if (required) {
            fail(r, QStringLiteral("元素%1缺少属性%2").arg(r.xml.name().toString(), attribute));
        }
        return QString();
    }
    return attributes.value(attribute).toString();
}

double number(const Reading& r, const QString& attribute, bool required, double otherwise = 0,
              bool mayBeNegative = false) {
    const QString value = text(r, attribute, required);
    if (value.isNull()) return otherwise;
    bool ok = false;
    const double result = value.toDouble(&ok);
    // "nan" and "inf" pass as numbers, but no length or size can be one.
    if (!ok || !std::isfinite(result) || (!mayBeNegative && result < 0)) {
        fail(r, QStringLiteral("属性%1的值“%2”不是有效的数").arg(attribute, value));
    }
    return result;
}

bool flag(const Reading& r, const QString& attribute, bool otherwise) {
    const QString value = text(r, attribute, false);
    if (value.isNull()) return otherwise;
    if (value == u"true" || value == u"1") return true;
    if (value == u"false" || value == u"0") return false;
    fail(r, QStringLiteral("属性%1的值“%2”应为true或false").arg(attribute, value));
}

QString uniqueName(Reading& r) {
    const QString name = text(r, QStringLiteral("name"), true);
    if (name.trimmed().isEmpty()) fail(r, QStringLiteral("对象名称为空"));
    const QString key = name.toLower();
    if (r.pageNames.contains(key)) fail(r, QStringLiteral("对象名称%1重复").arg(name));
    r.pageNames.insert(key);
    return name;
}

void readBox(const Reading& r, ReportComponent& component) {
    component.setLeft(number(r, QStringLiteral("left"), true, 0, true));
    component.setTop(number(r, QStringLiteral("top"), true, 0, true));
    component.setWidth(number(r, QStringLiteral("width"), true));
    component.setHeight(number(r, QStringLiteral("height"), true));
    component.setVisible(flag(r, QStringLiteral("visible"), true));
}

ReportText::Alignment alignment(const Reading& r) {
    const QString value = text(r, QStringLiteral("align"), false);
    if (value.isNull() || value == u"left") return ReportText::Alignment::Left;
    if (value == u"center") return ReportText::Alignment::Center;
    if (value == u"right") return ReportText::Alignment::Right;
    fail(r, QStringLiteral("属性align的值“%1”应为left、center或right").arg(value));
}

void readTextSettings(const Reading& r, ReportText& object) {
    readBox(r, object);
    object.setAlignment(alignment(r));
    const double size = number(r, QStringLiteral("size"), false, 9);
    if (size <= 0) fail(r, QStringLiteral("字号必须大于0"));
    const QString font = text(r, QStringLiteral("font"), false);
    object.setFont(font.isNull() ? QStringLiteral("宋体") : font, size,
                   flag(r, QStringLiteral("bold"), false));
    object.setText(text(r, QStringLiteral("text"), false));
}

const QStringList kBoxAttributes{QStringLiteral("name"),   QStringLiteral("left"),
                                 QStringLiteral("top"),    QStringLiteral("width"),
                                 QStringLiteral("height"), QStringLiteral("visible")};

QStringList withBox(QStringList more) {
    return kBoxAttributes + more;
}

std::unique_ptr<ReportComponent> readText(Reading& r) {
    requireKnownAttributes(
        r, withBox({QStringLiteral("text"), QStringLiteral("align"), QStringLiteral("font"),
                    QStringLiteral("size"), QStringLiteral("bold")}));
    auto object = std::make_unique<ReportText>(uniqueName(r));
    readTextSettings(r, *object);
    return object;
}

std::unique_ptr<ReportComponent> readDataText(Reading& r) {
    requireKnownAttributes(
        r, withBox({QStringLiteral("text"), QStringLiteral("align"), QStringLiteral("font"),
                    QStringLiteral("size"), QStringLiteral("bold"), QStringLiteral("connection"),
                    QStringLiteral("field"), QStringLiteral("padding")}));
    auto object = std::make_unique<ReportDataText>(uniqueName(r));
    readTextSettings(r, *object);
    object->setConnection(text(r, QStringLiteral("connection"), true));
    object->setDataField(text(r, QStringLiteral("field"), true));
    object->setPadding(number(r, QStringLiteral("padding"), false));
    return object;
}

std::unique_ptr<ReportComponent> readRectangle(Reading& r) {
    requireKnownAttributes(r, withBox({QStringLiteral("lineWidth"), QStringLiteral("fill")}));
    auto object = std::make_unique<ReportRectangle>(uniqueName(r));
    readBox(r, *object);
    object->setLineWidth(number(r, QStringLiteral("lineWidth"), false, 0.75));
    const QString fill = text(r, QStringLiteral("fill"), false);
    if (!fill.isNull()) {
        const QColor color = QColor::fromString(fill);
        if (!color.isValid()) fail(r, QStringLiteral("颜色“%1”无效").arg(fill));
        object->setFill(color);
    }
    return object;
}

// Reads the child elements of the current element, each by the reader given for its name.
template <typename ReadChild>
void readChildren(Reading& r, ReportComponent& owner, const QString& expected, ReadChild child) {
    while (r.xml.readNextStartElement()) {
        std::unique_ptr<ReportComponent> made = child(r);
        if (!made) {
            fail(r, QStringLiteral("元素%1里不能有元素%2").arg(expected, r.xml.name().toString()));
        }
        owner.addChild(std::move(made));
    }
}

std::unique_ptr<ReportComponent> readBandObject(Reading& r) {
    std::unique_ptr<ReportComponent> object;
    if (r.xml.name() == u"Text") object = readText(r);
    if (r.xml.name() == u"DataText") object = readDataText(r);
    if (r.xml.name() == u"Rectangle") object = readRectangle(r);
    if (!object) return object;
    if (r.xml.readNextStartElement()) fail(r, QStringLiteral("对象里不能再有元素"));
    return object;
}

std::unique_ptr<ReportComponent> readBand(Reading& r) {
    if (r.xml.name() != u"DataBand") return nullptr;
    requireKnownAttributes(r, {QStringLiteral("name"), QStringLiteral("connection"),
                               QStringLiteral("height"), QStringLiteral("visible")});
    auto band = std::make_unique<ReportDataBand>(uniqueName(r));
    band->setConnection(text(r, QStringLiteral("connection"), true));
    band->setHeight(number(r, QStringLiteral("height"), true));
    band->setVisible(flag(r, QStringLiteral("visible"), true));
    readChildren(r, *band, QStringLiteral("DataBand"), readBandObject);
    return band;
}

std::unique_ptr<ReportComponent> readRegion(Reading& r) {
    if (r.xml.name() != u"Region") return nullptr;
    requireKnownAttributes(r, kBoxAttributes);
    auto region = std::make_unique<ReportRegion>(uniqueName(r));
    readBox(r, *region);
    readChildren(r, *region, QStringLiteral("Region"), readBand);
    return region;
}

std::unique_ptr<ReportComponent> readPage(Reading& r) {
    if (r.xml.name() != u"Page") return nullptr;
    r.pageNames.clear();
    requireKnownAttributes(
        r, {QStringLiteral("name"), QStringLiteral("width"), QStringLiteral("height")});
    auto page = std::make_unique<ReportPage>(uniqueName(r));
    page->setWidth(number(r, QStringLiteral("width"), true));
    page->setHeight(number(r, QStringLiteral("height"), true));
    if (page->width() <= 0 || page->height() <= 0) fail(r, QStringLiteral("页面大小无效"));
    readChildren(r, *page, QStringLiteral("Page"), readRegion);
    return page;
}

void readProject(Reading& r, ReportTemplate& project) {
    if (!r.xml.readNextStartElement() || r.xml.name() != u"ReportProject") {
        fail(r, QStringLiteral("不是报表模板文件"));
    }
    requireKnownAttributes(r, {QStringLiteral("version"), QStringLiteral("activeReport")});
    if (text(r, QStringLiteral("version"), true) != u"1") {
        fail(r, QStringLiteral("不支持的模板版本"));
    }
    project.setActiveReport(text(r, QStringLiteral("activeReport"), false));
    QSet<QString> reportNames;
    while (r.xml.readNextStartElement()) {
        if (r.xml.name() != u"Report") {
            fail(r, QStringLiteral("元素ReportProject里不能有元素%1").arg(r.xml.name().toString()));
        }
        requireKnownAttributes(r, {QStringLiteral("name")});
        const QString name = text(r, QStringLiteral("name"), true);
        if (reportNames.contains(name.toLower()))
            fail(r, QStringLiteral("报表名称%1重复").arg(name));
        reportNames.insert(name.toLower());
        ReportDefinition& report = project.addReport(std::make_unique<ReportDefinition>(name));
        readChildren(r, report, QStringLiteral("Report"), readPage);
    }
}

}  // namespace

void ReportLoader::load(const QString& path, ReportTemplate& project) {
    QFile file(path);
    if (!file.exists()) throw ReportError(QStringLiteral("找不到报表模板文件：%1").arg(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw ReportError(QStringLiteral("无法读取报表模板文件：%1").arg(path));
    }
    QXmlStreamReader xml(&file);
    Reading reading{xml, path, {}};
    try {
        readProject(reading, project);
        if (xml.hasError()) fail(reading, xml.errorString());
    } catch (...) {
        project.close();
        throw;
    }
}
