#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "AppState.h"

class Database;
class Prompter;

// Electronic payslip files: one Excel file per salary row of a pay month, a copy of a
// template from RPT/ in which the placeholders of the cells below the first row of "Sheet1" are
// replaced by the row's values and the month's captions. The logic of the dialog
// TfrmEleEleGZBill, without widgets.
//
// The file for the i-th row is written as a whole (the template rewritten by XlsRewriter, so
// every format of it stays); a row that fails leaves no file of its name behind, so that the
// mail run never attaches a stale payslip. The template is read once per run.
//
// Mended (design.md): characters not allowed in file names and control characters in EmpName
// become "_" (fileNameFor, shared with the mail run); the final message adds a line with the
// number of files written and failed.
class EPayslipRun {
  public:
    struct Summary {
        int rows = 0;
        int written = 0;
        int failed = 0;
        // PDF files with a password: the rows whose password column is empty get no file
        // ("0003_王五").
        QStringList withoutPassword;
    };
    // What the files are: copies of the spreadsheet template, or PDF payslips drawn by the
    // payslip report templates as printing draws them.
    enum class FileKind { Spreadsheet, Pdf };
    // One placeholder and its value, in the order they are replaced.
    using Replacements = std::vector<std::pair<QString, QString>>;

    EPayslipRun(Database& db, Prompter& prompter, const QString& month, const QString& templatePath,
                const TAppParams& params);

    // --- Button13Click: the template -----------------------------------------------------

    // The template file name for the attendance setting (the text TPara gives, empty counting
    // as "0") and the counts of enabled deductions and earnings: "RPT/GZBill.xls" and so on,
    // relative to the program folder.
    static QString ChooseTemplate(const QString& printDays, int deductions, int earnings);
    // Runs the four counting queries for `month` (its own items, else BASE's) and gives the
    // template's full path below `appPath`.
    static QString TemplateForMonth(Database& db, const QString& appPath, const QString& month);

    // --- Names and values -----------------------------------------------------------------

    // folder/NNNN_EmpName.xls (.pdf for PDF files): the running number padded to 4 digits
    // (longer numbers stay as they are), EmpName with / \ : * ? " < > | and control characters
    // replaced by "_".
    static QString fileNameFor(const QString& folder, int index, const QString& empName,
                               FileKind kind = FileKind::Spreadsheet);
    static QString safeFileNamePart(const QString& text);
    // The month's salary rows in the order of both runs (department, name, then entry order).
    static QString salaryRowsSql() {
        return QStringLiteral("Select * from TGZ where GZMonth=? order by DepartName,EmpName,ID");
    }
    // One cell after ReplaceAField: the first occurrence of `placeholder` replaced by `value`,
    // or by "-" when the value is empty or blanks only; a cell without it stays as it is.
    static QString ReplaceAField(const QString& cell, const QString& placeholder,
                                 const QString& value);
    // All placeholders of one cell, in order.
    static QString ReplaceAll(const QString& cell, const Replacements& replacements);

    // ReplaceAll for the cells of many files: the placeholders are the same for every row of a
    // run, so it cuts each template text once at the placeholders ReplaceAll would replace and
    // then only joins the pieces with a row's values. That gives ReplaceAll's result whenever
    // every placeholder is one pair of brackets, no value holds "[" or "]" and the text has no
    // bracket inside brackets (no value can then make or break a placeholder); otherwise it
    // runs ReplaceAll itself.
    class CellFiller {
      public:
        void setRow(const Replacements* replacements);
        QString operator()(const QString& cell);

      private:
        // A literal text (replacement < 0) or the place of the replacement of that index.
        struct Piece {
            int replacement = -1;
            QString text;
        };
        struct Cut {
            bool nested = false;
            std::vector<Piece> pieces;
        };
        Cut cut(const QString& cell) const;

        const Replacements* row_ = nullptr;
        bool plain_ = false;
        std::vector<QString> shown_;  // each value as ReplaceAField puts it in
        QHash<QString, Cut> cuts_;
    };

    // --- Button2Click ---------------------------------------------------------------------

    // Writes PDF payslips instead of spreadsheet files, drawn by the report templates below
    // `appPath`; with `passwordColumn` (a TGZ column such as "EmpCode") each file is locked
    // with that row's value, and a row whose value is empty gets no file.
    void setPdf(const QString& appPath, std::optional<QString> passwordColumn);
    FileKind fileKind() const { return kind_; }

    // Called once the run has passed its checks, before the first file (the dialog disables
    // its start button here).
    void setStarted(std::function<void()> started) { started_ = std::move(started); }
    // Called after each row with the running number and the number of rows ("3/25").
    void setProgress(std::function<void(int, int)> progress) { progress_ = std::move(progress); }
    // Opens the folder when the user wants it (ShellOpenFile by default).
    void setOpenFolder(std::function<bool(const QString&)> open) { openFolder_ = std::move(open); }

    // Writes the files into `folder` with their messages. Empty when the run stopped
    // before writing (no folder, items unreadable).
    std::optional<Summary> Button2Click(const QString& folder);

    // The placeholders and values of one salary row (`row` holds the values of `columns`) with
    // running number `index`, for the items read by Button2Click. Throws DatabaseError when an
    // item names a column the row does not have.
    Replacements replacementsFor(const QStringList& columns, const QVariantList& row,
                                 int index) const;

    // The items the run uses: the month's, else BASE's, by type and SortIdx. Throws
    // DatabaseError.
    void ReadyItems();

    static QString finishedMessage(const Summary& summary);

  private:
    // Where each placeholder of a run takes its value: the columns and captions are the same
    // for every row, so they are found once and a row only formats its values.
    struct Slot {
        enum class Source { Fixed, Text, Plain, WholeAmount, Amount, Index };
        QString placeholder;
        Source source = Source::Fixed;
        int column = -1;
        QString fixed;
    };
    struct Plan {
        QString amountFormat;
        std::vector<Slot> entries;
    };
    // Throws DatabaseError when an enabled item names a column not in `columns`.
    Plan planFor(const QStringList& columns) const;
    // Throws DatabaseError when `row` is shorter than the columns the plan reads.
    Replacements valuesFor(const Plan& plan, const QVariantList& row, int index) const;

    void writeSpreadsheets(const QString& folder, Summary& summary);
    void writePdfFiles(const QString& folder, Summary& summary);

    struct Item {
        QString field;
        QString name;
        bool enabled;
    };

    Database& db_;
    Prompter& prompter_;
    QString month_;
    QString templatePath_;
    TAppParams params_;
    std::vector<Item> items_;
    FileKind kind_ = FileKind::Spreadsheet;
    QString appPath_;
    std::optional<QString> passwordColumn_;
    std::function<void()> started_;
    std::function<void(int, int)> progress_;
    std::function<bool(const QString&)> openFolder_;
};
