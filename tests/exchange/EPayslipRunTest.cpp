#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "Database.h"
#include "EPayslipRun.h"
#include "EPayslipTemplates.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

namespace {

const QString kMonth = QStringLiteral("202401");

class EPayslipRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        EPayslipTemplates::writeAll(folder.file(QStringLiteral("RPT")));
        QDir(folder.path()).mkpath(QStringLiteral("out"));
        out = folder.file(QStringLiteral("out"));
        params.EntName = QStringLiteral("青禾科技有限公司");
        params.ShowFloat = 1;
        fixture::addMonth(db, kMonth);
    }

    QString templ(const char* name) const {
        return folder.file(QStringLiteral("RPT/") + QString::fromLatin1(name));
    }

    // A template of our own: `cells` are (row, column, text) on Sheet1.
    QString customTemplate(const std::vector<std::tuple<int, int, QString>>& cells) {
        XlsWriter w;
        XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
        for (const auto& [r, c, text] : cells) s.setText(r, c, text);
        const QString path = folder.file(QStringLiteral("RPT/Custom.xls"));
        w.save(path);
        return path;
    }

    std::optional<EPayslipRun::Summary> run(const QString& templatePath, bool openFolder = false) {
        prompter.queueConfirm(openFolder);
        EPayslipRun r(db, prompter, kMonth, templatePath, params);
        r.setOpenFolder([this](const QString& f) {
            opened << f;
            return true;
        });
        r.setProgress([this](int i, int n) { progress << QStringLiteral("%1/%2").arg(i).arg(n); });
        return r.Button2Click(out);
    }

    XlsSheetText sheetOf(const QString& file) const {
        return XlsWorkbook::load(QDir(out).filePath(file)).sheet(QStringLiteral("Sheet1"));
    }

    QStringList outFiles() const {
        QStringList files = QDir(out).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        return files;
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    TAppParams params;
    QString out;
    QStringList opened;
    QStringList progress;
};

}  // namespace

TEST(EPayslipTemplateChoiceTest, FollowsTheTableOfPart53) {
    struct Case {
        const char* days;
        int k, e;
        const char* file;
    };
    const Case cases[] = {
        {"1", 0, 0, "RPT/GZBillWithDay.xls"},    {"1", 11, 30, "RPT/GZBillWithDay.xls"},
        {"2", 5, 10, "RPT/GZBillWithHour.xls"},  {"3", 0, 0, "RPT/GZBillWithHour.xls"},
        {"3", 15, 30, "RPT/GZBillWithHour.xls"}, {"0", 0, 30, "RPT/GZBillNoKK.xls"},
        {"", 0, 3, "RPT/GZBillNoKK.xls"},        {"0", 1, 0, "RPT/GZBill.xls"},
        {"0", 5, 10, "RPT/GZBill.xls"},          {"0", 5, 11, "RPT/GZBill20_5.xls"},
        {"", 5, 11, "RPT/GZBill20_5.xls"},       {"0", 6, 10, "RPT/GZBill10_10.xls"},
        {"0", 10, 10, "RPT/GZBill10_10.xls"},    {"0", 10, 11, "RPT/GZBill20_10.xls"},
        {"0", 11, 0, "RPT/GZBill30_15.xls"},     {"0", 11, 30, "RPT/GZBill30_15.xls"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EPayslipRun::ChooseTemplate(QString::fromLatin1(c.days), c.k, c.e),
                  QString::fromLatin1(c.file))
            << c.days << " K=" << c.k << " E=" << c.e;
    }
}

