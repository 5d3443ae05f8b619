#pragma once

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <vector>

class QFont;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class TablePreview;

// Paginates and paints the table of a TablePreview: on every page the caption, the title rows
// (a group spanning its columns, a one-level title spanning every title row), as many data rows
// as fit, and the page number; the rows beyond pDataRowCount (the footer row) follow the last
// data row in bold. Hidden columns (width 0) take no room. Columns keep their screen width
// (96 pixels per inch) as long as the table fits across portrait paper; a wider table turns
// the paper to landscape and, when it is still too wide, shrinks as a whole to the page width.
//
// The layout is worked out in points once; painting works on any device, its origin at the
// paper's top-left corner (printers print full page).
class TablePreviewPainter {
  public:
    struct Page {
        int firstRow;
        int rowCount;
    };
    // One printed title cell over the visible columns first..last (indexes into
    // visibleColumns()) and the title rows top..bottom.
    struct TitleCell {
        int first;
        int last;
        int top;
        int bottom;
        QString text;
    };

    explicit TablePreviewPainter(const TablePreview& table,
                                 const QPageSize& paper = QPageSize(QPageSize::A4));

    QPageLayout pageLayout() const;
    bool landscape() const { return landscape_; }
    // Shrink factor of the whole table, 1 when it fits at its screen size.
    double scale() const { return scale_; }
    int pageCount() const { return int(pages_.size()); }
    const std::vector<Page>& pages() const { return pages_; }
    const std::vector<int>& visibleColumns() const { return columns_; }
    const std::vector<TitleCell>& titleCells() const { return titleCells_; }

    void paintPage(QPainter& painter, int page) const;
    // Gives the device the paper and paints every page; returns the pages painted. Throws
    // ReportError when the device cannot be painted on.
    int print(QPagedPaintDevice& device) const;
    // Writes the table to a PDF file with real text; the file is replaced only when complete.
    // Throws ReportError when it cannot be written.
    static int writePdf(const TablePreview& table, const QString& path);

  private:
    class CellPainting;

    CellPainting cellPainting(const QPaintDevice* device) const;
    void paintPage(QPainter& painter, int page, CellPainting& cells) const;
    void layOut();
    void mergeTitles();
    double tableTop() const;
    QRectF columnSpan(int first, int last, double top, double height) const;
    void drawFitted(QPainter& painter, CellPainting& cells, const QRectF& points,
                    const QString& text, bool bold, int alignment) const;
    QRectF device(const QPainter& painter, const QRectF& points) const;

    const TablePreview& table_;
    QPageSize paper_;
    bool landscape_ = false;
    double scale_ = 1;
    double rowHeight_ = 12;  // points, scaled
    int titleRows_ = 0;
    std::vector<int> columns_;
    std::vector<double> lefts_;   // points from the paper's left edge, scaled
    std::vector<double> widths_;  // points, scaled
    std::vector<TitleCell> titleCells_;
    std::vector<Page> pages_;
};
