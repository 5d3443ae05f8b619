#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "SheetReader.h"

// The cells of one worksheet part of an .xlsx package, read with expat: a sheet holds most of
// a workbook's bytes, and a streaming parser that hands over UTF-8 spans reads it several times
// faster than building tokens and strings for every element. Rows are found at any depth,
// their cells are their children "c", a cell's value its child "v" or its inline string "is".
//
// A large part is cut before rows into pieces that two threads read, each piece with a parser
// of its own. The result is always that of one parser over the whole part: where a piece cannot
// be shown to read as it would there, or one fails, the part is read again by one parser.
//
// Errors: SpreadsheetError naming the sheet, for a part that is no well-formed XML or a cell
// that cannot be read.
class XlsxSheetCells {
  public:
    // A row's number in the sheet (1 for the first) and its cells, in the order of the part.
    using Rows = std::vector<std::pair<qint64, SheetReader::RowCells>>;

    // Parts below this size are read by one parser: a second thread gains nothing there.
    static constexpr qsizetype DefaultSplitSize = qsizetype(1) << 20;
    // Pieces of a part that is cut; more pieces than threads keep both busy when one
    // processor is slower.
    static constexpr std::size_t PieceCount = 8;

    // `splitSize` 0 cuts every part that allows it (for the tests); a size above the part's
    // reads it with one parser. `pieces`, when given, is set to the number of pieces the rows
    // came from (1 when one parser read the whole part).
    static Rows read(const QString& sheetName, const QStringList& sharedStrings,
                     const QByteArray& part, qsizetype splitSize = DefaultSplitSize,
                     std::size_t* pieces = nullptr);

    // Excel writes characters that XML cannot hold as "_xHHHH_" (a carriage return is
    // "_x000D_"); the text with them decoded.
    static QString decodeEscapes(const QString& text);
};
