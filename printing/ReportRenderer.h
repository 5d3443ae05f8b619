#pragma once

#include <QPageLayout>
#include <QSizeF>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class ReportComponent;
class ReportData;
class ReportDataBand;
class ReportDataText;
class ReportDefinition;
class ReportPage;
class ReportRectangle;
class ReportText;

// Lays out and paints a loaded report: each data band is printed once per row of its
// connection, stacked down its region from the region's top; a band that no longer fits below
// the last one starts a new sheet. Every page of the report gives at least one sheet, so a
// report over no rows prints blank sheets.
//
// Objects of a band that print a data field take the band's row when they read the band's
// connection, and the first row of any other connection (the parameters row).
class ReportRenderer {
  public:
    struct Placement {
        const ReportDataBand* band;
        int row;
        double top;  // inches from the sheet's top
    };
    struct Sheet {
        const ReportPage* page;
        std::vector<Placement> bands;
    };

    // Called before each sheet is painted with its number (from 1); false stops the output.
    using Progress = std::function<bool(int sheet)>;

    ReportRenderer(const ReportDefinition& report, const ReportData& data);

    int pageCount() const { return int(sheets_.size()); }
    const std::vector<Sheet>& sheets() const { return sheets_; }
    // The paper of the sheet (its template page's size), without margins.
    QPageLayout pageLayout(int sheet) const;

    // Paints one sheet with the painter's origin at the paper's top-left corner.
    void paintPage(QPainter& painter, int sheet) const;
    // Gives the device each sheet's paper and paints every sheet onto it. Returns the number of
    // sheets painted (fewer when `progress` stopped the output). Throws ReportError when the
    // device cannot be painted on.
    int print(QPagedPaintDevice& device, const Progress& progress = {}) const;

  private:
    void layOut(const ReportPage& page);
    void paintObject(QPainter& painter, const ReportComponent& object, const Placement& at) const;
    void paintRectangle(QPainter& painter, const ReportRectangle& object, double top) const;
    void paintText(QPainter& painter, const ReportText& object, double top) const;
    void paintDataText(QPainter& painter, const ReportDataText& object, const Placement& at) const;

    const ReportData& data_;
    std::vector<Sheet> sheets_;
};
