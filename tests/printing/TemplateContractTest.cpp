#include <gtest/gtest.h>

#include <QDir>
#include <set>

#include "PrintingFixture.h"
#include "QtPrinters.h"
#include "ReportDataBand.h"
#include "ReportDataText.h"
#include "ReportLayout.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"
#include "ReportTemplate.h"
#include "Schema.h"

namespace {

enum class Attendance { None, Days, Hours };

struct Drawn {
    const char* file;
    int earnings;
    int deductions;
    Attendance attendance;
};

// What each template is drawn for, as its name and the payslip run's choice table say.
const Drawn kTemplates[] = {
    {"GZBillNoKK.RAV", 30, 0, Attendance::None},
    {"GZBill.RAV", 10, 5, Attendance::None},
    {"GZBill20_5.RAV", 20, 5, Attendance::None},
    {"GZBill10_10.RAV", 10, 10, Attendance::None},
    {"GZBill20_10.RAV", 20, 10, Attendance::None},
    {"GZBill30_15.RAV", 30, 15, Attendance::None},
    {"GZBillWithDay.RAV", 10, 5, Attendance::Days},
    {"GZBillWithDay20_10.RAV", 20, 10, Attendance::Days},
    {"GZBillWithHour.RAV", 10, 5, Attendance::Hours},
};

void PrintTo(const Drawn& drawn, std::ostream* os) {
    *os << drawn.file;
}

constexpr double kEps = 1e-6;

class TemplateContractTest : public ::testing::TestWithParam<Drawn> {
  protected:
    void SetUp() override {
        project.setProjectFile(
            QDir(printing_test::templateFolder()).filePath(QString::fromLatin1(GetParam().file)));
        project.open();
        page = dynamic_cast<ReportPage*>(project.findComponent("Report1.Page1"));
        ASSERT_NE(page, nullptr);
        band = dynamic_cast<ReportDataBand*>(find("DataBand1"));
        ASSERT_NE(band, nullptr);
    }
    ReportComponent* find(const QString& name) const {
        return ReportTemplate::findComponent(name, *page);
    }
    template <typename Kind>
    Kind* as(const QString& name) const {
        ReportComponent* found = find(name);
        EXPECT_NE(found, nullptr) << "missing " << name.toStdString();
        auto* object = dynamic_cast<Kind*>(found);
        EXPECT_TRUE(found == nullptr || object != nullptr)
            << name.toStdString() << " is a " << found->kindName().toStdString();
        return object;
    }
    // A plain text, not a data text.
    ReportText* plainText(const QString& name) const {
        ReportText* text = as<ReportText>(name);
        EXPECT_EQ(dynamic_cast<ReportDataText*>(text), nullptr)
            << name.toStdString() << " should be a plain text";
        return text;
    }
    std::vector<const ReportComponent*> bandObjects() const {
        std::vector<const ReportComponent*> objects;
        for (const auto& child : band->children()) objects.push_back(child.get());
        return objects;
    }
    const ReportDataText* dataTextFor(const QString& field) const {
        for (const ReportComponent* object : bandObjects()) {
            const auto* text = dynamic_cast<const ReportDataText*>(object);
            if (text && text->dataField().compare(field, Qt::CaseInsensitive) == 0) return text;
        }
        return nullptr;
    }

    // Caption over amount: TextX n in RectangleX n, DataTextX n in the frame below it.
    void checkColumn(const QString& caption, const QString& amount, const QString& upper,
                     const QString& lower, int n, const QString& field) {
        SCOPED_TRACE((caption + QString::number(n)).toStdString());
        const QString no = QString::number(n);
        ReportText* text = plainText(caption + no);
        auto* data = as<ReportDataText>(amount + no);
        auto* top = as<ReportRectangle>(upper + no);
        auto* bottom = as<ReportRectangle>(lower + no);
        if (!text || !data || !top || !bottom) return;
        EXPECT_EQ(data->dataField(), field + no);
        EXPECT_EQ(data->connection(), "RvDataSetConnection1");
        EXPECT_NEAR(top->left(), bottom->left(), kEps);
        EXPECT_NEAR(top->width(), bottom->width(), kEps);
        EXPECT_NEAR(top->bottom(), bottom->top(), kEps);
        EXPECT_NEAR(text->left() + text->width() / 2, top->left() + top->width() / 2, kEps);
        EXPECT_GE(text->top(), top->top() - kEps);
        EXPECT_LE(text->bottom(), top->bottom() + kEps);
        EXPECT_GE(data->left(), bottom->left() - kEps);
        EXPECT_LE(data->right(), bottom->right() + kEps);
        EXPECT_GE(data->top(), bottom->top() - kEps);
        EXPECT_LE(data->bottom(), bottom->bottom() + kEps);
        EXPECT_EQ(data->alignment(), ReportText::Alignment::Right);
        // Ten to a row on the grid the payslip run places columns on.
        EXPECT_NEAR(top->left(), ReportLayout::columnLeft((n - 1) % 10 + 1, 0.6), kEps);
        EXPECT_NEAR(top->width(), 0.6, kEps);
    }
    void checkAbsent(const QStringList& prefixes, int n) {
        for (const QString& prefix : prefixes) {
            EXPECT_EQ(find(prefix + QString::number(n)), nullptr)
                << (prefix + QString::number(n)).toStdString() << " beyond the drawn columns";
        }
    }

    ReportTemplate project;
    ReportPage* page = nullptr;
    ReportDataBand* band = nullptr;
};

}  // namespace

