#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <memory>

#include "Database.h"
#include "DetailList.h"
#include "PayslipRun.h"
#include "PrintingFixture.h"
#include "QtPrinters.h"
#include "ReportDataText.h"
#include "ReportError.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

constexpr double kEps = 1e-9;

class PayslipRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        printing_test::installTemplates(folder.path());
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        setPara("PrintDays", 0);
        setPara("EntName", QStringLiteral("星光机械厂"));
        params.TopPos = 2;
        params.ShowXH = 1;
    }

    void setPara(const QString& column, const QVariant& value) {
        db.exec(QStringLiteral("Update TPara Set %1=?").arg(column), {value});
    }
    // A month with its own structure, the first `earnings` and `deductions` enabled, loaded
    // into the list.
    void useMonth(const QString& month, int earnings, int deductions) {
        {
            // One write for the 47 rows keeps the many months of the table tests quick.
            Transaction transaction(db);
            fixture::addMonth(db, month);
            fixture::addStructure(db, month, earnings, deductions);
            fixture::addRow(db, month, {{"EmpName", "张三"}, {"GZ1", 100}});
            transaction.commit();
        }
        ASSERT_TRUE(list.ReadyGZList(month, params.PrintDays));
    }
    bool prepare() {
        run = std::make_unique<PayslipRun>(db, prompter, folder.path(), list, params);
        return run->prepare();
    }
    QString chosenFile() const { return QFileInfo(run->project().projectFile()).fileName(); }
    ReportPage& page() const {
        auto* found = dynamic_cast<ReportPage*>(run->project().findComponent("Report1.Page1"));
        if (!found) throw std::runtime_error("missing Report1.Page1");
        return *found;
    }
    ReportComponent* find(const QString& name) const {
        ReportComponent* page = run->project().findComponent("Report1.Page1");
        return page ? ReportTemplate::findComponent(name, *page) : nullptr;
    }
    template <typename Kind>
    Kind& get(const QString& name) const {
        auto* object = dynamic_cast<Kind*>(find(name));
        if (!object) throw std::runtime_error("missing " + name.toStdString());
        return *object;
    }
    ReportText& text(const QString& name) const { return get<ReportText>(name); }
    ReportDataText& data(const QString& name) const { return get<ReportDataText>(name); }
    ReportRectangle& frame(const QString& name) const { return get<ReportRectangle>(name); }
    // The chosen template as drawn, to compare positions with.
    std::unique_ptr<ReportTemplate> drawn() const {
        auto project = std::make_unique<ReportTemplate>();
        project->setProjectFile(run->project().projectFile());
        project->open();
        return project;
    }
    static ReportComponent& in(const ReportTemplate& project, const QString& name) {
        ReportComponent* found =
            ReportTemplate::findComponent(name, *project.findComponent("Report1.Page1"));
        if (!found) throw std::runtime_error("missing " + name.toStdString());
        return *found;
    }
    static double centre(const ReportComponent& c) { return c.left() + c.width() / 2; }
    QString caption(const QString& month, int type, int number) {
        return db
            .query("Select GZName from TGZSet where GZMonth=? and GZType=? and SortIdx=?",
                   {month, type, number})
            .rows.at(0)
            .at(0)
            .toString();
    }
    // Rewrites a template of the test's program folder.
    void editTemplate(const QString& file,
                      const std::vector<std::pair<QByteArray, QByteArray>>& edits) {
        const QString path = QDir(folder.path()).filePath("RPT/" + file);
        QFile in(path);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray content = in.readAll();
        in.close();
        for (const auto& [from, to] : edits) {
            ASSERT_TRUE(content.contains(from)) << from.toStdString();
            content.replace(from, to);
        }
        printing_test::writeFile(path, content);
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
    TAppParams params;
    std::unique_ptr<PayslipRun> run;
};

}  // namespace

