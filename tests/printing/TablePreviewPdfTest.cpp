#include <gtest/gtest.h>

#include <QPageSize>
#include <QRegularExpression>

#include "AppState.h"
#include "Database.h"
#include "DetailTable.h"
#include "PrintingFixture.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TablePreview.h"
#include "TablePreviewPainter.h"
#include "TestFolder.h"
#include "Transaction.h"

using printing_test::pdfInfo;
using printing_test::runTool;

namespace {

const QString kMonth = QStringLiteral("202407");
const QStringList kEarnings{"基本工资", "岗位津贴", "绩效奖金", "加班费", "交通补贴", "餐费补贴"};
const QStringList kDeductions{"养老保险", "医疗保险", "个人所得税"};
constexpr int kRows = 40;

// A table whose columns have the given widths, titled "组|<n>" or, for bar-less titles, as given.
TablePreview tableOf(const std::vector<int>& widths, const QStringList& upper,
                     const QStringList& lower, int rows) {
    TablePreview table;
    table.setPRowHeight(20);
    table.setPColCount(int(widths.size()));
    table.setPHeaderRowCount(upper.isEmpty() ? 1 : 2);
    table.setPDataRowCount(rows);
    for (int i = 0; i < int(widths.size()); ++i) {
        table.SetColWidth(i, widths[i]);
        if (!upper.isEmpty()) {
            table.SetTitleCell(i, 0, upper[i]);
            table.SetTitleCell(i, 1, lower[i]);
        }
        for (int r = 0; r < rows; ++r) table.SetDataCell(i, r, QString::number(r));
    }
    return table;
}

QString pageText(const QString& pdf, int page) {
    return runTool("pdftotext", {"-enc", "UTF-8", "-f", QString::number(page), "-l",
                                 QString::number(page), pdf, "-"});
}

}  // namespace

TEST(TablePreviewPainterTest, PaperTurnsAndTheTableShrinksOnlyWhenTooWide) {
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    const double margin = 15 / 25.4 * 72;
    const double landscapeWidth = a4.height() - 2 * margin;
    struct Case {
        std::vector<int> widths;  // screen pixels, 0 hidden
        bool landscape;
        double scale;
    };
    const Case cases[] = {
        {{100, 100, 100}, false, 1.0},
        {{300, 0, 300, 300}, true, 1.0},  // 675 points: wider than portrait, fits landscape
        {{400, 400, 400, 400, 400}, true, landscapeWidth / 1500},
        {{600, 2000, 0}, true, landscapeWidth / 1950},
    };
    for (const Case& c : cases) {
        const TablePreview table = tableOf(c.widths, {}, {}, 3);
        const TablePreviewPainter pages(table);
        EXPECT_EQ(pages.landscape(), c.landscape) << c.widths.size();
        EXPECT_NEAR(pages.scale(), c.scale, 1e-9) << c.widths.size();
        EXPECT_EQ(pages.pageLayout().orientation(),
                  c.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
}

TEST(TablePreviewPainterTest, RowsFillPagesInOrderAndTheFooterRowComesLast) {
    TablePreview table = tableOf({100, 100}, {}, {}, 100);
    table.SetDataCell(0, 100, "合计");
    const TablePreviewPainter pages(table);
    ASSERT_GT(pages.pageCount(), 2);
    int next = 0;
    for (const TablePreviewPainter::Page& page : pages.pages()) {
        EXPECT_EQ(page.firstRow, next);
        EXPECT_GT(page.rowCount, 0);
        EXPECT_LE(page.rowCount, pages.pages().front().rowCount);
        next += page.rowCount;
    }
    EXPECT_EQ(next, 101);

    const TablePreview empty = tableOf({100, 100}, {}, {}, 0);
    const TablePreviewPainter titlesOnly(empty);
    ASSERT_EQ(titlesOnly.pageCount(), 1);
    EXPECT_EQ(titlesOnly.pages().front().rowCount, 0);
}

TEST(TablePreviewPainterTest, GroupsSpanTheirShownColumnsAndOneLevelTitlesBothRows) {
    const TablePreview table =
        tableOf({36, 52, 52, 0, 52, 52, 60},
                {"序号", "应发工资", "应发工资", "应发工资", "应发工资", "应发工资", "实发工资"},
                {"序号", "补贴", "补贴", "停用", "合计", "合计", "实发工资"}, 1);
    const TablePreviewPainter pages(table);
    ASSERT_EQ(pages.visibleColumns(), (std::vector<int>{0, 1, 2, 4, 5, 6}));
    QStringList cells;
    for (const TablePreviewPainter::TitleCell& cell : pages.titleCells()) {
        cells << QStringLiteral("%1 %2-%3 %4-%5")
                     .arg(cell.text)
                     .arg(cell.first)
                     .arg(cell.last)
                     .arg(cell.top)
                     .arg(cell.bottom);
    }
    // Equal captions side by side stay separate cells; only the group above is shared.
    EXPECT_EQ(cells, QStringList({"序号 0-0 0-1", "应发工资 1-4 0-0", "实发工资 5-5 0-1",
                                  "补贴 1-1 1-1", "补贴 2-2 1-1", "合计 3-3 1-1", "合计 4-4 1-1"}));
}

class TablePreviewPdfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        params.PrintDays = 1;
        Transaction transaction(db);
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, int(kEarnings.size()), int(kDeductions.size()));
        for (int type : {0, 1}) {
            const QStringList& captions = type == 0 ? kEarnings : kDeductions;
            for (int i = 0; i < captions.size(); ++i) {
                db.exec("Update TGZSet Set GZName=? where GZMonth=? and GZType=? and SortIdx=?",
                        {captions[i], kMonth, type, i + 1});
            }
        }
        for (int i = 0; i < kRows; ++i) {
            const double basic = 3000 + 17 * i;
            const double pension = 240 + i;
            const QString name = QStringLiteral("员工%1").arg(i + 1, 2, 10, QChar(u'0'));
            names << name;
            netTotal += basic + 500 - pension;
            fixture::addRow(db, kMonth,
                            {{"DepartName", "生产部"},
                             {"EmpName", name},
                             {"WorkDays", 22},
                             {"GZ1", basic},
                             {"GZ2", 500},
                             {"YFTotal", basic + 500},
                             {"KK1", pension},
                             {"KKTotal", pension},
                             {"GZTotal", basic + 500 - pension}});
        }
        transaction.commit();
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    TAppParams params;
    QStringList names;
    double netTotal = 0;
    QString pdf = folder.file("明细表.pdf");
};