TEST_F(EPayslipRunTest, TemplateForMonthCountsTheMonthsItemsOrBase) {
    const auto choose = [&](const QString& month) {
        return QFileInfo(EPayslipRun::TemplateForMonth(db, folder.path(), month)).fileName();
    };
    db.exec(QStringLiteral("update TPara set PrintDays=0"));
    // The month has no items: BASE has 10 earnings and 5 deductions enabled.
    EXPECT_EQ(choose(kMonth), QStringLiteral("GZBill.xls"));
    EXPECT_EQ(EPayslipRun::TemplateForMonth(db, folder.path(), kMonth),
              QDir(folder.path()).filePath(QStringLiteral("RPT/GZBill.xls")));
    const struct {
        const char* month;
        int e, k;
        const char* file;
    } cases[] = {{"m1", 10, 5, "GZBill.xls"},       {"m2", 11, 5, "GZBill20_5.xls"},
                 {"m3", 11, 10, "GZBill20_10.xls"}, {"m4", 3, 11, "GZBill30_15.xls"},
                 {"m5", 30, 0, "GZBillNoKK.xls"},   {"m6", 2, 6, "GZBill10_10.xls"}};
    for (const auto& c : cases) {
        fixture::addStructure(db, QString::fromLatin1(c.month), c.e, c.k);
        EXPECT_EQ(choose(QString::fromLatin1(c.month)), QString::fromLatin1(c.file)) << c.month;
    }
    db.exec(QStringLiteral("update TPara set PrintDays=2"));
    EXPECT_EQ(choose(QStringLiteral("m4")), QStringLiteral("GZBillWithHour.xls"));
    db.exec(QStringLiteral("update TPara set PrintDays=3"));
    EXPECT_EQ(choose(QStringLiteral("m1")), QStringLiteral("GZBillWithHour.xls"));
    db.exec(QStringLiteral("update TPara set PrintDays=1"));
    EXPECT_EQ(choose(QStringLiteral("m5")), QStringLiteral("GZBillWithDay.xls"));
    db.exec(QStringLiteral("update TPara set PrintDays=NULL"));
    EXPECT_EQ(choose(QStringLiteral("m2")), QStringLiteral("GZBill20_5.xls"));
}

TEST(EPayslipFileNameTest, NumberPaddedNameMadeSafe) {
    EXPECT_EQ(EPayslipRun::fileNameFor(QStringLiteral("/tmp/x"), 7, QStringLiteral("张三")),
              QStringLiteral("/tmp/x/0007_张三.xls"));
    EXPECT_EQ(EPayslipRun::fileNameFor(QStringLiteral("/tmp/x/"), 10000, QStringLiteral("李四")),
              QStringLiteral("/tmp/x/10000_李四.xls"));
    EXPECT_EQ(EPayslipRun::fileNameFor(QStringLiteral("/tmp/x"), 5, QString()),
              QStringLiteral("/tmp/x/0005_.xls"));
    EXPECT_EQ(EPayslipRun::fileNameFor(QStringLiteral("/tmp/x"), 1,
                                       QStringLiteral("a/b\\c:d*e?f\"g<h>i|j\tk\x01l\x7Fm")),
              QStringLiteral("/tmp/x/0001_a_b_c_d_e_f_g_h_i_j_k_l_m.xls"));
    EXPECT_EQ(EPayslipRun::fileNameFor(QStringLiteral("/tmp/x"), 2, QStringLiteral("../../etc")),
              QStringLiteral("/tmp/x/0002_.._.._etc.xls"));
}

TEST(EPayslipReplaceTest, ReplaceAFieldReplacesTheFirstOccurrence) {
    EXPECT_EQ(EPayslipRun::ReplaceAField(QStringLiteral("[GZ1]/[GZ1]"), QStringLiteral("[GZ1]"),
                                         QStringLiteral("100")),
              QStringLiteral("100/[GZ1]"));
    EXPECT_EQ(EPayslipRun::ReplaceAField(QStringLiteral("实发：[GZTotal]元"),
                                         QStringLiteral("[GZTotal]"), QStringLiteral("  ")),
              QStringLiteral("实发：-元"));
    EXPECT_EQ(EPayslipRun::ReplaceAField(QStringLiteral("[GZ10]"), QStringLiteral("[GZ1]"),
                                         QStringLiteral("1")),
              QStringLiteral("[GZ10]"));
}