TEST_F(PayslipRunTest, ChoosesTheTemplateByAttendanceAndCounts) {
    const struct {
        QVariant printDays;
        int deductions;
        int earnings;
        const char* file;
    } cases[] = {
        {0, 0, 12, "GZBillNoKK.RAV"},
        {0, 0, 0, "GZBillNoKK.RAV"},
        {0, 1, 10, "GZBill.RAV"},
        {0, 5, 0, "GZBill.RAV"},
        {0, 1, 11, "GZBill20_5.RAV"},
        {0, 5, 30, "GZBill20_5.RAV"},
        {0, 6, 10, "GZBill10_10.RAV"},
        {0, 10, 1, "GZBill10_10.RAV"},
        {0, 6, 11, "GZBill20_10.RAV"},
        {0, 10, 20, "GZBill20_10.RAV"},
        {0, 11, 3, "GZBill30_15.RAV"},
        {0, 15, 30, "GZBill30_15.RAV"},
        {1, 5, 10, "GZBillWithDay.RAV"},
        {1, 0, 0, "GZBillWithDay.RAV"},
        {1, 6, 10, "GZBillWithDay20_10.RAV"},
        {1, 5, 11, "GZBillWithDay20_10.RAV"},
        {2, 0, 1, "GZBillWithHour.RAV"},
        {2, 15, 30, "GZBillWithHour.RAV"},
        {3, 2, 20, "GZBillWithDay.RAV"},
        {3, 12, 4, "GZBillWithDay.RAV"},
        {7, 8, 8, "GZBillWithDay.RAV"},
        {QVariant(), 3, 4, "GZBill.RAV"},  // no setting read counts as 0
    };
    int i = 0;
    for (const auto& c : cases) {
        const QString month = QStringLiteral("M%1").arg(++i);
        SCOPED_TRACE(QStringLiteral("PrintDays %1, %2 deductions, %3 earnings")
                         .arg(c.printDays.toString())
                         .arg(c.deductions)
                         .arg(c.earnings)
                         .toStdString());
        setPara("PrintDays", c.printDays);
        useMonth(month, c.earnings, c.deductions);
        ASSERT_TRUE(prepare());
        EXPECT_EQ(chosenFile(), c.file);
        EXPECT_EQ(run->project().projectFile(),
                  QDir(folder.path()).filePath(QStringLiteral("RPT/") + c.file));
        EXPECT_EQ(PayslipRun::ChooseTemplate(c.printDays.isNull() ? "0" : c.printDays.toString(),
                                             c.deductions, c.earnings),
                  QStringLiteral("RPT/") + c.file);
    }
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(PayslipRunTest, TenEarningsAndFiveDeductionsArePlacedOnTheComputedGrid) {
    useMonth("202405", 10, 5);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBill.RAV");
    for (int i = 1; i <= 10; ++i) {
        SCOPED_TRACE(i);
        const QString n = QString::number(i);
        const double left = 0.7 + (i - 1) * 0.6, right = 0.7 + i * 0.6;
        EXPECT_EQ(text("TextA" + n).text(), caption("202405", 0, i));
        EXPECT_NEAR(centre(text("TextA" + n)), (left + right) / 2, kEps);
        EXPECT_EQ(data("DataTextA" + n).dataField(), "GZ" + n);
        EXPECT_NEAR(data("DataTextA" + n).right(), right, kEps);
        for (const QString& f : {"RectangleA" + n, "RectangleB" + n}) {
            EXPECT_NEAR(frame(f).left(), left, kEps);
            EXPECT_NEAR(frame(f).width(), 0.6, kEps);
            EXPECT_TRUE(frame(f).visible());
        }
    }
    EXPECT_NEAR(frame("RectangleA10").right(), 6.7, kEps);
    EXPECT_NEAR(frame("RectangleB10").right(), 6.7, kEps);
    for (int i = 1; i <= 5; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(text("TextC" + n).text(), caption("202405", 1, i));
        EXPECT_NEAR(frame("RectangleC" + n).width(), 0.6, kEps);
        EXPECT_NEAR(data("DataTextC" + n).right(), 0.7 + i * 0.6, kEps);
    }
    EXPECT_NEAR(frame("RectangleC5").right(), 3.7, kEps);
    EXPECT_NEAR(frame("RectangleD5").right(), 3.7, kEps);
}

TEST_F(PayslipRunTest, FewerItemsShareTheRowWidthAndDisabledItemsLeaveNoGap) {
    fixture::addMonth(db, "202406");
    fixture::addStructure(db, "202406", 0, 0);
    // Earnings 2, 5 and 9 and deductions 3 and 4 enabled.
    db.exec(
        "Update TGZSet Set ShowStu=0 where GZMonth='202406' and "
        "((GZType=0 and SortIdx in (2,5,9)) or (GZType=1 and SortIdx in (3,4)))");
    ASSERT_TRUE(list.ReadyGZList("202406", 0));
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBill.RAV");
    const int earnings[] = {2, 5, 9};
    for (int i = 1; i <= 3; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(text("TextA" + n).text(), caption("202406", 0, earnings[i - 1]));
        EXPECT_EQ(data("DataTextA" + n).dataField(), QStringLiteral("GZ%1").arg(earnings[i - 1]));
        EXPECT_NEAR(frame("RectangleA" + n).left(), 0.7 + (i - 1) * 2.0, kEps);
        EXPECT_NEAR(frame("RectangleA" + n).width(), 2.0, kEps);
        EXPECT_NEAR(centre(text("TextA" + n)), 0.7 + (i - 0.5) * 2.0, kEps);
    }
    for (int i = 4; i <= 10; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(text("TextA" + n).text(), " ");
        EXPECT_EQ(data("DataTextA" + n).dataField(), " ");
        EXPECT_FALSE(frame("RectangleA" + n).visible());
        EXPECT_FALSE(frame("RectangleB" + n).visible());
    }
    EXPECT_EQ(text("TextC1").text(), caption("202406", 1, 3));
    EXPECT_EQ(data("DataTextC2").dataField(), "KK4");
    EXPECT_NEAR(frame("RectangleD2").left(), 2.2, kEps);
    EXPECT_NEAR(frame("RectangleD2").right(), 3.7, kEps);
    EXPECT_FALSE(frame("RectangleC3").visible());
}

TEST_F(PayslipRunTest, EarningsComeInSortIdxOrderAndDeductionsInTheirEntryOrder) {
    fixture::addMonth(db, "202407");
    // Entered last item first, so entry order and column order differ.
    for (int i = 30; i >= 1; --i) {
        db.exec(
            "insert into TGZSet (GZMonth, GZType, GZName, GZField1, SortIdx, ShowStu) "
            "values ('202407', 0, ?, ?, ?, ?)",
            {QStringLiteral("收%1").arg(i), QStringLiteral("GZ%1").arg(i), i, i <= 3 ? 0 : 1});
    }
    for (int i = 15; i >= 1; --i) {
        db.exec(
            "insert into TGZSet (GZMonth, GZType, GZName, GZField1, SortIdx, ShowStu) "
            "values ('202407', 1, ?, ?, ?, ?)",
            {QStringLiteral("扣%1").arg(i), QStringLiteral("KK%1").arg(i), i, i <= 2 ? 0 : 1});
    }
    ASSERT_TRUE(list.ReadyGZList("202407", 0));
    ASSERT_TRUE(prepare());
    EXPECT_EQ(text("TextA1").text(), "收1");
    EXPECT_EQ(text("TextA3").text(), "收3");
    EXPECT_EQ(text("TextC1").text(), "扣2");
    EXPECT_EQ(data("DataTextC1").dataField(), "KK2");
    EXPECT_EQ(text("TextC2").text(), "扣1");
}

TEST_F(PayslipRunTest, ElevenEarningsAndThreeDeductionsKeepTheTemplatesLayout) {
    useMonth("202405", 11, 3);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBill20_5.RAV");
    const auto asDrawn = drawn();
    for (int i = 1; i <= 20; ++i) {
        SCOPED_TRACE(i);
        const QString n = QString::number(i);
        const bool used = i <= 11;
        EXPECT_EQ(text("TextA" + n).text(), used ? caption("202405", 0, i) : " ");
        EXPECT_EQ(data("DataTextA" + n).dataField(), used ? "GZ" + n : " ");
        EXPECT_NEAR(centre(text("TextA" + n)), centre(in(*asDrawn, "TextA" + n)), kEps);
        EXPECT_NEAR(data("DataTextA" + n).left(), in(*asDrawn, "DataTextA" + n).left(), kEps);
        for (const QString& f : {"RectangleA" + n, "RectangleB" + n}) {
            EXPECT_EQ(frame(f).visible(), used);
            EXPECT_NEAR(frame(f).left(), in(*asDrawn, f).left(), kEps);
            EXPECT_NEAR(frame(f).width(), in(*asDrawn, f).width(), kEps);
        }
    }
    for (int i = 1; i <= 5; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(text("TextC" + n).text(), i <= 3 ? caption("202405", 1, i) : " ");
        EXPECT_EQ(frame("RectangleD" + n).visible(), i <= 3);
        EXPECT_NEAR(frame("RectangleD" + n).left(), in(*asDrawn, "RectangleD" + n).left(), kEps);
    }
    EXPECT_EQ(find("TextA21"), nullptr);
}

TEST_F(PayslipRunTest, WithoutDeductionsTheLeadingColumnAndAttendanceStayAsDrawn) {
    params.ShowXH = 2;
    params.PrintDays = 3;
    params.JJUnit = QStringLiteral("吨");
    useMonth("202405", 12, 0);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillNoKK.RAV");
    EXPECT_EQ(text("TextA12").text(), caption("202405", 0, 12));
    EXPECT_EQ(text("TextA13").text(), " ");
    EXPECT_FALSE(frame("RectangleB13").visible());
    EXPECT_EQ(text("Text2").text(), "序号");
    EXPECT_EQ(data("DataText3").dataField(), "SortIdx");

    setPara("PrintDays", 3);
    useMonth("202406", 5, 0);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillWithDay.RAV");
    EXPECT_EQ(text("Text1").text(), "出勤天数");
    EXPECT_EQ(text("Text6").text(), "工资/天");
    EXPECT_EQ(text("Text2").text(), "序号");
}

TEST_F(PayslipRunTest, NoEarningsAndTwoDeductionsBlankEveryEarningsColumn) {
    useMonth("202405", 0, 2);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBill.RAV");
    for (int i = 1; i <= 10; ++i) {
        const QString n = QString::number(i);
        EXPECT_EQ(text("TextA" + n).text(), " ");
        EXPECT_EQ(data("DataTextA" + n).dataField(), " ");
        for (const QString& f : {"RectangleA" + n, "RectangleB" + n}) {
            EXPECT_FALSE(frame(f).visible());
            // Hidden over column 1 of a single 6-inch column.
            EXPECT_NEAR(frame(f).left(), 0.7, kEps);
            EXPECT_NEAR(frame(f).width(), 6, kEps);
        }
    }
    EXPECT_NEAR(frame("RectangleC2").right(), 3.7, kEps);
    EXPECT_NEAR(frame("RectangleC1").width(), 1.5, kEps);
}

TEST_F(PayslipRunTest, PieceWorkCaptionsTheCountAndTheRatePerUnit) {
    setPara("PrintDays", 3);
    params.PrintDays = 3;
    params.JJUnit = QStringLiteral("吨");
    useMonth("202405", 10, 2);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillWithDay.RAV");
    EXPECT_EQ(text("Text1").text(), "完工件数");
    EXPECT_EQ(text("Text6").text(), "工资/吨");
    EXPECT_DOUBLE_EQ(text("Text6").fontSize(), 9);

    useMonth("202406", 20, 2);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillWithDay.RAV");
    EXPECT_EQ(text("TextA10").text(), caption("202406", 0, 10));
    EXPECT_EQ(find("TextA11"), nullptr);
    EXPECT_EQ(text("Text6").text(), "工资/吨");
}

TEST_F(PayslipRunTest, DaysTemplateForMoreThanFiveDeductions) {
    setPara("PrintDays", 1);
    params.PrintDays = 1;
    useMonth("202405", 4, 6);
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillWithDay20_10.RAV");
    EXPECT_EQ(text("Text6").text(), "工资/天");
    EXPECT_EQ(text("TextC6").text(), caption("202405", 1, 6));
    EXPECT_FALSE(frame("RectangleC7").visible());
}

TEST_F(PayslipRunTest, LongCaptionsGetEightPointsAndFourCharactersKeepTheirSize) {
    setPara("PrintDays", 2);
    params.PrintDays = 2;
    useMonth("202405", 3, 1);
    db.exec(
        "Update TGZSet Set GZName='工资项目' where GZMonth='202405' and GZType=0 and SortIdx=1");
    db.exec(
        "Update TGZSet Set GZName='住房公积金' where GZMonth='202405' and GZType=0 and SortIdx=2");
    ASSERT_TRUE(prepare());
    EXPECT_EQ(chosenFile(), "GZBillWithHour.RAV");
    EXPECT_EQ(text("Text6").text(), "工资/小时");
    EXPECT_DOUBLE_EQ(text("Text6").fontSize(), 8);
    EXPECT_EQ(text("TextA1").text(), "工资项目");
    EXPECT_DOUBLE_EQ(text("TextA1").fontSize(), 9);
    EXPECT_DOUBLE_EQ(text("TextA2").fontSize(), 8);
    EXPECT_NEAR(centre(text("TextA2")), 0.7 + 1.5 * 2, kEps);
}

TEST_F(PayslipRunTest, TheLeadingColumnFollowsShowXH) {
    const struct {
        int showXH;
        const char* caption;
        const char* field;
    } cases[] = {{0, " ", " "}, {1, "序号", "SortIdx"}, {2, "职员编码", "EmpCode"}};
    useMonth("202405", 10, 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.showXH);
        params.ShowXH = c.showXH;
        ASSERT_TRUE(prepare());
        EXPECT_EQ(text("Text2").text(), c.caption);
        EXPECT_EQ(data("DataText3").dataField(), c.field);
    }
}

