#pragma once

#include <QString>

class ReportComponent;
class ReportPage;
class ReportTemplate;

// The operations the payslip run changes a loaded template with. Every object is looked up in
// the page "Report1.Page1" by name without regard to letter case; a missing page or name makes
// the operation do nothing, while an object of another kind than the operation handles raises
// ReportError (an invalid type cast).
//
// Geometry: lengths in inches; millimetres are converted with 0.0394 inch per millimetre; the
// top margin is given in tenths of an inch. A row of columns of width w starts 0.7 inch from
// the page's left edge: column c (from 1) spans 0.7 + (c − 1)·w to 0.7 + c·w.
class ReportLayout {
  public:
    static constexpr double InchesPerMillimetre = 0.0394;
    static constexpr double GridLeft = 0.7;
    // Texts wider than this many GBK bytes are printed at SmallFontSize points.
    static constexpr int LongTextBytes = 8;
    static constexpr double SmallFontSize = 8;

    // `topPos`: the top margin in tenths of an inch.
    ReportLayout(ReportTemplate& project, int topPos) : project_(project), topPos_(topPos) {}

    static double columnLeft(int column, double width) { return GridLeft + (column - 1) * width; }

    // Sets the text; a text of more than 8 GBK bytes gets the small font; with `centre` the
    // text is then centred in column `column` of width `width`.
    void SetRavText(const QString& name, const QString& text, int column, double width,
                    bool centre);
    void SetRavTextOnly(const QString& name, const QString& text);
    // Binds the data text to `field`; with `rightAlign` its right edge goes to the right edge
    // of the column.
    void SetRavDataText(const QString& name, const QString& field, int column, double width,
                        bool rightAlign);
    // With `position` the rectangle covers the column; then it is shown or hidden.
    void SetRavRectangle(const QString& name, int column, double width, bool visible,
                         bool position);
    // Hides a text (a data text is a text too).
    void SetRavVisible(const QString& name);
    // Page height in millimetres; Region1 then covers the page below the top margin.
    void SetPageHeight(double millimetres);
    void SetBandHeight(double millimetres);

  private:
    ReportPage* page() const;
    ReportComponent* lookUp(const QString& name) const;
    template <typename Kind>
    Kind* object(const QString& name, const QString& kindName) const;

    ReportTemplate& project_;
    int topPos_;
};