TEST_F(EPayslipRunTest, WritesOneFileARowInListOrderWithSameNamesApart) {
    fixture::addRow(db, kMonth, {{"DepartName", "财务部"}, {"EmpName", "张三"}});
    fixture::addRow(db, kMonth, {{"DepartName", "财务部"}, {"EmpName", "王芳"}, {"GZ1", 1}});
    fixture::addRow(db, kMonth, {{"DepartName", "财务部"}, {"EmpName", "李四"}});
    fixture::addRow(db, kMonth, {{"DepartName", "财务部"}, {"EmpName", "王芳"}, {"GZ1", 2}});
    fixture::addRow(db, kMonth, {{"DepartName", "财务部"}, {"EmpName", "陈一"}});
    const auto summary = run(templ("GZBill.xls"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->rows, 5);
    EXPECT_EQ(summary->written, 5);
    EXPECT_EQ(summary->failed, 0);
    EXPECT_EQ(outFiles(), (QStringList{"0001_陈一.xls", "0002_李四.xls", "0003_王芳.xls",
                                       "0004_王芳.xls", "0005_张三.xls"}));
    EXPECT_EQ(sheetOf(QStringLiteral("0003_王芳.xls")).text(4, 1), QStringLiteral("1.00"));
    EXPECT_EQ(sheetOf(QStringLiteral("0004_王芳.xls")).text(4, 1), QStringLiteral("2.00"));
    EXPECT_EQ(sheetOf(QStringLiteral("0004_王芳.xls")).text(2, 1), QStringLiteral("4"));
    EXPECT_EQ(progress, (QStringList{"1/5", "2/5", "3/5", "4/5", "5/5"}));
    EXPECT_EQ(prompter.shown(),
              (QStringList{"info: 生成工资条结束！\n已生成工资条文件 5 个，失败 0 个。",
                           "confirm: 是否立即打开工资条文件所在目录？"}));
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(EPayslipRunTest, AmountsFollowShowFloatAndWageIsWhole) {
    fixture::addRow(db, kMonth,
                    {{"EmpName", "张三"},
                     {"GZ1", 1234.6},
                     {"OneDayMOney", 250.5},
                     {"WorkDays", 21.5},
                     {"HourCount", 8},
                     {"YFTotal", 1234.6},
                     {"KKTotal", 0.125},
                     {"GZTotal", 1234.475}});
    const QString path = templ("GZBillWithHour.xls");
    params.ShowFloat = 0;
    run(path);
    XlsSheetText s = sheetOf(QStringLiteral("0001_张三.xls"));
    // Row 4 attendance, rows 5.. items: see the template's layout.
    EXPECT_EQ(s.text(3, 1), QStringLiteral("21.5"));
    EXPECT_EQ(s.text(3, 3), QStringLiteral("8"));
    EXPECT_EQ(s.text(3, 5), QStringLiteral("251"));
    EXPECT_EQ(s.text(5, 1), QStringLiteral("1235"));
    EXPECT_EQ(s.text(15, 1), QStringLiteral("1235"));
    EXPECT_EQ(s.text(15, 4), QStringLiteral("0"));
    EXPECT_EQ(s.text(15, 7), QStringLiteral("1234"));
    params.ShowFloat = 1;
    prompter.clear();
    run(path);
    s = sheetOf(QStringLiteral("0001_张三.xls"));
    EXPECT_EQ(s.text(5, 1), QStringLiteral("1234.60"));
    EXPECT_EQ(s.text(3, 5), QStringLiteral("251"));
    EXPECT_EQ(s.text(15, 4), QStringLiteral("0.13"));
    EXPECT_EQ(s.text(15, 7), QStringLiteral("1234.48"));
    EXPECT_EQ(s.text(1, 0), QStringLiteral("青禾科技有限公司　202401 工资条"));
}

TEST_F(EPayslipRunTest, EmptyValuesDisabledItemsAndItemsWithoutARow) {
    fixture::addStructure(db, kMonth, 3, 2);  // GZ1..GZ3 and KK1, KK2 enabled
    db.exec(QStringLiteral("delete from TGZSet where GZMonth=? and GZField1='GZ9'"), {kMonth});
    fixture::addRow(db, kMonth, {{"EmpName", ""}, {"GZ1", 10}, {"GZ4", 99}});
    run(templ("GZBillWithDay.xls"));
    ASSERT_EQ(outFiles(), QStringList{QStringLiteral("0001_.xls")});
    const XlsSheetText s = sheetOf(QStringLiteral("0001_.xls"));
    EXPECT_EQ(s.text(2, 3), QStringLiteral("-"));               // [EmpName]
    EXPECT_EQ(s.text(3, 1), QStringLiteral("-"));               // [WorkDays] is null
    EXPECT_EQ(s.text(3, 3), QStringLiteral("0"));               // [OneDayMOney] null counts 0
    EXPECT_EQ(s.text(4, 1), kMonth + QStringLiteral("收入1"));  // caption
    EXPECT_EQ(s.text(5, 1), QStringLiteral("10.00"));
    EXPECT_EQ(s.text(5, 2), QStringLiteral("0.00"));  // null amount
    EXPECT_EQ(s.text(4, 4), QStringLiteral("-"));     // disabled GZ4
    EXPECT_EQ(s.text(5, 4), QStringLiteral("-"));
    EXPECT_EQ(s.text(4, 9), QStringLiteral("[工资项目9]"));  // no item row: left as it is
    EXPECT_EQ(s.text(5, 9), QStringLiteral("[GZ9]"));
    EXPECT_EQ(s.text(10, 1), kMonth + QStringLiteral("扣款1"));
    EXPECT_EQ(s.text(12, 1), QStringLiteral("-"));  // disabled KK11
}

TEST_F(EPayslipRunTest, FirstRowNeverChangesAndOnlyTheFirstPlaceholderOfACell) {
    const QString path = customTemplate({{0, 0, QStringLiteral("[EmpName]")},
                                         {0, 1, QStringLiteral("[GZ1]")},
                                         {1, 0, QStringLiteral("[EmpName]")},
                                         {1, 1, QStringLiteral("[GZ1]/[GZ1]")},
                                         {2, 0, QStringLiteral("实发：[GZTotal]元")},
                                         {2, 1, QStringLiteral("[SortIdx]/[GZMonth]")},
                                         {3, 0, QStringLiteral("[KK99]")}});
    fixture::addRow(db, kMonth, {{"EmpName", "王芳"}, {"GZ1", 100}, {"GZTotal", 80}});
    run(path);
    const XlsSheetText s = sheetOf(QStringLiteral("0001_王芳.xls"));
    EXPECT_EQ(s.text(0, 0), QStringLiteral("[EmpName]"));
    EXPECT_EQ(s.text(0, 1), QStringLiteral("[GZ1]"));
    EXPECT_EQ(s.text(1, 0), QStringLiteral("王芳"));
    EXPECT_EQ(s.text(1, 1), QStringLiteral("100.00/[GZ1]"));
    EXPECT_EQ(s.text(2, 0), QStringLiteral("实发：80.00元"));
    EXPECT_EQ(s.text(2, 1), QStringLiteral("1/202401"));
    EXPECT_EQ(s.text(3, 0), QStringLiteral("[KK99]"));
}

TEST_F(EPayslipRunTest, NoFolderAndUnreadableItemsStopBeforeWriting) {
    fixture::addRow(db, kMonth, {{"EmpName", "张三"}});
    bool started = false;
    EPayslipRun r(db, prompter, kMonth, templ("GZBill.xls"), params);
    r.setStarted([&] { started = true; });
    EXPECT_FALSE(r.Button2Click(QString()));
    EXPECT_EQ(prompter.shown(),
              QStringList{QStringLiteral("warning: 请指定电子工资条的存放路径！")});
    EXPECT_FALSE(started);
    prompter.clear();
    db.exec(QStringLiteral("drop table TGZSet"));
    EXPECT_FALSE(r.Button2Click(out));
    EXPECT_EQ(prompter.shown(), QStringList{QStringLiteral("error: 读取数据库发生错误！")});
    EXPECT_FALSE(started);
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(EPayslipRunTest, UnreadableRowsStillEndWithTheMessage) {
    db.exec(QStringLiteral("drop table TGZ"));
    const auto summary = run(templ("GZBill.xls"), true);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->rows, 0);
    EXPECT_EQ(prompter.texts().front(),
              QStringLiteral("生成工资条结束！\n已生成工资条文件 0 个，失败 0 个。"));
    EXPECT_EQ(opened, QStringList{out});
}

TEST_F(EPayslipRunTest, AMissingTemplateFailsEveryRowAndLeavesNoStaleFile) {
    fixture::addRow(db, kMonth, {{"EmpName", "张三"}});
    fixture::addRow(db, kMonth, {{"EmpName", "李四"}});
    xlstest::writeFile(QDir(out).filePath(QStringLiteral("0002_张三.xls")), "old payslip");
    const auto summary = run(templ("NoSuch.xls"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->failed, 2);
    EXPECT_EQ(summary->written, 0);
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_EQ(prompter.texts().front(),
              QStringLiteral("生成工资条结束！\n已生成工资条文件 0 个，失败 2 个。"));
}

TEST_F(EPayslipRunTest, ATemplateWithoutSheet1FailsEveryRow) {
    XlsWriter w;
    w.addSheet(QStringLiteral("工资条")).setText(1, 0, QStringLiteral("[EmpName]"));
    const QString path = folder.file(QStringLiteral("RPT/Other.xls"));
    w.save(path);
    fixture::addRow(db, kMonth, {{"EmpName", "张三"}});
    const auto summary = run(path);
    EXPECT_EQ(summary->failed, 1);
    EXPECT_TRUE(outFiles().isEmpty());
}

TEST_F(EPayslipRunTest, UnsafeNameCharactersStayInsideTheFolder) {
    fixture::addRow(db, kMonth, {{"EmpName", "../王/芳"}});
    run(templ("GZBill.xls"));
    EXPECT_EQ(outFiles(), QStringList{QStringLiteral("0001_.._王_芳.xls")});
    EXPECT_EQ(sheetOf(QStringLiteral("0001_.._王_芳.xls")).text(2, 3), QStringLiteral("../王/芳"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(EPayslipRunTest, TenThousandRowsNumberPastFourDigits) {
    // A small template keeps the 10,000 files quick.
    const QString path = customTemplate({{0, 0, QStringLiteral("工资条")},
                                         {1, 0, QStringLiteral("[SortIdx]")},
                                         {1, 1, QStringLiteral("[EmpName]")}});
    {
        Transaction t(db);
        for (int i = 0; i < 10000; ++i) {
            fixture::addRow(db, kMonth,
                            {{"DepartName", "部门"},
                             {"EmpName", QStringLiteral("职员%1").arg(i, 5, 10, QChar(u'0'))}});
        }
        t.commit();
    }
    QElapsedTimer timer;
    timer.start();
    const auto summary = run(path);
    std::printf("10000 files: %lld ms\n", static_cast<long long>(timer.elapsed()));
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->written, 10000);
    const QStringList files = outFiles();
    ASSERT_EQ(files.size(), 10000);
    EXPECT_EQ(files.first(), QStringLiteral("0001_职员00000.xls"));
    EXPECT_TRUE(files.contains(QStringLiteral("9999_职员09998.xls")));
    EXPECT_TRUE(files.contains(QStringLiteral("10000_职员09999.xls")));
    const XlsSheetText last = sheetOf(QStringLiteral("10000_职员09999.xls"));
    EXPECT_EQ(last.text(1, 0), QStringLiteral("10000"));
    EXPECT_EQ(progress.last(), QStringLiteral("10000/10000"));
}

TEST(EPayslipReplaceTest, CellFillerGivesWhatReplaceAllGives) {
    const EPayslipRun::Replacements plain{{"[SortIdx]", "1"},  {"[EmpName]", "王芳"},
                                          {"[GZ1]", "100.00"}, {"[工资项目1]", "基本工资"},
                                          {"[KK1]", "  "},     {"[GZ10]", "-"}};
    const EPayslipRun::Replacements bracketed{
        {"[SortIdx]", "1"}, {"[EmpName]", "[GZ1]"}, {"[GZ1]", "100.00"}};
    // A placeholder listed twice takes the first and then the second occurrence.
    const EPayslipRun::Replacements twice{
        {"[GZ1]", "1.00"}, {"[EmpName]", ""}, {"[GZ1]", "2.00"}, {"[KK1]", "3.00"}};
    const EPayslipRun::Replacements unbracketed{{"GZ1", "x"}, {"[GZ1]", "100.00"}, {"[]", "y"}};
    const QStringList cells{"[GZ1]/[GZ1]",
                            "实发：[GZ10]元",
                            "[GZ[SortIdx]]",
                            "无占位符",
                            "[KK1][KK1]",
                            "a]b[EmpName]",
                            "[[GZ1]]",
                            "[工资项目1]",
                            "[EmpName] [GZ1]",
                            "[KK99]",
                            "[GZ1]/[GZ1]/[GZ1]",
                            "[KK1][EmpName][GZ1]",
                            "前[GZ1]中[KK1]后[]",
                            ""};
    for (const EPayslipRun::Replacements* row : {&plain, &bracketed, &twice, &unbracketed}) {
        EPayslipRun::CellFiller filler;
        for (int pass = 0; pass < 2; ++pass) {  // the second pass uses what the first remembered
            filler.setRow(row);
            for (const QString& cell : cells) {
                EXPECT_EQ(filler(cell), EPayslipRun::ReplaceAll(cell, *row)) << cell.toStdString();
            }
        }
    }
    EPayslipRun::CellFiller filler;
    filler.setRow(&plain);
    EXPECT_EQ(filler(QStringLiteral("[GZ[SortIdx]]")), QStringLiteral("100.00"));
    filler.setRow(&bracketed);
    EXPECT_EQ(filler(QStringLiteral("[EmpName] [GZ1]")), QStringLiteral("100.00 [GZ1]"));
    EPayslipRun::CellFiller again;
    again.setRow(&twice);
    EXPECT_EQ(again(QStringLiteral("[GZ1]/[GZ1]/[GZ1]")), QStringLiteral("1.00/2.00/[GZ1]"));
    EXPECT_EQ(again(QStringLiteral("[KK1][EmpName][GZ1]")), QStringLiteral("3.00-1.00"));
}
