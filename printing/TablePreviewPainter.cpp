#include "TablePreviewPainter.h"

#include <QFontMetricsF>
#include <QHash>
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

// What the cells of the pages painted in one go share. A table of thousands of rows repeats
// most of its texts (amounts, departments), and QFontMetricsF and QPainter::setFont resolve a
// font for the device anew on every call: the metrics are made once, widths measured once per
// text, and the painter given a font only when it changes.
class TablePreviewPainter::CellPainting {
  public:
    CellPainting(const QPaintDevice* device, const QFont& regular, const QFont& bold)
        : device_(device),
          fonts_{regular, bold},
          metrics_{QFontMetricsF(regular, device), QFontMetricsF(bold, device)} {}

    const QFont& font(bool bold) const { return fonts_[bold ? 1 : 0]; }

    double width(bool bold, const QString& text) {
        QHash<QString, double>& widths = widths_[bold ? 1 : 0];
        const auto known = widths.constFind(text);
        if (known != widths.cend()) return *known;
        const double wide = metrics_[bold ? 1 : 0].horizontalAdvance(text);
        widths.insert(text, wide);
        return wide;
    }

    double width(const QFont& font, const QString& text) const {
        return QFontMetricsF(font, device_).horizontalAdvance(text);
    }

    void use(QPainter& painter, const QFont& font) {
        if (hasCurrent_ && current_ == font) return;
        painter.setFont(font);
        current_ = font;
        hasCurrent_ = true;
    }

    // After QPainter::restore() the painter's font is no longer the one last given.
    void forgetFont() { hasCurrent_ = false; }

  private:
    const QPaintDevice* device_;
    QFont fonts_[2];
    QFontMetricsF metrics_[2];
    QHash<QString, double> widths_[2];
    QFont current_;
    bool hasCurrent_ = false;
};

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

void TablePreviewPainter::drawFitted(QPainter& painter, CellPainting& cells, const QRectF& points,
                                     const QString& text, bool bold, int alignment) const {
    if (text.isEmpty()) return;
    const QRectF inner =
        device(painter, points.adjusted(kPadding * scale_, 0, -kPadding * scale_, 0));
    // A cut-off amount would mislead: a text wider than its cell shrinks until it fits.
    double wide = cells.width(bold, text);
    if (wide <= inner.width()) {
        cells.use(painter, cells.font(bold));
    } else {
        QFont fitted = cells.font(bold);
        double size = fitted.pointSizeF();
        while (wide > inner.width() && size > kSmallestPoints) {
            size = std::max(kSmallestPoints, std::min(size - 0.25, size * inner.width() / wide));
            fitted.setPointSizeF(size);
            wide = cells.width(fitted, text);
        }
        cells.use(painter, fitted);
    }
    painter.drawText(inner, int(qtAlignment(alignment)) | Qt::TextSingleLine, text);
}

TablePreviewPainter::CellPainting TablePreviewPainter::cellPainting(
    const QPaintDevice* device) const {
    const QString face = songFace();
    return CellPainting(device, ReportFonts::font(face, kCellPoints * scale_, false),
                        ReportFonts::font(face, kCellPoints * scale_, true));
}

void TablePreviewPainter::paintPage(QPainter& painter, int page) const {
    CellPainting cells = cellPainting(painter.device());
    paintPage(painter, page, cells);
}

void TablePreviewPainter::paintPage(QPainter& painter, int page, CellPainting& cells) const {
    if (page < 0 || page >= pageCount()) return;
    const QString face = songFace();
    const QSizeF sheet = pageLayout().fullRect(QPageLayout::Point).size();
    painter.save();
    cells.forgetFont();
    QPen pen(Qt::black);
    pen.setWidthF(0.5 * painter.device()->logicalDpiX() / 72.0);
    painter.setPen(pen);

    if (!table_.pCaption().isEmpty()) {
        const QRectF line(kMargin, kMargin, sheet.width() - 2 * kMargin, kCaptionHeight - 6);
        cells.use(painter, ReportFonts::font(face, kCaptionPoints, true));
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
            drawFitted(painter, cells, area, cell.text, false, TablePreview::AlignCenter);
        }
        const Page& rows = pages_[page];
        double y = top + titleRows_ * rowHeight_;
        for (int row = rows.firstRow; row < rows.firstRow + rows.rowCount; ++row) {
            const bool footer = row >= table_.pDataRowCount();
            for (int v = 0; v < int(columns_.size()); ++v) {
                const QRectF area(lefts_[v], y, widths_[v], rowHeight_);
                painter.drawRect(device(painter, area));
                drawFitted(painter, cells, area, table_.dataCell(columns_[v], row), footer,
                           table_.colAlign(columns_[v]));
            }
            y += rowHeight_;
        }
    }

    const QRectF number(kMargin, sheet.height() - kMargin - kPageNumberHeight + 4,
                        sheet.width() - 2 * kMargin, kPageNumberHeight - 4);
    cells.use(painter, ReportFonts::font(face, kPageNumberPoints, false));
    painter.drawText(device(painter, number), Qt::AlignCenter | Qt::TextSingleLine,
                     QStringLiteral("第%1页/共%2页").arg(page + 1).arg(pageCount()));
    painter.restore();
    cells.forgetFont();
}

int TablePreviewPainter::print(QPagedPaintDevice& target) const {
    target.setPageLayout(pageLayout());
    QPainter painter;
    if (!painter.begin(&target)) throw ReportError(QStringLiteral("无法开始输出表格"));
    CellPainting cells = cellPainting(&target);
    for (int page = 0; page < pageCount(); ++page) {
        if (page > 0) target.newPage();
        paintPage(painter, page, cells);
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
