#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <utility>

namespace xls {
struct Workbook;
}

// The cells of one worksheet as text, by (row, column), both from 0.
class XlsSheetText {
  public:
    QString name;
    std::map<std::pair<int, int>, QString> cells;

    // Empty for a cell that holds nothing.
    QString text(int row, int column) const;
    // One more than the last row / column that holds a cell (0 for an empty sheet).
    int rowCount() const;
    int columnCount() const;
    // All cells row by row, rowCount() lists of columnCount() texts (so as large as the
    // furthest cell makes it: check rowCount() and columnCount() first for untrusted files).
    QList<QStringList> grid() const;
};

// Reads an Excel 97-2003 workbook: its sheet names and the cells of a sheet as text. Part of the
// xls module (Xls.h). Text cells come from the shared strings (LABELSST) or stand in the cell
// (LABEL, RSTRING); numbers (NUMBER, RK, MULRK, FORMULA results) in their shortest decimal form
// ("22", "21.5"); Booleans as TRUE/FALSE and errors as Excel shows them (#DIV/0!). Blank cells
// hold nothing. Throws XlsError for a file that is not a workbook, is damaged or truncated,
// encrypted or older than BIFF8.
class XlsWorkbook {
  public:
    static XlsWorkbook load(const QString& path);
    static XlsWorkbook fromBytes(const QByteArray& fileBytes);

    QStringList sheetNames() const;
    // The sheet named `name` exactly, else without regard to letter case; -1 when none.
    int sheetIndex(const QString& name) const;
    XlsSheetText sheet(int index) const;
    XlsSheetText sheet(const QString& name) const;

    // The name of the workbook stream: "Workbook", or "Book" in files of some other programs.
    QString streamName() const;

  private:
    std::shared_ptr<const xls::Workbook> book_;
};

// Reads a whole file into memory; throws XlsError naming the file when it cannot be read.
QByteArray XlsReadFile(const QString& path);

// A number as the reader shows it: whole numbers without decimals, others with at most 15
// significant digits and no trailing zeros ("22", "21.5").
QString XlsNumberText(double value);
