// Draws the nine payslip report templates (RPT/*.RAV) into the folder given on the command
// line. Each payslip is a title line (company and "工资单", department and name, month), a
// leading column, rows of caption cells over amount cells (ten to a row, 0.6 inch wide from
// 0.7 inch, the grid the payslip run places its columns on), the totals and, in the
// attendance templates, the attendance cells.
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr double kPageWidth = 8.27;  // A4
constexpr double kPageHeight = 11.69;
constexpr double kRegionTop = 0.2;
constexpr double kLeadLeft = 0.2;
constexpr double kGridLeft = 0.7;
constexpr double kColumn = 0.6;
constexpr double kTotalsLeft = 6.7;
constexpr double kRight = 7.9;
constexpr double kFirstRowTop = 0.38;
constexpr double kRowHeight = 0.46;
constexpr double kCaptionHeight = 0.22;
constexpr double kCutGap = 0.14;  // room between two payslips for the scissors
constexpr double kPadding = 0.04;
const char* const kFill = "#eeeeee";
const char* const kSalary = "RvDataSetConnection1";

QString number(double value) {
    return QString::number(value, 'f', 4).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

double rowTop(int row) {
    return kFirstRowTop + row * kRowHeight;
}

// The band being drawn; rows are counted from 0 below the title line.
struct Band {
    QXmlStreamWriter& xml;
    int rows = 0;
    bool leadDrawn = false;

    void box(double left, double top, double width, double height) {
        xml.writeAttribute(QStringLiteral("left"), number(left));
        xml.writeAttribute(QStringLiteral("top"), number(top));
        xml.writeAttribute(QStringLiteral("width"), number(width));
        xml.writeAttribute(QStringLiteral("height"), number(height));
    }
    void rectangle(const QString& name, double left, double top, double width, double height,
                   bool filled) {
        xml.writeEmptyElement(QStringLiteral("Rectangle"));
        xml.writeAttribute(QStringLiteral("name"), name);
        box(left, top, width, height);
        xml.writeAttribute(QStringLiteral("lineWidth"), QStringLiteral("0.75"));
        if (filled) xml.writeAttribute(QStringLiteral("fill"), QString::fromLatin1(kFill));
    }
    void text(const QString& name, const QString& content, double left, double top, double width,
              double height, const char* align, double size = 9, bool bold = false) {
        xml.writeEmptyElement(QStringLiteral("Text"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("text"), content);
        box(left, top, width, height);
        xml.writeAttribute(QStringLiteral("align"), QString::fromLatin1(align));
        xml.writeAttribute(QStringLiteral("font"), QStringLiteral("宋体"));
        xml.writeAttribute(QStringLiteral("size"), number(size));
        if (bold) xml.writeAttribute(QStringLiteral("bold"), QStringLiteral("true"));
    }
    void dataText(const QString& name, const QString& field, double left, double top, double width,
                  double height, const char* align, double size = 9) {
        xml.writeEmptyElement(QStringLiteral("DataText"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("connection"), QString::fromLatin1(kSalary));
        xml.writeAttribute(QStringLiteral("field"), field);
        box(left, top, width, height);
        xml.writeAttribute(QStringLiteral("align"), QString::fromLatin1(align));
        xml.writeAttribute(QStringLiteral("padding"), number(kPadding));
        xml.writeAttribute(QStringLiteral("font"), QStringLiteral("宋体"));
        xml.writeAttribute(QStringLiteral("size"), number(size));
    }

    // A caption cell over a value cell; the value cell reaches down to the end of `lastRow`.
    void cell(const QString& captionFrame, const QString& captionName, const QString& caption,
              const QString& valueFrame, const QString& valueName, const QString& field,
              double left, double width, int row, int lastRow, const char* valueAlign) {
        const double top = rowTop(row);
        const double valueTop = top + kCaptionHeight;
        const double valueHeight = rowTop(lastRow + 1) - valueTop;
        rectangle(captionFrame, left, top, width, kCaptionHeight, true);
        rectangle(valueFrame, left, valueTop, width, valueHeight, false);
        text(captionName, caption, left, top, width, kCaptionHeight, "center");
        dataText(valueName, field, left, valueTop, width, valueHeight, valueAlign);
        rows = std::max(rows, lastRow + 1);
    }
    // A cell of the program's own, outside the columns the payslip run fills.
    void fixedCell(const QString& key, const QString& caption, const QString& field, double left,
                   double width, int row, int lastRow, const char* align = "right") {
        cell(QStringLiteral("Frame") + key + QStringLiteral("Caption"),
             QStringLiteral("Text") + key, caption, QStringLiteral("Frame") + key,
             QStringLiteral("DataText") + key, field, left, width, row, lastRow, align);
    }
    // Earnings (A/B) or deductions (C/D) `first`..`last`, ten to a row from `row` on.
    void items(bool earnings, int first, int last, int row) {
        const QString cap = earnings ? QStringLiteral("A") : QStringLiteral("C");
        const QString amt = earnings ? QStringLiteral("B") : QStringLiteral("D");
        const QString field = earnings ? QStringLiteral("GZ") : QStringLiteral("KK");
        for (int n = first; n <= last; ++n) {
            const int k = n - first;
            const QString no = QString::number(n);
            cell(QStringLiteral("Rectangle") + cap + no, QStringLiteral("Text") + cap + no,
                 QStringLiteral("工资项目"), QStringLiteral("Rectangle") + amt + no,
                 QStringLiteral("DataText") + cap + no, field + no, kGridLeft + (k % 10) * kColumn,
                 kColumn, row + k / 10, row + k / 10, "right");
        }
    }
    void earningsTotal(int row, int lastRow) {
        fixedCell(QStringLiteral("YFTotal"), QStringLiteral("应发合计"), QStringLiteral("YFTotal"),
                  kTotalsLeft, kRight - kTotalsLeft, row, lastRow);
    }
    void deductionsTotal(double left, double width, int row, int lastRow) {
        fixedCell(QStringLiteral("KKTotal"), QStringLiteral("扣款合计"), QStringLiteral("KKTotal"),
                  left, width, row, lastRow);
    }
    void netPay(double left, double width, int row) {
        fixedCell(QStringLiteral("GZTotal"), QStringLiteral("实发工资"), QStringLiteral("GZTotal"),
                  left, width, row, row);
    }
    void remark(double left, double width, int row, int lastRow) {
        fixedCell(QStringLiteral("QM"), QStringLiteral("签名/备注"), QStringLiteral("QM"), left,
                  width, row, lastRow, "left");
    }
    // Count of days (or pieces) and the rate: Text1 and Text6 of the payslip run.
    void days(double left, int row) {
        cell(QStringLiteral("FrameDaysCaption"), QStringLiteral("Text1"),
             QStringLiteral("出勤天数"), QStringLiteral("FrameDays"),
             QStringLiteral("DataTextDays"), QStringLiteral("WorkDays"), left, kColumn, row, row,
             "right");
    }
    void hours(double left, int row) {
        fixedCell(QStringLiteral("Hours"), QStringLiteral("出勤小时"), QStringLiteral("HourCount"),
                  left, kColumn, row, row);
    }
    void rate(const QString& caption, double left, int row) {
        cell(QStringLiteral("FrameRateCaption"), QStringLiteral("Text6"), caption,
             QStringLiteral("FrameRate"), QStringLiteral("DataTextRate"),
             QStringLiteral("OneDayMOney"), left, kColumn, row, row, "right");
    }

    void title() {
        const double top = 0.06, height = 0.28;
        text(QStringLiteral("TextTitle"), QStringLiteral("公司名称工资单"), kGridLeft, top,
             4.0 - kGridLeft, height, "right", 12, true);
        text(QStringLiteral("Text61"), QStringLiteral("-"), 4.0, top, 0.2, height, "center", 12,
             true);
        dataText(QStringLiteral("DataText91"), QStringLiteral("DepartName"), 4.2, top, 1.3, height,
                 "left", 11);
        dataText(QStringLiteral("DataText92"), QStringLiteral("EmpName"), 5.5, top, 1.1, height,
                 "left", 11);
        text(QStringLiteral("TextMonth"), QStringLiteral("月份："), 6.6, top, 0.5, height, "right");
        dataText(QStringLiteral("DataTextMonth"), QStringLiteral("GZMonth"), 7.1, top, kRight - 7.1,
                 height, "left");
    }
    // The leading column beside rows 0 to `lastRow`: "序号" over the row's running number.
    void leadingColumn(int lastRow) {
        cell(QStringLiteral("FrameLeadCaption"), QStringLiteral("Text2"), QStringLiteral("序号"),
             QStringLiteral("FrameLead"), QStringLiteral("DataText3"), QStringLiteral("SortIdx"),
             kLeadLeft, kGridLeft - kLeadLeft, 0, lastRow, "center");
        leadDrawn = true;
    }
};

struct Template {
    const char* file;
    std::function<void(Band&)> draw;
};

// Net pay and remark after a row of five deductions and its total.
void afterFiveDeductions(Band& band, int row) {
    band.deductionsTotal(3.7, 0.9, row, row);
    band.remark(4.6, kTotalsLeft - 4.6, row, row);
    band.netPay(kTotalsLeft, kRight - kTotalsLeft, row);
}

// A last row with the remark across and the net pay at the right.
void closingRow(Band& band, int row, double remarkLeft) {
    band.remark(remarkLeft, kTotalsLeft - remarkLeft, row, row);
    band.netPay(kTotalsLeft, kRight - kTotalsLeft, row);
}

const Template kTemplates[] = {
    // Months without deductions mostly have few earnings: the payslip proper is the first two
    // rows, and earnings 11 to 30 follow below it, where they leave only blank paper when the
    // run hides them.
    {"GZBillNoKK.RAV",
     [](Band& b) {
         b.items(true, 1, 10, 0);
         b.earningsTotal(0, 0);
         closingRow(b, 1, kGridLeft);
         b.leadingColumn(1);
         b.items(true, 11, 30, 2);
     }},
    {"GZBill.RAV",
     [](Band& b) {
         b.items(true, 1, 10, 0);
         b.earningsTotal(0, 0);
         b.items(false, 1, 5, 1);
         afterFiveDeductions(b, 1);
     }},
    {"GZBill20_5.RAV",
     [](Band& b) {
         b.items(true, 1, 20, 0);
         b.earningsTotal(0, 1);
         b.items(false, 1, 5, 2);
         afterFiveDeductions(b, 2);
     }},
    {"GZBill10_10.RAV",
     [](Band& b) {
         b.items(true, 1, 10, 0);
         b.earningsTotal(0, 0);
         b.items(false, 1, 10, 1);
         b.deductionsTotal(kTotalsLeft, kRight - kTotalsLeft, 1, 1);
         closingRow(b, 2, kGridLeft);
     }},
    {"GZBill20_10.RAV",
     [](Band& b) {
         b.items(true, 1, 20, 0);
         b.earningsTotal(0, 1);
         b.items(false, 1, 10, 2);
         b.deductionsTotal(kTotalsLeft, kRight - kTotalsLeft, 2, 2);
         closingRow(b, 3, kGridLeft);
     }},
    {"GZBill30_15.RAV",
     [](Band& b) {
         b.items(true, 1, 30, 0);
         b.earningsTotal(0, 2);
         b.items(false, 1, 15, 3);
         b.deductionsTotal(kTotalsLeft, kRight - kTotalsLeft, 3, 4);
         b.netPay(3.7, 0.9, 4);
         b.remark(4.6, kTotalsLeft - 4.6, 4, 4);
     }},
    {"GZBillWithDay.RAV",
     [](Band& b) {
         b.items(true, 1, 10, 0);
         b.earningsTotal(0, 0);
         b.items(false, 1, 5, 1);
         b.days(3.7, 1);
         b.rate(QStringLiteral("工资/天"), 4.3, 1);
         b.deductionsTotal(4.9, 0.8, 1, 1);
         b.remark(5.7, kTotalsLeft - 5.7, 1, 1);
         b.netPay(kTotalsLeft, kRight - kTotalsLeft, 1);
     }},
    {"GZBillWithDay20_10.RAV",
     [](Band& b) {
         b.items(true, 1, 20, 0);
         b.earningsTotal(0, 1);
         b.items(false, 1, 10, 2);
         b.deductionsTotal(kTotalsLeft, kRight - kTotalsLeft, 2, 2);
         b.days(kGridLeft, 3);
         b.rate(QStringLiteral("工资/天"), kGridLeft + kColumn, 3);
         closingRow(b, 3, kGridLeft + 2 * kColumn);
     }},
    {"GZBillWithHour.RAV",
     [](Band& b) {
         b.items(true, 1, 10, 0);
         b.earningsTotal(0, 0);
         b.items(false, 1, 5, 1);
         b.days(3.7, 1);
         b.hours(4.3, 1);
         b.rate(QStringLiteral("工资/小时"), 4.9, 1);
         b.deductionsTotal(5.5, kTotalsLeft - 5.5, 1, 1);
         b.netPay(kTotalsLeft, kRight - kTotalsLeft, 1);
     }},
};

QByteArray drawTemplate(const Template& t) {
    // The band's height follows from the rows drawn, so it is filled in afterwards.
    const QString heightMark = QStringLiteral("BAND-HEIGHT");
    QByteArray file;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ReportProject"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeAttribute(QStringLiteral("activeReport"), QStringLiteral("Report1"));
    xml.writeStartElement(QStringLiteral("Report"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Report1"));
    xml.writeStartElement(QStringLiteral("Page"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Page1"));
    xml.writeAttribute(QStringLiteral("width"), number(kPageWidth));
    xml.writeAttribute(QStringLiteral("height"), number(kPageHeight));
    xml.writeStartElement(QStringLiteral("Region"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Region1"));
    xml.writeAttribute(QStringLiteral("left"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("top"), number(kRegionTop));
    xml.writeAttribute(QStringLiteral("width"), number(kPageWidth));
    xml.writeAttribute(QStringLiteral("height"), number(kPageHeight - kRegionTop));
    xml.writeStartElement(QStringLiteral("DataBand"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("DataBand1"));
    xml.writeAttribute(QStringLiteral("connection"), QString::fromLatin1(kSalary));
    xml.writeAttribute(QStringLiteral("height"), heightMark);
    Band band{xml};
    band.title();
    t.draw(band);
    if (!band.leadDrawn) band.leadingColumn(band.rows - 1);
    xml.writeEndDocument();
    return file.replace(heightMark.toLatin1(), number(rowTop(band.rows) + kCutGap).toLatin1());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fputs("usage: gzt_make_templates OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(app.arguments().at(1));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
        return 1;
    }
    for (const Template& t : kTemplates) {
        QSaveFile file(folder.filePath(QString::fromLatin1(t.file)));
        if (!file.open(QIODevice::WriteOnly) || file.write(drawTemplate(t)) < 0 || !file.commit()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    return 0;
}
