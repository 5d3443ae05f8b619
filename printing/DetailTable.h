#pragma once

#include <QString>
#include <vector>

class Database;
class DetailLayout;
class DetailList;
class Prompter;
class TablePreview;
struct TAppParams;

// The detail list printed as a table: how the table preview is filled from a list grid (its
// columns, titles, rows and footer), and how "打印明细表" narrows the amount columns first.
class DetailTable {
  public:
    DetailTable() = delete;

    // The row height of the detail grids, in pixels.
    static constexpr int GridRowHeight = 20;
    // "打印明细表" narrows the columns at these grid positions (GZ1 to KK2) and sets them back
    // to RestoredWidth afterwards.
    static constexpr int FirstNarrowed = 10;
    static constexpr int LastNarrowed = 42;
    static constexpr int RestoredWidth = 52;
    static constexpr int MinimumWidth = 26;
    static constexpr int PixelsPerCharacter = 13;

    // Title rows a column title needs: its vertical bars plus 1.
    static int GetMaxTitleRow(const QString& title);

    // Fills `preview` from a list grid: every column of the layout (hidden ones with width 0),
    // the titles split into as many title rows as the deepest title needs, one data row per
    // record in the list's order with the texts the grid shows, and the footer row ("合计",
    // the row count, the sums) as data row number pDataRowCount. `rowHeight` 0 means 16.
    static void ReadyData1(TablePreview& preview, const QString& title, const DetailList& list,
                           int rowHeight);
    // The same for some rows of the list only (view positions, in the order given); the footer
    // row counts and sums the rows given.
    static void ReadyRows(TablePreview& preview, const QString& title, const DetailList& list,
                          int rowHeight, const std::vector<int>& rows);

    // The width "打印明细表" gives a column: 13 pixels per character of the title after its
    // first bar, unless that is "合计" (the width stays), and never below 26.
    static int narrowedWidth(const QString& title, int width);
    static void narrowAmountColumns(DetailLayout& layout);
    static void restoreAmountColumns(DetailLayout& layout);

    // The command-line form of "打印明细表": loads the month's list, narrows the amount columns
    // and writes the table, titled like the list's group box, to the PDF file `path`. Returns
    // the pages written, 0 with "无查询结果！" when the list cannot be loaded. Throws
    // ReportError when the file cannot be written; fonts need a QGuiApplication.
    static int writeMonthPdf(Database& db, Prompter& prompter, const TAppParams& params,
                             const QString& month, const QString& path);
};
