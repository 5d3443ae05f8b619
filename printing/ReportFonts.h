#pragma once

#include <QFont>
#include <QString>

// The fonts of report texts. Templates name their faces as drawn on Windows (宋体); where such
// a face is missing the Song face AR PL UMing CN is named explicitly, since the faces
// fontconfig would pick instead can write a PDF text layer that does not read back as the same
// characters. Measuring happens at a fixed high resolution, so widths do not depend on the
// screen and match what the PDF and printer output draw.
class ReportFonts {
  public:
    ReportFonts() = delete;

    // The installed face used for `family`.
    static QString resolveFamily(const QString& family);
    // A font of an installed face, as resolveFamily() gives it.
    static QFont font(const QString& face, double points, bool bold);
    // Width of `text` in inches when drawn in `font`.
    static double textWidth(const QFont& font, const QString& text);
    // Height of one line of `font` in inches.
    static double lineHeight(const QFont& font);
};
