#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "EPayslipTemplates.h"
#include "QtPrinters.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"

namespace {

QStringList placeholdersOf(const XlsSheetText& sheet, int firstRow) {
    static const QRegularExpression pattern(QStringLiteral("\\[[^\\]]+\\]"));
    QStringList found;
    for (const auto& [key, text] : sheet.cells) {
        if (key.first < firstRow) continue;
        for (const QRegularExpressionMatch& m : pattern.globalMatch(text)) found << m.captured();
    }
    return found;
}

}  // namespace

TEST(EPayslipTemplatesTest, WritesTheEightTemplatesOfPart53) {
    QTemporaryDir tmp;
    const QString folder = QDir(tmp.path()).filePath(QStringLiteral("RPT"));
    EPayslipTemplates::writeAll(folder);
    QStringList names = QDir(folder).entryList(QDir::Files);
    names.sort();
    EXPECT_EQ(names, (QStringList{"GZBill.xls", "GZBill10_10.xls", "GZBill20_10.xls",
                                  "GZBill20_5.xls", "GZBill30_15.xls", "GZBillNoKK.xls",
                                  "GZBillWithDay.xls", "GZBillWithHour.xls"}));

    QStringList paths;
    for (const EPayslipTemplates::Design& d : EPayslipTemplates::designs()) {
        const QString path = QDir(folder).filePath(d.fileName);
        paths << path;
        SCOPED_TRACE(d.fileName.toStdString());
        EXPECT_EQ(xlstest::checkStructure(xlstest::readFile(path)), QStringList{});
        const XlsWorkbook book = XlsWorkbook::load(path);
        ASSERT_EQ(book.sheetNames(), QStringList{QStringLiteral("Sheet1")});
        const XlsSheetText sheet = book.sheet(0);
        // The first row holds no placeholder; below it every field of the payslip.
        EXPECT_TRUE(placeholdersOf(sheet, 0).size() == placeholdersOf(sheet, 1).size());
        EXPECT_FALSE(sheet.text(0, 0).isEmpty());
        const QStringList found = placeholdersOf(sheet, 1);
        for (const char* fixed :
             {"[单位名称]", "[GZMonth]", "[EmpName]", "[SortIdx]", "[YFTotal]", "[GZTotal]"}) {
            EXPECT_TRUE(found.contains(QString::fromUtf8(fixed))) << fixed;
        }
        EXPECT_EQ(found.contains(QStringLiteral("[KKTotal]")), d.deductions > 0);
        for (int n = 1; n <= 30; ++n) {
            EXPECT_EQ(found.contains(QStringLiteral("[GZ%1]").arg(n)), n <= d.earnings) << n;
            EXPECT_EQ(found.contains(QStringLiteral("[工资项目%1]").arg(n)), n <= d.earnings) << n;
        }
        for (int n = 1; n <= 15; ++n) {
            EXPECT_EQ(found.contains(QStringLiteral("[KK%1]").arg(n)), n <= d.deductions) << n;
            EXPECT_EQ(found.contains(QStringLiteral("[扣款项目%1]").arg(n)), n <= d.deductions)
                << n;
        }
        const bool days = d.attendance != EPayslipTemplates::Attendance::None;
        EXPECT_EQ(found.contains(QStringLiteral("[WorkDays]")), days);
        EXPECT_EQ(found.contains(QStringLiteral("[OneDayMOney]")), days);
        EXPECT_EQ(found.contains(QStringLiteral("[HourCount]")),
                  d.attendance == EPayslipTemplates::Attendance::Hours);
        // Each caption stands over its amount.
        for (const auto& [key, text] : sheet.cells) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^\\[工资项目(\\d+)\\]$")).match(text);
            if (m.hasMatch()) {
                EXPECT_EQ(sheet.text(key.first + 1, key.second),
                          QStringLiteral("[GZ%1]").arg(m.captured(1)));
            }
        }
    }
    // And a reader written by others opens all eight.
    const std::vector<xlstest::XlrdBook> books = xlstest::readWithXlrd(paths);
    ASSERT_EQ(books.size(), 8u);
    for (const xlstest::XlrdBook& b : books) {
        EXPECT_TRUE(b.ok) << b.error.toStdString();
        EXPECT_FALSE(b.log.contains(QStringLiteral("WARNING"))) << b.log.toStdString();
        EXPECT_EQ(b.sheets, QStringList{QStringLiteral("Sheet1")});
        EXPECT_GT(b.merges.at(QStringLiteral("Sheet1")), 5);
    }
}
