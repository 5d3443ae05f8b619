#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cmath>

#include "Database.h"
#include "DetailList.h"
#include "PayslipRun.h"
#include "PrintingFixture.h"
#include "QtPrinters.h"
#include "ReportError.h"
#include "ReportLayout.h"
#include "ReportTemplate.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"

using printing_test::pdfInfo;
using printing_test::pdfText;

namespace {

const QString kMonth = QStringLiteral("202405");
const QStringList kNames{"张伟", "王芳", "李娜", "刘洋", "陈静", "杨磊",
                         "赵敏", "黄强", "周婷", "吴刚", "徐丽", "孙浩"};
const QStringList kDepartments{"财务部", "生产部", "销售部"};
const QStringList kEarnings{"基本工资", "岗位津贴", "绩效奖金", "加班费", "交通补贴", "餐费补贴"};
const QStringList kDeductions{"养老保险", "医疗保险", "个人所得税"};

struct Payslip {
    QString name;
    double net;
};

class PayslipPdfTest : public ::testing::Test {
  protected:
    void SetUp() override {
        printing_test::installTemplates(folder.path());
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        db.exec("Update TPara Set EntName=?, PrintDays=0, BillHeight=296.78, NameOnTitle=1",
                {QStringLiteral("星光机械厂")});
        params.ShowFloat = 1;
        params.ShowXH = 1;
        params.NameOnTitle = 1;
        Transaction transaction(db);
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, int(kEarnings.size()), int(kDeductions.size()));
        db.exec("Update TGZSet Set GZName='停用项目' where GZMonth=? and ShowStu=1", {kMonth});
        for (int i = 0; i < kEarnings.size(); ++i) {
            db.exec("Update TGZSet Set GZName=? where GZMonth=? and GZType=0 and SortIdx=?",
                    {kEarnings[i], kMonth, i + 1});
        }
        for (int i = 0; i < kDeductions.size(); ++i) {
            db.exec("Update TGZSet Set GZName=? where GZMonth=? and GZType=1 and SortIdx=?",
                    {kDeductions[i], kMonth, i + 1});
        }
        for (int i = 0; i < kNames.size(); ++i) {
            const double gz[] = {3000.0 + 100 * i, 500.0 + 10 * i, 300, 120.5 * i, 80, 150};
            const double kk[] = {240.0 + i, 60, 10.5 * i};
            QVariantMap row{{"DepartName", kDepartments[i % 3]},
                            {"EmpCode", QStringLiteral("E%1").arg(i + 1, 3, 10, QChar(u'0'))},
                            {"EmpName", kNames[i]},
                            {"GZ10", 999999}};  // a disabled item's amount
            double yf = 0, deducted = 0;
            for (int k = 0; k < 6; ++k) {
                row.insert(QStringLiteral("GZ%1").arg(k + 1), gz[k]);
                yf += gz[k];
            }
            for (int k = 0; k < 3; ++k) {
                row.insert(QStringLiteral("KK%1").arg(k + 1), kk[k]);
                deducted += kk[k];
            }
            row.insert("YFTotal", yf);
            row.insert("KKTotal", deducted);
            row.insert("GZTotal", yf - deducted);
            fixture::addRow(db, kMonth, row);
        }
        transaction.commit();
        ASSERT_TRUE(list.ReadyGZList(kMonth, 0));
        ASSERT_EQ(list.dsGZDetail.recordCount(), kNames.size());
    }

    // The payslips in the list's order.
    std::vector<Payslip> listed() const {
        std::vector<Payslip> slips;
        for (int r = 0; r < list.dsGZDetail.recordCount(); ++r) {
            slips.push_back({list.dsGZDetail.value(r, "EmpName").toString(),
                             list.dsGZDetail.value(r, "GZTotal").toDouble()});
        }
        return slips;
    }
    bool print(const std::vector<int>& rows, bool selectedOnly) {
        return PrintPayslipsToPdf(db, prompter, folder.path(), list, params, rows, selectedOnly,
                                  pdf);
    }
    int marked() const {
        int count = 0;
        for (int r = 0; r < list.dsGZDetail.recordCount(); ++r) {
            count += list.dsGZDetail.value(r, "SelectStu").toInt() == 1 ? 1 : 0;
        }
        return count;
    }
    // Payslips a sheet of this height holds, from the band drawn in GZBill.RAV.
    static int payslipsPerSheet(double millimetres) {
        ReportTemplate drawn;
        drawn.setProjectFile(QDir(printing_test::templateFolder()).filePath("GZBill.RAV"));
        drawn.open();
        const double band =
            ReportTemplate::findComponent("DataBand1", *drawn.findComponent("Report1.Page1"))
                ->height();
        return std::max(1, int((millimetres * 0.0394 - 0.2) / band));
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
    TAppParams params;
    QString pdf = folder.file("payslips.pdf");
};

}  // namespace

TEST_F(PayslipPdfTest, EveryListedPayslipIsPrintedAsRealText) {
    ASSERT_TRUE(print({}, false));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("星光机械厂工资单"));
    for (const Payslip& slip : listed()) {
        SCOPED_TRACE(slip.name.toStdString());
        EXPECT_TRUE(text.contains(slip.name));
        EXPECT_TRUE(text.contains(QString::number(slip.net, 'f', 2)));
    }
    for (const QString& department : kDepartments) EXPECT_TRUE(text.contains(department));
    for (const QStringList* captions : {&kEarnings, &kDeductions}) {
        for (const QString& caption : *captions)
            EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
    }
    EXPECT_FALSE(text.contains("停用项目"));
    EXPECT_FALSE(text.contains("999999"));
    EXPECT_FALSE(text.contains("工资项目"));
    EXPECT_TRUE(prompter.shown().isEmpty());

    EXPECT_EQ(pdfInfo(pdf, "Title"), "ReportPrinter Report");
    const QString fonts = printing_test::runTool("pdffonts", {pdf});
    EXPECT_TRUE(fonts.contains("UMing")) << fonts.toStdString();
}