TEST_F(PayslipRunTest, TheTitleCarriesTheCompanyAndOptionallyDepartmentAndName) {
    setPara("EntName", QStringLiteral("某某市第一机械制造有限责任公司"));
    useMonth("202405", 10, 5);
    params.NameOnTitle = 1;
    ASSERT_TRUE(prepare());
    EXPECT_EQ(text("TextTitle").text(), "某某市第一机械制造有限责任公司工资单");
    // Set without the small-font rule: a long company name keeps the title's size.
    EXPECT_DOUBLE_EQ(text("TextTitle").fontSize(),
                     dynamic_cast<ReportText&>(in(*drawn(), "TextTitle")).fontSize());
    EXPECT_EQ(text("Text61").text(), "-");
    EXPECT_EQ(data("DataText91").dataField(), "DepartName");
    EXPECT_EQ(data("DataText92").dataField(), "EmpName");

    params.NameOnTitle = 0;
    ASSERT_TRUE(prepare());
    EXPECT_EQ(text("Text61").text(), " ");
    EXPECT_EQ(data("DataText91").dataField(), " ");
    EXPECT_EQ(data("DataText92").dataField(), " ");
}

TEST_F(PayslipRunTest, AMonthWithoutItemsPrintsTheTemplatesItems) {
    fixture::addMonth(db, "202408");
    ASSERT_TRUE(list.ReadyGZList("202408", 0));
    ASSERT_TRUE(prepare());
    EXPECT_EQ(run->itemsMonth(), "BASE");
    // The new database's template enables 10 earnings and 5 deductions.
    EXPECT_EQ(chosenFile(), "GZBill.RAV");
    EXPECT_EQ(text("TextA1").text(), caption("BASE", 0, 1));
    EXPECT_EQ(text("TextC5").text(), caption("BASE", 1, 5));
}

