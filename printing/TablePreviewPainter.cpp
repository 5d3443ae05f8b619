#include "TablePreviewPainter.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

#include "ReportError.h"
#include "ReportFonts.h"
#include "TablePreview.h"

namespace {

constexpr double kPointsPerPixel = 72.0 / 96.0;
constexpr double kMargin = 15 / 25.4 * 72;  // 15 mm
constexpr double kCellPoints = 9;
constexpr double kCaptionPoints = 14;
constexpr double kCaptionHeight = 28;  // caption line and the gap below it
constexpr double kPageNumberPoints = 9;
constexpr double kPageNumberHeight = 18;
constexpr double kPadding = 2;
constexpr double kSmallestPoints = 1;
constexpr int kMinimumRowPixels = 8;

QString songFace() {
    return ReportFonts::resolveFamily(QStringLiteral("宋体"));
}

Qt::Alignment qtAlignment(int alignment) {
    switch (alignment) {
        case TablePreview::AlignCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case TablePreview::AlignRight:
            return Qt::AlignRight | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

}  // namespace

TablePreviewPainter::TablePreviewPainter(const TablePreview& table, const QPageSize& paper)
    : table_(table), paper_(paper) {
    layOut();
    mergeTitles();
}

QPageLayout TablePreviewPainter::pageLayout() const {
    return QPageLayout(paper_, landscape_ ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

void TablePreviewPainter::layOut() {
    columns_ = table_.visibleColumns();
    double natural = 0;
    for (int column : columns_) natural += table_.colWidth(column) * kPointsPerPixel;

    const QSizeF portrait = paper_.size(QPageSize::Point);
    const double portraitWidth = portrait.width() - 2 * kMargin;
    landscape_ = natural > portraitWidth;
    const QSizeF sheet = landscape_ ? portrait.transposed() : portrait;
    const double available = sheet.width() - 2 * kMargin;
    scale_ = natural > available ? available / natural : 1.0;

    // Narrow tables stand in the middle of the sheet.
    double left = kMargin + (available - natural * scale_) / 2;
    for (int column : columns_) {
        const double width = table_.colWidth(column) * kPointsPerPixel * scale_;
        lefts_.push_back(left);
        widths_.push_back(width);
        left += width;
    }

    rowHeight_ = std::max(table_.pRowHeight(), kMinimumRowPixels) * kPointsPerPixel * scale_;
    titleRows_ = std::max(table_.pHeaderRowCount(), 0);
    const double body =
        sheet.height() - tableTop() - titleRows_ * rowHeight_ - kPageNumberHeight - kMargin;
    const int perPage = std::max(1, int(std::floor(body / rowHeight_)));
    const int rows = table_.printedDataRows();
    for (int first = 0; first < rows; first += perPage) {
        pages_.push_back({first, std::min(perPage, rows - first)});
    }
    if (pages_.empty()) pages_.push_back({0, 0});
}

double TablePreviewPainter::tableTop() const {
    return kMargin + (table_.pCaption().isEmpty() ? 0 : kCaptionHeight);
}

void TablePreviewPainter::mergeTitles() {
    const int n = int(columns_.size());
    const int rows = titleRows_;
    const auto text = [&](int v, int row) { return table_.titleCell(columns_[v], row); };
    // The row from which a column's title no longer changes: its last level, which stands
    // alone and reaches down to the last title row.
    std::vector<int> leaf(n, 0);
    for (int v = 0; v < n; ++v) {
        int row = rows - 1;
        while (row > 0 && text(v, row - 1) == text(v, row)) --row;
        leaf[v] = std::max(row, 0);
    }
    const auto samePath = [&](int a, int b, int row) {
        for (int r = 0; r <= row; ++r) {
            if (text(a, r) != text(b, r)) return false;
        }
        return true;
    };
    for (int row = 0; row < rows; ++row) {
        for (int v = 0; v < n;) {
            if (row > leaf[v]) {
                ++v;
                continue;
            }
            if (row == leaf[v]) {
                titleCells_.push_back({v, v, row, rows - 1, text(v, row)});
                ++v;
                continue;
            }
            int last = v;
            while (last + 1 < n && row < leaf[last + 1] && samePath(v, last + 1, row)) ++last;
            titleCells_.push_back({v, last, row, row, text(v, row)});
            v = last + 1;
        }
    }
}

QRectF TablePreviewPainter::columnSpan(int first, int last, double top, double height) const {
    return QRectF(lefts_[first], top, lefts_[last] + widths_[last] - lefts_[first], height);
}

QRectF TablePreviewPainter::device(const QPainter& painter, const QRectF& points) const {
    const double x = painter.device()->logicalDpiX() / 72.0;
    const double y = painter.device()->logicalDpiY() / 72.0;
    return QRectF(points.x() * x, points.y() * y, points.width() * x, points.height() * y);
}

void TablePreviewPainter::drawFitted(QPainter& painter, const QRectF& points, const QString& text,
                                     const QFont& font, int alignment) const {
    if (text.isEmpty()) return;
    const QRectF inner =
        device(painter, points.adjusted(kPadding * scale_, 0, -kPadding * scale_, 0));
    // A cut-off amount would mislead: a text wider than its cell shrinks until it fits.
    QFont fitted = font;
    double size = fitted.pointSizeF();
    double wide = QFontMetricsF(fitted, painter.device()).horizontalAdvance(text);
    while (wide > inner.width() && size > kSmallestPoints) {
        size = std::max(kSmallestPoints, std::min(size - 0.25, size * inner.width() / wide));
        fitted.setPointSizeF(size);
        wide = QFontMetricsF(fitted, painter.device()).horizontalAdvance(text);
    }
    painter.setFont(fitted);
    painter.drawText(inner, int(qtAlignment(alignment)) | Qt::TextSingleLine, text);
}

void TablePreviewPainter::paintPage(QPainter& painter, int page) const {
    if (page < 0 || page >= pageCount()) return;
    const QString face = songFace();
    const QFont cellFont = ReportFonts::font(face, kCellPoints * scale_, false);
    const QFont boldFont = ReportFonts::font(face, kCellPoints * scale_, true);
    const QSizeF sheet = pageLayout().fullRect(QPageLayout::Point).size();
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(0.5 * painter.device()->logicalDpiX() / 72.0);
    painter.setPen(pen);

    if (!table_.pCaption().isEmpty()) {
        const QRectF line(kMargin, kMargin, sheet.width() - 2 * kMargin, kCaptionHeight - 6);
        painter.setFont(ReportFonts::font(face, kCaptionPoints, true));
        painter.drawText(device(painter, line), Qt::AlignCenter | Qt::TextSingleLine,
                         table_.pCaption());
    }

    const double top = tableTop();
    if (!columns_.empty()) {
        for (const TitleCell& cell : titleCells_) {
            const QRectF area = columnSpan(cell.first, cell.last, top + cell.top * rowHeight_,
                                           (cell.bottom - cell.top + 1) * rowHeight_);
            painter.fillRect(device(painter, area), QColor(0xe8, 0xe8, 0xe8));
            painter.drawRect(device(painter, area));
            drawFitted(painter, area, cell.text, cellFont, TablePreview::AlignCenter);
        }
        const Page& rows = pages_[page];
        double y = top + titleRows_ * rowHeight_;
        for (int row = rows.firstRow; row < rows.firstRow + rows.rowCount; ++row) {
            const bool footer = row >= table_.pDataRowCount();
            for (int v = 0; v < int(columns_.size()); ++v) {
                const QRectF area(lefts_[v], y, widths_[v], rowHeight_);
                painter.drawRect(device(painter, area));
                drawFitted(painter, area, table_.dataCell(columns_[v], row),
                           footer ? boldFont : cellFont, table_.colAlign(columns_[v]));
            }
            y += rowHeight_;
        }
    }

    const QRectF number(kMargin, sheet.height() - kMargin - kPageNumberHeight + 4,
                        sheet.width() - 2 * kMargin, kPageNumberHeight - 4);
    painter.setFont(ReportFonts::font(face, kPageNumberPoints, false));
    painter.drawText(device(painter, number), Qt::AlignCenter | Qt::TextSingleLine,
                     QStringLiteral("第%1页/共%2页").arg(page + 1).arg(pageCount()));
    painter.restore();
}

int TablePreviewPainter::print(QPagedPaintDevice& target) const {
    target.setPageLayout(pageLayout());
    QPainter painter;
    if (!painter.begin(&target)) throw ReportError(QStringLiteral("无法开始输出表格"));
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0) target.newPage();
        paintPage(painter, page);
    }
    painter.end();
    return pageCount();
}

int TablePreviewPainter::writePdf(const TablePreview& table, const QString& path) {
    const TablePreviewPainter painter(table);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(QStringLiteral("无法写入文件：%1").arg(path));
    }
    int written = 0;
    {
        QPdfWriter writer(&file);
        writer.setTitle(table.pCaption());
        writer.setCreator(QStringLiteral("工资条制作打印软件"));
        writer.setResolution(1200);
        written = painter.print(writer);
    }
    if (!file.commit()) throw ReportError(QStringLiteral("无法写入文件：%1").arg(path));
    return written;
}
