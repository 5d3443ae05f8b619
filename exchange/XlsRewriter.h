#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace xls {
struct Workbook;
}

// Rewrites the text cells of one sheet of an Excel 97-2003 template and keeps everything else.
// Part of the xls module (Xls.h).
//
// The template is parsed once; each rewrite() passes the text of every text cell (LABELSST,
// LABEL, RSTRING) of the chosen sheet at or below `firstRow` to a transform and writes a new
// file in which the cells whose text changed hold the new text. Every other record is copied
// byte for byte (fonts, formats, borders, merges, column widths, row heights, print settings,
// drawings, other sheets), and so are the other streams of the compound file. What has to change
// is rebuilt: the shared strings table (entries no cell uses any more dropped, new texts
// appended, CONTINUE records laid out by the rules, EXTSST recomputed), the string index of
// every LABELSST of every sheet, and every stream position that moved: BOUNDSHEET8 offsets,
// INDEX (DEFCOLWIDTH and DBCELL positions) and the relative offsets of DBCELL. A changed LABEL or
// RSTRING cell becomes a LABELSST cell; a workbook without a strings table gets one.
//
// A changed cell keeps its cell format but loses rich-text runs inside the text. Texts longer
// than Excel's 32767 characters are cut. When no cell changes, the output is the template's
// bytes.
class XlsRewriter {
  public:
    // Takes the transform's text; returns the cell's new text (the same text leaves it alone).
    using CellTransform = std::function<QString(const QString& text)>;

    // Throws XlsError when the template cannot be read or has no sheet `sheet` (found exactly,
    // else without regard to letter case).
    explicit XlsRewriter(const QByteArray& templateBytes,
                         const QString& sheet = QStringLiteral("Sheet1"), int firstRow = 1);
    static XlsRewriter load(const QString& path, const QString& sheet = QStringLiteral("Sheet1"),
                            int firstRow = 1);

    QByteArray rewrite(const CellTransform& transform) const;
    // Writes the rewritten file as a whole (QSaveFile). Throws FileError when it cannot be
    // written; nothing is then left at `path` that was not there before.
    void rewriteToFile(const QString& path, const CellTransform& transform) const;

    // The texts rewrite() passes to the transform, in stream order.
    std::vector<QString> candidateTexts() const;

  private:
    struct Candidate {
        int record;
        std::int64_t isst;  // -1 for a LABEL or RSTRING cell
        QString text;
    };

    QByteArray original_;
    std::shared_ptr<const xls::Workbook> wb_;
    std::vector<Candidate> candidates_;
    std::vector<int> candidateOf_;         // record index -> candidate index or -1
    std::vector<std::uint32_t> refs_;      // per string: LABELSST cells that are not candidates
    QHash<QString, std::uint32_t> plain_;  // text -> first entry without runs or phonetics
    std::uint32_t labelSstCount_ = 0;
};
