#pragma once

#include <QString>
#include <vector>

class XlsWriter;

// The eight electronic payslip templates RPT/GZBill*.xls: real Excel 97-2003 files
// drawn with XlsWriter, one sheet "Sheet1". Row 1 is a fixed note (the spreadsheet connection of
// the original read it as column headings, so nothing in it is replaced); below it the payslip:
// a title with the company and the month, the running number, name and month, the attendance
// cells of the two attendance templates, the item captions over their amounts in rows of ten
// (earnings, then deductions), the three totals under their captions, and a closing line with
// the net pay inside the text. Thin borders, captions shaded, A4 landscape one page wide.
namespace EPayslipTemplates {

enum class Attendance { None, Days, Hours };

struct Design {
    QString fileName;  // "GZBill.xls"
    int earnings;      // [工资项目1]/[GZ1] .. [工资项目n]/[GZn]
    int deductions;    // [扣款项目1]/[KK1] .. [扣款项目n]/[KKn]
    Attendance attendance;
};

// The eight designs, in the order of the template table.
const std::vector<Design>& designs();
void build(const Design& design, XlsWriter& writer);
// Writes the eight files into `folder` (created when missing). Throws FileError.
void writeAll(const QString& folder);

}  // namespace EPayslipTemplates
