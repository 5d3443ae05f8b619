#include "EPayslipTemplates.h"

#include <QDir>

#include "FileError.h"
#include "XlsWriter.h"

namespace EPayslipTemplates {

namespace {

constexpr int kItemColumns = 10;  // columns B..K
constexpr int kLastColumn = kItemColumns;

struct Formats {
    int banner, title, label, caption, value, total, note, blank;
};

Formats addFormats(XlsWriter& w) {
    using F = XlsWriter::Format;
    using H = XlsWriter::HAlign;
    XlsWriter::Font small;
    small.points = 9;
    small.color = 23;  // grey
    XlsWriter::Font title;
    title.points = 16;
    title.bold = true;
    XlsWriter::Font bold;
    bold.bold = true;
    XlsWriter::Font regular;
    XlsWriter::Font note;
    note.points = 9;
    const int smallFont = w.addFont(small);
    const int titleFont = w.addFont(title);
    const int boldFont = w.addFont(bold);
    const int regularFont = w.addFont(regular);
    const int noteFont = w.addFont(note);

    const auto boxed = [](F f) {
        f.left = f.right = f.top = f.bottom = XlsWriter::Thin;
        return f;
    };
    Formats fm{};
    F banner;
    banner.font = smallFont;
    banner.halign = H::Center;
    fm.banner = w.addFormat(banner);
    F heading;
    heading.font = titleFont;
    heading.halign = H::Center;
    fm.title = w.addFormat(heading);
    F label = boxed({});
    label.font = boldFont;
    label.halign = H::Center;
    label.wrap = true;
    label.fill = 44;  // pale blue
    fm.label = w.addFormat(label);
    F caption = boxed({});
    caption.font = regularFont;
    caption.halign = H::Center;
    caption.wrap = true;
    caption.fill = 41;  // light turquoise
    fm.caption = w.addFormat(caption);
    F value = boxed({});
    value.font = regularFont;
    value.halign = H::Center;
    fm.value = w.addFormat(value);
    F total = boxed({});
    total.font = boldFont;
    total.halign = H::Center;
    fm.total = w.addFormat(total);
    F closing;
    closing.font = noteFont;
    closing.halign = H::Left;
    closing.wrap = true;
    fm.note = w.addFormat(closing);
    fm.blank = w.addFormat(boxed({}));
    return fm;
}

// A text over columns first..last of one row, merged when wider than one cell; the other cells
// of the merge carry the same format so that the borders go all round.
void across(XlsWriter::Sheet& s, int row, int first, int last, const QString& text, int format) {
    if (text.isEmpty()) {
        s.setBlank(row, first, format);
    } else {
        s.setText(row, first, text, format);
    }
    for (int c = first + 1; c <= last; ++c) s.setBlank(row, c, format);
    if (last > first) s.merge(row, row, first, last);
}

void down(XlsWriter::Sheet& s, int firstRow, int lastRow, int column, const QString& text,
          int format) {
    s.setText(firstRow, column, text, format);
    for (int r = firstRow + 1; r <= lastRow; ++r) s.setBlank(r, column, format);
    if (lastRow > firstRow) s.merge(firstRow, lastRow, column, column);
}

// Caption and amount rows, ten items a row; returns the next free row.
int itemBlock(XlsWriter::Sheet& s, int row, int count, const QString& title,
              const QString& captionWord, const QString& amountWord, const Formats& fm) {
    if (count <= 0) return row;
    const int lines = (count + kItemColumns - 1) / kItemColumns;
    down(s, row, row + 2 * lines - 1, 0, title, fm.label);
    for (int line = 0; line < lines; ++line) {
        const int captions = row + 2 * line;
        s.setRowHeight(captions, 27);
        s.setRowHeight(captions + 1, 20);
        for (int c = 1; c <= kItemColumns; ++c) {
            const int n = line * kItemColumns + c;
            if (n <= count) {
                s.setText(captions, c, QStringLiteral("[%1%2]").arg(captionWord).arg(n),
                          fm.caption);
                s.setText(captions + 1, c, QStringLiteral("[%1%2]").arg(amountWord).arg(n),
                          fm.value);
            } else {
                s.setBlank(captions, c, fm.caption);
                s.setBlank(captions + 1, c, fm.value);
            }
        }
    }
    return row + 2 * lines;
}

}  // namespace

const std::vector<Design>& designs() {
    static const std::vector<Design> list{
        {QStringLiteral("GZBillWithDay.xls"), 30, 15, Attendance::Days},
        {QStringLiteral("GZBillWithHour.xls"), 30, 15, Attendance::Hours},
        {QStringLiteral("GZBillNoKK.xls"), 30, 0, Attendance::None},
        {QStringLiteral("GZBill.xls"), 10, 5, Attendance::None},
        {QStringLiteral("GZBill20_5.xls"), 20, 5, Attendance::None},
        {QStringLiteral("GZBill10_10.xls"), 10, 10, Attendance::None},
        {QStringLiteral("GZBill20_10.xls"), 20, 10, Attendance::None},
        {QStringLiteral("GZBill30_15.xls"), 30, 15, Attendance::None},
    };
    return list;
}

void build(const Design& design, XlsWriter& w) {
    const Formats fm = addFormats(w);
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    s.setShowGridlines(false);
    XlsWriter::PageSetup& page = s.pageSetup();
    page.landscape = true;
    page.fitToWidth = true;
    page.centerHorizontally = true;
    page.left = page.right = 0.4;
    page.top = page.bottom = 0.6;
    s.setColumnWidth(0, 12);
    for (int c = 1; c <= kItemColumns; ++c) s.setColumnWidth(c, 11);

    // Row 1 stays as it is in every payslip.
    across(s, 0, 0, kLastColumn, QStringLiteral("电子工资条（仅供员工本人查阅，请注意保密）"),
           fm.banner);
    s.setRowHeight(0, 16);
    across(s, 1, 0, kLastColumn, QStringLiteral("[单位名称]　[GZMonth] 工资条"), fm.title);
    s.setRowHeight(1, 30);

    int row = 2;
    s.setRowHeight(row, 20);
    s.setText(row, 0, QStringLiteral("序号"), fm.label);
    s.setText(row, 1, QStringLiteral("[SortIdx]"), fm.value);
    s.setText(row, 2, QStringLiteral("姓名"), fm.label);
    across(s, row, 3, 5, QStringLiteral("[EmpName]"), fm.value);
    s.setText(row, 6, QStringLiteral("发放月度"), fm.label);
    across(s, row, 7, kLastColumn, QStringLiteral("[GZMonth]"), fm.value);
    ++row;

    if (design.attendance == Attendance::Days) {
        s.setRowHeight(row, 20);
        s.setText(row, 0, QStringLiteral("出勤天数"), fm.label);
        s.setText(row, 1, QStringLiteral("[WorkDays]"), fm.value);
        s.setText(row, 2, QStringLiteral("日工资"), fm.label);
        s.setText(row, 3, QStringLiteral("[OneDayMOney]"), fm.value);
        across(s, row, 4, kLastColumn, QString(), fm.blank);
        ++row;
    } else if (design.attendance == Attendance::Hours) {
        s.setRowHeight(row, 27);
        s.setText(row, 0, QStringLiteral("出勤天数/完工件数"), fm.label);
        s.setText(row, 1, QStringLiteral("[WorkDays]"), fm.value);
        s.setText(row, 2, QStringLiteral("出勤小时"), fm.label);
        s.setText(row, 3, QStringLiteral("[HourCount]"), fm.value);
        s.setText(row, 4, QStringLiteral("小时工资/计件单价"), fm.label);
        s.setText(row, 5, QStringLiteral("[OneDayMOney]"), fm.value);
        across(s, row, 6, kLastColumn, QString(), fm.blank);
        ++row;
    }

    row = itemBlock(s, row, design.earnings, QStringLiteral("应发工资"), QStringLiteral("工资项目"),
                    QStringLiteral("GZ"), fm);
    row = itemBlock(s, row, design.deductions, QStringLiteral("应扣工资"),
                    QStringLiteral("扣款项目"), QStringLiteral("KK"), fm);

    down(s, row, row + 1, 0, QStringLiteral("合计"), fm.label);
    s.setRowHeight(row, 20);
    s.setRowHeight(row + 1, 22);
    if (design.deductions > 0) {
        across(s, row, 1, 3, QStringLiteral("应发合计"), fm.caption);
        across(s, row, 4, 6, QStringLiteral("扣款合计"), fm.caption);
        across(s, row, 7, kLastColumn, QStringLiteral("实发工资"), fm.caption);
        across(s, row + 1, 1, 3, QStringLiteral("[YFTotal]"), fm.total);
        across(s, row + 1, 4, 6, QStringLiteral("[KKTotal]"), fm.total);
        across(s, row + 1, 7, kLastColumn, QStringLiteral("[GZTotal]"), fm.total);
    } else {
        across(s, row, 1, 5, QStringLiteral("应发合计"), fm.caption);
        across(s, row, 6, kLastColumn, QStringLiteral("实发工资"), fm.caption);
        across(s, row + 1, 1, 5, QStringLiteral("[YFTotal]"), fm.total);
        across(s, row + 1, 6, kLastColumn, QStringLiteral("[GZTotal]"), fm.total);
    }
    row += 2;

    s.setRowHeight(row, 28);
    s.setText(row, 0, QStringLiteral("员工签收"), fm.label);
    across(s, row, 1, kLastColumn, QString(), fm.blank);
    ++row;

    s.setRowHeight(row, 30);
    across(s, row, 0, kLastColumn,
           QStringLiteral(
               "本月实发工资：[GZTotal]元。如对本工资条有疑问，请于三个工作日内与财务部门联系。"),
           fm.note);
}

void writeAll(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        throw FileError(QStringLiteral("无法建立文件夹“%1”").arg(folder));
    }
    for (const Design& design : designs()) {
        XlsWriter writer;
        build(design, writer);
        writer.save(QDir(folder).filePath(design.fileName));
    }
}

}  // namespace EPayslipTemplates
