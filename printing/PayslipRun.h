#pragma once

#include <QString>
#include <QVariantMap>
#include <vector>

#include "AppState.h"
#include "ReportTemplate.h"

class Database;
class DetailList;
class Prompter;
class ReportLayout;
class ReportOutput;

// "打印工资条": one payslip per salary row of the detail list. A run works out the month's
// structure (its own items or the template's), counts the enabled earnings and deductions,
// chooses one of the nine templates in RPT/ by these counts and the attendance setting, loads
// it fresh, sizes the page, writes the title, captions and binds the amount columns (placing
// them itself when there are at most 10 earnings and 5 deductions, else keeping the template's
// positions), blanks and hides the columns left over, sets the leading column and the
// attendance captions, and hands the report to the output.
//
// Errors: reading or filling the earnings, or reading the deductions, shows
// "读取数据库发生错误！" and prints nothing. A missing or broken template, or an object of the
// wrong kind outside the earnings, throws ReportError for the general error box.
class PayslipRun {
  public:
    PayslipRun(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
               const TAppParams& params);

    // The template, relative to the program folder, for the attendance setting as read from
    // TPara (as text) and the counts of enabled deductions and earnings.
    static QString ChooseTemplate(const QString& printDays, int deductions, int earnings);
    // True when the run places the columns itself rather than keeping the template's layout.
    static bool UsesComputedLayout(int deductions, int earnings) {
        return deductions <= 5 && earnings <= 10;
    }

    // Loads and fills the template without printing. False when the run ended with a message.
    bool prepare();
    // "全部打印": prepares and prints every row the list shows. True when something was
    // printed.
    bool printAll(ReportOutput& output);
    // "打印选定行": marks the given rows (view positions of the list; the current row when none
    // is given), shows only the marked rows while printing, then shows all rows again and
    // clears the marks, also when the printing failed.
    bool printSelected(const std::vector<int>& rows, ReportOutput& output);

    // The template as the last run left it; it stays loaded until the next run.
    ReportTemplate& project() { return RvProject1; }
    // The month whose items were printed ("BASE" when the month has none of its own).
    const QString& itemsMonth() const { return itemsMonth_; }

  private:
    enum class Deductions { Failed, None, Filled };

    QString singleValue(const QString& sql, const QVariantList& params = {});
    QVariantMap parameterRow();
    void fillTitle(ReportLayout& layout, const QVariantMap& parameters);
    bool fillEarnings(ReportLayout& layout, bool computed);
    Deductions fillDeductions(ReportLayout& layout, bool computed);
    void fillLeadingColumn(ReportLayout& layout);
    void fillAttendanceCaptions(ReportLayout& layout);
    void markRows(const std::vector<int>& rows);
    void clearMarks(const QString& filter);

    Database& db_;
    Prompter& prompter_;
    QString appPath_;
    DetailList& list_;
    TAppParams params_;
    ReportTemplate RvProject1;
    QString itemsMonth_;
};

// Runs "全部打印" (or, with `selectedOnly`, "打印选定行" over `selectedRows`) straight into
// the PDF file `pdfPath`, without any window. True when the file was written; messages go to
// `prompter`. Throws ReportError and DatabaseError as PayslipRun does. Fonts need a
// QGuiApplication (a command-line caller without a display uses the offscreen platform).
bool PrintPayslipsToPdf(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
                        const TAppParams& params, const std::vector<int>& selectedRows,
                        bool selectedOnly, const QString& pdfPath);
