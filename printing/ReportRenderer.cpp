#include "ReportRenderer.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <algorithm>

#include "ReportData.h"
#include "ReportDataBand.h"
#include "ReportDataText.h"
#include "ReportDefinition.h"
#include "ReportError.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"

namespace {

// Rounding of the template's decimal lengths must not push a band that exactly fits onto the
// next sheet.
constexpr double kFitTolerance = 1e-6;
// A value is drawn smaller rather than cut or run into the next cell, but not below this.
constexpr double kSmallestValueSize = 5;

Qt::Alignment horizontal(ReportText::Alignment alignment) {
    switch (alignment) {
        case ReportText::Alignment::Center:
            return Qt::AlignHCenter;
        case ReportText::Alignment::Right:
            return Qt::AlignRight;
        case ReportText::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

constexpr int kTextFlags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;

struct Scale {
    double x;
    double y;
    QRectF rect(double left, double top, double width, double height) const {
        return QRectF(left * x, top * y, width * x, height * y);
    }
};

Scale scaleOf(const QPainter& painter) {
    return {double(painter.device()->logicalDpiX()), double(painter.device()->logicalDpiY())};
}

}  // namespace

ReportRenderer::ReportRenderer(const ReportDefinition& report, const ReportData& data)
    : data_(data) {
    for (const auto& child : report.children()) {
        if (const auto* page = dynamic_cast<const ReportPage*>(child.get())) layOut(*page);
    }
}

void ReportRenderer::layOut(const ReportPage& page) {
    const std::size_t first = sheets_.size();
    sheets_.push_back({&page, {}});
    for (const auto& regionChild : page.children()) {
        const auto* region = dynamic_cast<const ReportRegion*>(regionChild.get());
        if (!region || !region->visible()) continue;
        std::size_t sheet = first;
        double y = region->top();
        bool placedOnSheet = false;
        for (const auto& bandChild : region->children()) {
            const auto* band = dynamic_cast<const ReportDataBand*>(bandChild.get());
            if (!band || !band->visible()) continue;
            const int rows = data_.rowCount(band->connection());
            for (int row = 0; row < rows; ++row) {
                // A band taller than the region still prints, alone on its sheet.
                if (placedOnSheet && y + band->height() > region->bottom() + kFitTolerance) {
                    ++sheet;
                    if (sheet == sheets_.size()) sheets_.push_back({&page, {}});
                    y = region->top();
                }
                sheets_[sheet].bands.push_back({band, row, y});
                y += band->height();
                placedOnSheet = true;
            }
        }
    }
}

QPageLayout ReportRenderer::pageLayout(int sheet) const {
    const ReportPage& page = *sheets_.at(sheet).page;
    const QPageSize size(QSizeF(page.width(), page.height()), QPageSize::Inch, QString(),
                         QPageSize::ExactMatch);
    // The size is taken as drawn: a payslip strip wider than tall is such a paper, not a
    // turned sheet.
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Inch);
}

void ReportRenderer::paintPage(QPainter& painter, int sheet) const {
    for (const Placement& at : sheets_.at(sheet).bands) {
        for (const auto& object : at.band->children()) {
            if (object->visible()) paintObject(painter, *object, at);
        }
    }
}

void ReportRenderer::paintObject(QPainter& painter, const ReportComponent& object,
                                 const Placement& at) const {
    if (const auto* rectangle = dynamic_cast<const ReportRectangle*>(&object)) {
        paintRectangle(painter, *rectangle, at.top);
    } else if (const auto* dataText = dynamic_cast<const ReportDataText*>(&object)) {
        paintDataText(painter, *dataText, at);
    } else if (const auto* text = dynamic_cast<const ReportText*>(&object)) {
        paintText(painter, *text, at.top);
    }
}

void ReportRenderer::paintRectangle(QPainter& painter, const ReportRectangle& object,
                                    double top) const {
    const Scale scale = scaleOf(painter);
    QPen pen(Qt::black);
    pen.setWidthF(object.lineWidth() / 72.0 * scale.y);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(object.lineWidth() > 0 ? pen : QPen(Qt::NoPen));
    painter.setBrush(object.fill().isValid() ? QBrush(object.fill()) : QBrush(Qt::NoBrush));
    painter.drawRect(
        scale.rect(object.left(), top + object.top(), object.width(), object.height()));
}

void ReportRenderer::paintText(QPainter& painter, const ReportText& object, double top) const {
    if (object.text().isEmpty()) return;
    const Scale scale = scaleOf(painter);
    painter.setFont(object.font());
    painter.setPen(Qt::black);
    painter.drawText(scale.rect(object.left(), top + object.top(), object.width(), object.height()),
                     int(horizontal(object.alignment())) | kTextFlags, object.text());
}

void ReportRenderer::paintDataText(QPainter& painter, const ReportDataText& object,
                                   const Placement& at) const {
    const bool ownRow =
        object.connection().compare(at.band->connection(), Qt::CaseInsensitive) == 0;
    if (!ownRow && data_.rowCount(object.connection()) == 0) return;
    QString value = data_.text(object.connection(), ownRow ? at.row : 0, object.dataField());
    if (value.isEmpty()) return;
    const Scale scale = scaleOf(painter);
    const QRectF box = scale.rect(object.left() + object.padding(), at.top + object.top(),
                                  object.width() - 2 * object.padding(), object.height());
    QFont font = object.font();
    double width = QFontMetricsF(font, painter.device()).horizontalAdvance(value);
    if (width > box.width() && width > 0) {
        font.setPointSizeF(
            std::max(kSmallestValueSize, object.fontSize() * box.width() / width * 0.98));
        const QFontMetricsF smaller(font, painter.device());
        width = smaller.horizontalAdvance(value);
        if (width > box.width()) value = smaller.elidedText(value, Qt::ElideRight, box.width());
    }
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(box, int(horizontal(object.alignment())) | kTextFlags, value);
}

int ReportRenderer::print(QPagedPaintDevice& device, const Progress& progress) const {
    if (sheets_.empty()) return 0;
    device.setPageLayout(pageLayout(0));
    QPainter painter;
    if (!painter.begin(&device)) throw ReportError(QStringLiteral("无法开始输出报表"));
    int painted = 0;
    for (int sheet = 0; sheet < pageCount(); ++sheet) {
        if (progress && !progress(sheet + 1)) break;
        if (sheet > 0) {
            // Printers refuse a new paper while printing; the sheets of one page share it.
            const QPageLayout next = pageLayout(sheet);
            if (!device.pageLayout().isEquivalentTo(next)) device.setPageLayout(next);
            device.newPage();
        }
        paintPage(painter, sheet);
        ++painted;
    }
    painter.end();
    return painted;
}