TEST_F(PayslipRunTest, ThePageTakesTheConfiguredHeightOr29678Millimetres) {
    const struct {
        QVariant height;
        double inches;
    } cases[] = {{QVariant(), 11.693132}, {93.0, 93 * 0.0394}, {43.5, 43.5 * 0.0394}};
    useMonth("202405", 10, 5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.height.toString().toStdString());
        setPara("BillHeight", c.height);
        ASSERT_TRUE(prepare());
        EXPECT_NEAR(page().height(), c.inches, kEps);
        EXPECT_NEAR(get<ReportRegion>("Region1").top(), 0.2, kEps);
        EXPECT_NEAR(get<ReportRegion>("Region1").height(), c.inches - 0.2, kEps);
    }
}

TEST_F(PayslipRunTest, AMissingTemplateFailsWithTheEnginesError) {
    useMonth("202405", 10, 5);
    ASSERT_TRUE(QFile::remove(QDir(folder.path()).filePath("RPT/GZBill.RAV")));
    EXPECT_THROW(prepare(), ReportError);
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(PayslipRunTest, AWrongObjectKindAmongTheEarningsIsAReadError) {
    useMonth("202405", 10, 5);
    editTemplate("GZBill.RAV", {{"name=\"TextA1\" ", "name=\"CaptionA1\" "},
                                {"name=\"RectangleA1\" ", "name=\"TextA1\" "}});
    EXPECT_FALSE(prepare());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 读取数据库发生错误！"});
}

TEST_F(PayslipRunTest, AWrongObjectKindElsewhereReachesTheGeneralErrorBox) {
    const struct {
        const char* what;
        QByteArray from;
        QByteArray to;
    } cases[] = {
        {"deduction caption", "name=\"TextC1\" ", "name=\"TextC1x\" "},
        {"leading column", "name=\"Text2\" ", "name=\"Text2x\" "},
    };
    params.ShowXH = 0;
    useMonth("202405", 10, 5);
    const QString installed = QDir(folder.path()).filePath("RPT/GZBill.RAV");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QFile::remove(installed));
        ASSERT_TRUE(
            QFile::copy(QDir(printing_test::templateFolder()).filePath("GZBill.RAV"), installed));
        // The named text becomes a rectangle, the rectangle it displaces gets another name.
        const QByteArray frameName =
            c.from == "name=\"TextC1\" " ? "name=\"RectangleC2\" " : "name=\"FrameLeadCaption\" ";
        editTemplate("GZBill.RAV", {{c.from, c.to}, {frameName, c.from}});
        EXPECT_THROW(prepare(), ReportError);
        EXPECT_TRUE(prompter.shown().isEmpty());
    }
}

TEST_F(PayslipRunTest, AFailingItemsQueryShowsTheReadErrorAndPrintsNothing) {
    useMonth("202405", 10, 5);
    db.exec("Alter table TGZSet rename to TGZSetGone");
    EXPECT_FALSE(prepare());
    EXPECT_EQ(prompter.shown(), QStringList{"error: 读取数据库发生错误！"});
    // The counts read nothing, so the template's items and the no-deductions layout were used.
    EXPECT_EQ(run->itemsMonth(), "BASE");
    EXPECT_EQ(chosenFile(), "GZBillNoKK.RAV");
}