TEST_P(TemplateContractTest, HoldsTheNamedObjectsOfItsLayout) {
    const Drawn& drawn = GetParam();
    auto* region = as<ReportRegion>("Region1");
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region->parent(), page);
    EXPECT_EQ(band->parent(), region);
    EXPECT_EQ(band->connection(), "RvDataSetConnection1");

    plainText("TextTitle");
    plainText("Text61");
    for (const auto& [name, field] :
         {std::pair{"DataText91", "DepartName"}, std::pair{"DataText92", "EmpName"},
          std::pair{"DataText3", "SortIdx"}}) {
        auto* data = as<ReportDataText>(name);
        if (data) {
            EXPECT_EQ(data->dataField(), field) << name;
        }
    }
    ReportText* lead = plainText("Text2");
    if (lead) {
        EXPECT_EQ(lead->text(), "序号");
    }

    for (int n = 1; n <= Schema::EarningCount; ++n) {
        if (n <= drawn.earnings) {
            checkColumn("TextA", "DataTextA", "RectangleA", "RectangleB", n, "GZ");
        } else {
            checkAbsent({"TextA", "DataTextA", "RectangleA", "RectangleB"}, n);
        }
    }
    for (int n = 1; n <= Schema::DeductionCount; ++n) {
        if (n <= drawn.deductions) {
            checkColumn("TextC", "DataTextC", "RectangleC", "RectangleD", n, "KK");
        } else {
            checkAbsent({"TextC", "DataTextC", "RectangleC", "RectangleD"}, n);
        }
    }

    if (drawn.attendance == Attendance::None) {
        EXPECT_EQ(find("Text1"), nullptr);
        EXPECT_EQ(find("Text6"), nullptr);
    } else {
        ReportText* count = plainText("Text1");
        ReportText* rate = plainText("Text6");
        if (count) {
            EXPECT_EQ(count->text(), "出勤天数");
        }
        if (rate) {
            EXPECT_EQ(rate->text(), drawn.attendance == Attendance::Days ? "工资/天" : "工资/小时");
        }
        EXPECT_NE(dataTextFor("WorkDays"), nullptr);
        EXPECT_NE(dataTextFor("OneDayMOney"), nullptr);
    }
    EXPECT_EQ(dataTextFor("HourCount") != nullptr, drawn.attendance == Attendance::Hours);
    EXPECT_NE(dataTextFor("YFTotal"), nullptr);
    EXPECT_NE(dataTextFor("GZTotal"), nullptr);
    EXPECT_EQ(dataTextFor("KKTotal") != nullptr, drawn.deductions > 0);
}

TEST_P(TemplateContractTest, EveryObjectLiesOnThePaperWithinItsBandAndReadsARealField) {
    const QStringList columns = Schema::salaryColumns();
    for (const ReportComponent* object : bandObjects()) {
        SCOPED_TRACE(object->name().toStdString());
        EXPECT_GE(object->left(), 0.15);
        EXPECT_LE(object->right(), page->width() - 0.15);
        EXPECT_GE(object->top(), 0);
        EXPECT_LE(object->bottom(), band->height() + kEps);
        if (const auto* data = dynamic_cast<const ReportDataText*>(object)) {
            EXPECT_EQ(data->connection(), "RvDataSetConnection1");
            EXPECT_TRUE(columns.contains(data->dataField(), Qt::CaseInsensitive) ||
                        data->dataField() == u"SortIdx")
                << data->dataField().toStdString();
        }
    }
}

TEST_P(TemplateContractTest, FramesDoNotOverlap) {
    std::vector<const ReportRectangle*> frames;
    for (const ReportComponent* object : bandObjects()) {
        if (const auto* frame = dynamic_cast<const ReportRectangle*>(object)) {
            frames.push_back(frame);
        }
    }
    ASSERT_FALSE(frames.empty());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        for (std::size_t j = i + 1; j < frames.size(); ++j) {
            const double w = std::min(frames[i]->right(), frames[j]->right()) -
                             std::max(frames[i]->left(), frames[j]->left());
            const double h = std::min(frames[i]->bottom(), frames[j]->bottom()) -
                             std::max(frames[i]->top(), frames[j]->top());
            EXPECT_FALSE(w > kEps && h > kEps) << frames[i]->name().toStdString() << " overlaps "
                                               << frames[j]->name().toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllNine, TemplateContractTest, ::testing::ValuesIn(kTemplates),
    [](const ::testing::TestParamInfo<Drawn>& info) {
        return QString::fromLatin1(info.param.file).section(u'.', 0, 0).toStdString();
    });

TEST(TemplateFolder, HoldsExactlyTheNineTemplates) {
    QStringList expected = printing_test::templateFiles();
    QStringList found =
        QDir(printing_test::templateFolder()).entryList({"*.RAV"}, QDir::Files, QDir::Name);
    expected.sort();
    found.sort();
    EXPECT_EQ(found, expected);
}

TEST(TemplateFolder, TheTenAndFiveColumnPayslipsFitTheSmallestPaperHeight) {
    // The parameters allow a paper height down to 43 mm, below the 0.2 inch top margin.
    const double region = 43 * ReportLayout::InchesPerMillimetre - 0.2;
    for (const char* file : {"GZBill.RAV", "GZBillWithDay.RAV", "GZBillWithHour.RAV"}) {
        ReportTemplate project;
        project.setProjectFile(QDir(printing_test::templateFolder()).filePath(file));
        project.open();
        const ReportComponent* page = project.findComponent("Report1.Page1");
        ASSERT_NE(page, nullptr);
        const ReportComponent* band = ReportTemplate::findComponent("DataBand1", *page);
        ASSERT_NE(band, nullptr);
        EXPECT_LE(band->height(), region) << file;
    }
}
