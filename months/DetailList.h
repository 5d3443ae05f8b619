#pragma once

#include <QString>
#include <vector>

#include "DetailLayout.h"
#include "RecordSet.h"

class Database;
class Prompter;

// The salary rows of one pay month as the main window lists them: the rows (`dsGZDetail`), the
// 61-column layout captioned by the month's structure, the row commands and the sort toggle.
// Printing and export read the rows and layout from here in the order and filter shown.
class DetailList {
  public:
    DetailList(Database& db, Prompter& prompter);

    RecordSet dsGZDetail;
    DetailLayout layout;

    // Re-captions the columns and loads the month's rows ordered by department and name, after
    // clearing the month's print marks. False (silently) when the rows cannot be read.
    bool ReadyGZList(const QString& month, int printDays);
    // Captions, shows and hides the attendance and amount columns for the month. Shows
    // "读取数据库发生错误！" and returns false when the structure cannot be read.
    bool ReadyGrid(const QString& month, int printDays);
    // Loads the rows of any query under the present captions, as the statistics window lists
    // several months at once. False (silently) when the rows cannot be read; the list is then
    // closed.
    bool openRows(const QString& sql, const QVariantList& params);
    int GetCol(const QString& field) const { return layout.GetCol(field); }

    // The text a cell shows: the row number for SortIdx, numbers in their column's format, the
    // entry time as "yy-MM-dd hh:nn", other values as stored.
    QString displayText(int row, int position) const;
    // The footer of a column: "合计", the row count as "12条", or the column's sum.
    QString footerText(int position) const;
    double columnSum(int position) const;

    bool loaded() const { return loaded_; }
    // Takes the loaded rows out of sight, as while the login asks for the password: loaded() is
    // false and nothing is listed until showWithheld() lists the same rows again, unread.
    void withhold();
    // False when nothing was withheld (no rows had been loaded).
    bool showWithheld();
    const QString& month() const { return month_; }
    // The group box title: "月度[<month>]工资发放明细表", "月度[XXXX]…" before any load.
    QString caption() const;
    void clear();

    // "删除明细": asks, then deletes the current row at once. False when nothing was deleted.
    bool deleteCurrent();
    // "职员数据复制": asks, then writes a copy of the current row with a new entry time. True when
    // a copy was written; the caller reloads the list and recalculates.
    bool copyCurrent();
    // "批量删除-先鼠标拖选": asks, then deletes the given rows (view positions) in one batch.
    bool deleteRows(std::vector<int> rows);

    // A click on a column title: flips the program-wide direction and sorts by that column.
    // The row-number column cannot be sorted and is ignored.
    void titleClicked(int position);
    bool sortAscending() const { return sortAscending_; }
    int sortColumn() const { return sortColumn_; }

    // Recomputes the three totals of every row from the amount columns that are shown (the
    // month's enabled items) and writes them in one batch. False when the write failed: the
    // list then shows what the table holds, and the window goes on silently.
    bool ReCalcAll();

  private:
    // Fields of the amount columns "GZ1".. or "KK1".. that are shown.
    std::vector<int> shownFields(const QString& prefix, int count) const;
    // True when a loaded row carries a print mark (SelectStu not 0).
    bool anyMarked() const;
    void setTotal(int row, int field, double total);

    Database& db_;
    Prompter& prompter_;
    QString month_;
    bool loaded_ = false;
    bool withheld_ = false;
    bool captioned_ = false;
    bool sortAscending_ = false;
    int sortColumn_ = -1;
};