TEST_F(PayslipPdfTest, PayslipsFollowTheListsOrder) {
    list.dsGZDetail.setSort("GZTotal DESC");
    ASSERT_TRUE(print({}, false));
    const QString text = pdfText(pdf);
    qsizetype last = -1;
    for (const Payslip& slip : listed()) {
        const qsizetype at = text.indexOf(slip.name);
        EXPECT_GT(at, last) << slip.name.toStdString();
        last = at;
    }
}

TEST_F(PayslipPdfTest, SheetsHoldAsManyPayslipsAsThePaperHeightAllows) {
    for (double millimetres : {296.78, 93.0, 43.0}) {
        SCOPED_TRACE(millimetres);
        db.exec("Update TPara Set BillHeight=?", {millimetres});
        ASSERT_TRUE(print({}, false));
        const int perSheet = payslipsPerSheet(millimetres);
        EXPECT_EQ(pdfInfo(pdf, "Pages").toInt(), (int(kNames.size()) + perSheet - 1) / perSheet);
        const QRegularExpressionMatch size =
            QRegularExpression(R"(([\d.]+) x ([\d.]+) pts)").match(pdfInfo(pdf, "Page size"));
        ASSERT_TRUE(size.hasMatch());
        EXPECT_NEAR(size.captured(1).toDouble(), 8.27 * 72, 0.5);
        EXPECT_NEAR(size.captured(2).toDouble(), millimetres * 0.0394 * 72, 0.5);
    }
    EXPECT_GT(payslipsPerSheet(296.78), 1);
}

TEST_F(PayslipPdfTest, AmountsShowInTheDisplayFormat) {
    // Row 10 (吴刚) has 120.5 × 9 = 1084.5 as its fourth earning.
    const struct {
        int showFloat;
        const char* shown;
    } cases[] = {{0, "1085"}, {1, "1084.50"}};
    for (const auto& c : cases) {
        params.ShowFloat = c.showFloat;
        ASSERT_TRUE(print({}, false));
        EXPECT_TRUE(pdfText(pdf).contains(c.shown)) << c.shown;
    }
}

TEST_F(PayslipPdfTest, PrintingSelectedRowsPrintsExactlyThoseAndRestoresTheList) {
    const std::vector<Payslip> all = listed();
    ASSERT_TRUE(print({1, 4}, true));
    const QString text = pdfText(pdf);
    for (int i = 0; i < int(all.size()); ++i) {
        EXPECT_EQ(text.contains(all[i].name), i == 1 || i == 4) << all[i].name.toStdString();
    }
    EXPECT_EQ(pdfInfo(pdf, "Pages").toInt(), 1);
    EXPECT_EQ(list.dsGZDetail.filter(), "");
    EXPECT_EQ(list.dsGZDetail.recordCount(), int(all.size()));
    EXPECT_EQ(marked(), 0);

    // After it, printing all prints every row again.
    ASSERT_TRUE(print({}, false));
    const QString again = pdfText(pdf);
    for (const Payslip& slip : all) EXPECT_TRUE(again.contains(slip.name));
}

TEST_F(PayslipPdfTest, WithoutASelectionTheCurrentRowIsPrinted) {
    const std::vector<Payslip> all = listed();
    list.dsGZDetail.setRecNo(7);
    ASSERT_TRUE(print({}, true));
    const QString text = pdfText(pdf);
    for (int i = 0; i < int(all.size()); ++i) {
        EXPECT_EQ(text.contains(all[i].name), i == 7) << all[i].name.toStdString();
    }
    EXPECT_EQ(list.dsGZDetail.recNo(), 7);
    EXPECT_EQ(marked(), 0);
}

TEST_F(PayslipPdfTest, AFailedSelectedRunStillRestoresTheFilterAndMarks) {
    ASSERT_TRUE(QFile::remove(QDir(folder.path()).filePath("RPT/GZBill.RAV")));
    EXPECT_THROW(print({0, 2, 3}, true), ReportError);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(list.dsGZDetail.filter(), "");
    EXPECT_EQ(list.dsGZDetail.recordCount(), kNames.size());
    EXPECT_EQ(marked(), 0);
}

TEST_F(PayslipPdfTest, ATemplateCanPrintTheParametersRowOnEveryPayslip) {
    const QString path = QDir(folder.path()).filePath("RPT/GZBill.RAV");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    content.replace("</DataBand>",
                    "<DataText name=\"DataTextUnit\" connection=\"RvDataSetConnection2\" "
                    "field=\"JJUnit\" left=\"0.2\" top=\"0.06\" width=\"0.5\" "
                    "height=\"0.28\"/></DataBand>");
    printing_test::writeFile(path, content);
    db.exec("Update TPara Set JJUnit='立方米'");
    ASSERT_TRUE(print({}, false));
    EXPECT_EQ(pdfText(pdf).count("立方米"), kNames.size());
}

TEST_F(PayslipPdfTest, AnEmptyListPrintsNoPayslip) {
    fixture::addMonth(db, "202406");
    ASSERT_TRUE(list.ReadyGZList("202406", 0));
    ASSERT_TRUE(print({}, true));
    EXPECT_EQ(pdfText(pdf).trimmed(), "");
    EXPECT_EQ(pdfInfo(pdf, "Pages").toInt(), 1);
}