TEST_F(TablePreviewPdfTest, EveryPageRepeatsTheTitleRowsAndTheFooterRowEndsTheTable) {
    const int pages = DetailTable::writeMonthPdf(db, prompter, params, kMonth, pdf);
    ASSERT_GE(pages, 2);
    EXPECT_EQ(pdfInfo(pdf, "Pages"), QString::number(pages));
    EXPECT_TRUE(prompter.shown().isEmpty());
    const QRegularExpression size(QStringLiteral("([\\d.]+) x ([\\d.]+) pts"));
    const QRegularExpressionMatch paper = size.match(pdfInfo(pdf, "Page size"));
    ASSERT_TRUE(paper.hasMatch());
    EXPECT_GT(paper.captured(1).toDouble(), paper.captured(2).toDouble()) << "landscape";

    const QString footerCount = QStringLiteral("%1条").arg(kRows);
    const QString footerSum = QString::number(netTotal, 'f', 0);
    QString everything;
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        const QString text = pageText(pdf, page);
        for (const QString& title : QStringList{
                 "月度[202407]工资发放明细表", "序号", "姓名", "出勤天数", "应发工资", "基本工资",
                 "餐费补贴", "应扣/代扣工资", "个人所得税", "实发工资", "登记时间"}) {
            EXPECT_TRUE(text.contains(title)) << title.toStdString();
        }
        EXPECT_TRUE(text.contains(QStringLiteral("第%1页/共%2页").arg(page).arg(pages)));
        EXPECT_EQ(text.contains(footerCount), page == pages);
        EXPECT_FALSE(text.contains("出勤小时"));
        everything += text;
    }
    int at = 0;
    for (const QString& name : names) {
        const int found = everything.indexOf(name, at);
        ASSERT_GE(found, 0) << name.toStdString();
        at = found + int(name.size());
    }
    EXPECT_GT(everything.indexOf(footerCount), at);
    EXPECT_GT(everything.indexOf(footerSum, at), at) << footerSum.toStdString();
}

TEST_F(TablePreviewPdfTest, AMonthThatCannotBeListedWritesNoFile) {
    db.close();
    EXPECT_EQ(DetailTable::writeMonthPdf(db, prompter, params, kMonth, pdf), 0);
    EXPECT_EQ(prompter.texts(), QStringList({"读取数据库发生错误！", "无查询结果！"}));
    EXPECT_FALSE(QFile::exists(pdf));
}
