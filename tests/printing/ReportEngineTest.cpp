#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "PrintingFixture.h"
#include "QtPrinters.h"
#include "ReportDataBand.h"
#include "ReportDataText.h"
#include "ReportError.h"
#include "ReportLayout.h"
#include "ReportPage.h"
#include "ReportRectangle.h"
#include "ReportRegion.h"
#include "ReportTemplate.h"

using printing_test::writeFile;

namespace {

const QByteArray kTemplate = R"XML(<?xml version="1.0" encoding="UTF-8"?>
<ReportProject version="1">
  <Report name="Report1">
    <Page name="Page1" width="8.27" height="11.69">
      <Region name="Region1" left="0" top="0.5" width="8.27" height="10">
        <DataBand name="DataBand1" connection="RvDataSetConnection1" height="1.5">
          <Rectangle name="Frame" left="1" top="0.3" width="0.5" height="0.2" lineWidth="1.5"
                     fill="#eeeeee"/>
          <Text name="Caption" text="工资" left="1.9" top="0" width="0.6" height="0.2"
                align="center" size="9"/>
          <Text name="RightText" text="合计" left="3" top="0" width="1" height="0.2"
                align="right"/>
          <Text name="LeftText" text="左" left="5" top="0" width="1" height="0.2"/>
          <DataText name="Amount" connection="RvDataSetConnection1" field="GZ1" left="1"
                    top="0.3" width="0.5" height="0.2" align="right" padding="0.04" size="10"/>
        </DataBand>
      </Region>
    </Page>
  </Report>
</ReportProject>
)XML";

class ReportEngineTest : public ::testing::Test {
  protected:
    void SetUp() override { load(kTemplate); }

    void load(const QByteArray& content) {
        const QString path = dir.filePath(QStringLiteral("T.RAV"));
        writeFile(path, content);
        project.setProjectFile(path);
        project.open();
    }
    ReportPage& page() const {
        auto* found = dynamic_cast<ReportPage*>(project.findComponent("Report1.Page1"));
        if (!found) throw std::runtime_error("missing Report1.Page1");
        return *found;
    }
    ReportComponent* find(const QString& name) const {
        ReportComponent* page = project.findComponent(QStringLiteral("Report1.Page1"));
        return page ? ReportTemplate::findComponent(name, *page) : nullptr;
    }
    template <typename Kind>
    Kind& get(const QString& name) const {
        auto* object = dynamic_cast<Kind*>(find(name));
        if (!object) throw std::runtime_error("missing object " + name.toStdString());
        return *object;
    }

    QTemporaryDir dir;
    ReportTemplate project;
    ReportLayout layout{project, 2};
};

}  // namespace

TEST_F(ReportEngineTest, LoadsTheObjectTreeAndFindsNamesWithoutLetterCase) {
    auto* page = dynamic_cast<ReportPage*>(project.findComponent("report1.PAGE1"));
    ASSERT_NE(page, nullptr);
    EXPECT_DOUBLE_EQ(page->width(), 8.27);
    EXPECT_NE(dynamic_cast<ReportDefinition*>(project.findComponent("REPORT1")), nullptr);
    EXPECT_EQ(project.activeReport(), project.findComponent("Report1"));
    EXPECT_EQ(project.findComponent("Report1.Page2"), nullptr);
    EXPECT_EQ(project.findComponent("Report2.Page1"), nullptr);

    auto& region = get<ReportRegion>("region1");
    EXPECT_DOUBLE_EQ(region.top(), 0.5);
    auto& band = get<ReportDataBand>("DATABAND1");
    EXPECT_EQ(band.parent(), &region);
    EXPECT_EQ(band.connection(), "RvDataSetConnection1");
    EXPECT_DOUBLE_EQ(band.height(), 1.5);

    auto& frame = get<ReportRectangle>("frame");
    EXPECT_DOUBLE_EQ(frame.lineWidth(), 1.5);
    EXPECT_EQ(frame.fill(), QColor(0xee, 0xee, 0xee));
    auto& amount = get<ReportDataText>("amount");
    EXPECT_EQ(amount.dataField(), "GZ1");
    EXPECT_EQ(amount.alignment(), ReportText::Alignment::Right);
    EXPECT_DOUBLE_EQ(amount.padding(), 0.04);
    EXPECT_DOUBLE_EQ(amount.fontSize(), 10);
    EXPECT_DOUBLE_EQ(amount.width(), 0.5);
    EXPECT_EQ(find("NoSuchObject"), nullptr);
}

TEST_F(ReportEngineTest, ReopeningLoadsTheTemplateAsDrawn) {
    layout.SetRavTextOnly("Caption", "改过的");
    layout.SetPageHeight(100);
    project.close();
    EXPECT_FALSE(project.isOpen());
    EXPECT_EQ(project.findComponent("Report1.Page1"), nullptr);
    project.open();
    EXPECT_EQ(get<ReportText>("Caption").text(), "工资");
    EXPECT_DOUBLE_EQ(page().height(), 11.69);
}

TEST_F(ReportEngineTest, RefusesFilesThatAreNotValidTemplates) {
    const QByteArray head =
        "<ReportProject version=\"1\"><Report name=\"Report1\">"
        "<Page name=\"Page1\" width=\"8\" height=\"11\">";
    const QByteArray band =
        "<Region name=\"Region1\" left=\"0\" top=\"0\" width=\"8\" "
        "height=\"11\"><DataBand name=\"DataBand1\" connection=\"C\" "
        "height=\"1\">";
    const QByteArray tail = "</DataBand></Region></Page></Report></ReportProject>";
    const QByteArray text = "<Text name=\"A\" left=\"0\" top=\"0\" width=\"1\" height=\"1\"/>";
    const struct {
        const char* what;
        QByteArray content;
    } cases[] = {
        {"not XML", "this is not a template"},
        {"broken XML", head + band + "<Text name=\"A\""},
        {"other root", "<Report name=\"Report1\"/>"},
        {"other version", "<ReportProject version=\"2\"/>"},
        {"unknown element", head + band + "<Picture name=\"P\"/>" + tail},
        {"unknown attribute", head + band +
                                  "<Text name=\"A\" left=\"0\" top=\"0\" widht=\"1\" "
                                  "height=\"1\"/>" +
                                  tail},
        {"missing attribute", head + band + "<Rectangle name=\"R\" left=\"0\" top=\"0\"/>" + tail},
        {"bad number",
         head + band + "<Text name=\"A\" left=\"x\" top=\"0\" width=\"1\" height=\"1\"/>" + tail},
        {"negative width", head + band +
                               "<Text name=\"A\" left=\"0\" top=\"0\" width=\"-1\" "
                               "height=\"1\"/>" +
                               tail},
        {"duplicate name in another letter case",
         head + band + text +
             "<Rectangle name=\"a\" left=\"0\" top=\"0\" width=\"1\" "
             "height=\"1\"/>" +
             tail},
        {"text outside a band", head +
                                    "<Region name=\"Region1\" left=\"0\" top=\"0\" "
                                    "width=\"8\" height=\"11\">" +
                                    text + "</Region></Page></Report></ReportProject>"},
        {"width not a number", head + band +
                                   "<Text name=\"A\" left=\"0\" top=\"0\" width=\"nan\" "
                                   "height=\"1\"/>" +
                                   tail},
        {"infinite left", head + band +
                              "<Text name=\"A\" left=\"inf\" top=\"0\" width=\"1\" "
                              "height=\"1\"/>" +
                              tail},
        {"infinite page height",
         "<ReportProject version=\"1\"><Report name=\"Report1\"><Page name=\"Page1\" "
         "width=\"8\" height=\"1e999\">" +
             band + tail},
        {"bad alignment", head + band +
                              "<Text name=\"A\" left=\"0\" top=\"0\" width=\"1\" height=\"1\" "
                              "align=\"middle\"/>" +
                              tail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("Bad.RAV"));
        writeFile(path, c.content);
        ReportTemplate bad;
        bad.setProjectFile(path);
        try {
            bad.open();
            ADD_FAILURE() << "the template was accepted";
        } catch (const ReportError& e) {
            EXPECT_TRUE(e.message().contains("Bad.RAV")) << e.what();
        }
        EXPECT_FALSE(bad.isOpen());
        EXPECT_TRUE(bad.reports().empty());
    }
    // The same template with valid content loads, so the cases above fail for their fault.
    writeFile(dir.filePath("Good.RAV"), head + band + text + tail);
    ReportTemplate good;
    good.setProjectFile(dir.filePath("Good.RAV"));
    EXPECT_NO_THROW(good.open());
}

TEST_F(ReportEngineTest, OpeningAMissingFileFails) {
    ReportTemplate missing;
    missing.setProjectFile(dir.filePath("RPT/None.RAV"));
    EXPECT_THROW(missing.open(), ReportError);
    EXPECT_FALSE(missing.isOpen());
}

TEST_F(ReportEngineTest, TextWidthsComeFromTheFontMetricsOfTheText) {
    auto& caption = get<ReportText>("Caption");
    // Chinese characters of a Song face are one em wide: two at 9 points are 18 points.
    EXPECT_NEAR(caption.width(), 18.0 / 72, 0.01);
    layout.SetRavTextOnly("Caption", "工资工资");
    EXPECT_NEAR(caption.width(), 36.0 / 72, 0.02);
    const double at9 = caption.width();
    caption.setFontSize(18);
    EXPECT_NEAR(caption.width(), 2 * at9, 0.01);
    layout.SetRavTextOnly("LeftText", "1234");
    const double digits = get<ReportText>("LeftText").width();
    EXPECT_GT(digits, 0.1);
    EXPECT_LT(digits, at9);
}

TEST_F(ReportEngineTest, TextsKeepTheirAnchorWhenTheirTextChanges) {
    auto& centred = get<ReportText>("Caption");
    auto& right = get<ReportText>("RightText");
    auto& left = get<ReportText>("LeftText");
    // As drawn, each sits in its cell by its alignment.
    EXPECT_NEAR(centred.left() + centred.width() / 2, 2.2, 1e-9);
    EXPECT_NEAR(right.right(), 4.0, 1e-9);
    EXPECT_DOUBLE_EQ(left.left(), 5.0);
    for (const char* text : {"一", "应发工资合计", "A"}) {
        SCOPED_TRACE(text);
        layout.SetRavTextOnly("Caption", text);
        layout.SetRavTextOnly("RightText", text);
        layout.SetRavTextOnly("LeftText", text);
        EXPECT_NEAR(centred.left() + centred.width() / 2, 2.2, 1e-9);
        EXPECT_NEAR(right.right(), 4.0, 1e-9);
        EXPECT_DOUBLE_EQ(left.left(), 5.0);
    }
    // A data text keeps the box it is drawn with, whatever it shows.
    layout.SetRavDataText("Amount", "GZ2", 1, 1, false);
    EXPECT_DOUBLE_EQ(get<ReportDataText>("Amount").width(), 0.5);
    EXPECT_DOUBLE_EQ(get<ReportDataText>("Amount").left(), 1.0);
}

TEST_F(ReportEngineTest, SetRavTextCentresInItsColumnAndShrinksTextsLongerThanEightBytes) {
    const struct {
        const char* text;
        double size;
    } cases[] = {
        {"工资项目", 9},    // 8 bytes keep the template's size
        {"工资/小时", 8},   // 9 bytes
        {"五个汉字长", 8},  // five Chinese characters
        {"ABCDEFGH", 9},    // eight Latin letters
        {"ABCDEFGHI", 8},   // nine
        {"很长很长的工资项目名称", 8},
    };
    auto& caption = get<ReportText>("Caption");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        caption.setFontSize(9);
        // Ten columns over 6 inches: column 3 spans 1.9 to 2.5.
        layout.SetRavText("Caption", c.text, 3, 0.6, true);
        EXPECT_EQ(caption.text(), c.text);
        EXPECT_DOUBLE_EQ(caption.fontSize(), c.size);
        EXPECT_NEAR(caption.left() + caption.width() / 2, 2.2, 1e-9);
        if (caption.width() > 0.6) {
            // Wider than its column: it starts left of the column, nothing is cut.
            EXPECT_LT(caption.left(), 1.9);
        } else {
            EXPECT_GE(caption.left(), 1.9);
        }
    }
}

TEST_F(ReportEngineTest, SetRavTextWithoutCentringKeepsThePlaceAndTextOnlyKeepsTheFont) {
    auto& caption = get<ReportText>("Caption");
    layout.SetRavText("Caption", "工资/小时", 7, 0.6, false);
    EXPECT_DOUBLE_EQ(caption.fontSize(), 8);
    EXPECT_NEAR(caption.left() + caption.width() / 2, 2.2, 1e-9);
    auto& title = get<ReportText>("LeftText");
    layout.SetRavTextOnly("LeftText", "一个名字很长的有限责任公司工资单");
    EXPECT_DOUBLE_EQ(title.fontSize(), 9);
    EXPECT_DOUBLE_EQ(title.left(), 5.0);
}

TEST_F(ReportEngineTest, SetRavDataTextBindsAndAlignsTheRightEdgeToTheColumn) {
    auto& amount = get<ReportDataText>("Amount");
    layout.SetRavDataText("Amount", "GZ3", 3, 0.6, true);
    EXPECT_EQ(amount.dataField(), "GZ3");
    // 0.5 inch wide, right edge on 2.5.
    EXPECT_NEAR(amount.left(), 2.0, 1e-9);
    layout.SetRavDataText("Amount", "KK1", 9, 0.6, false);
    EXPECT_EQ(amount.dataField(), "KK1");
    EXPECT_NEAR(amount.left(), 2.0, 1e-9);
}

TEST_F(ReportEngineTest, SetRavRectanglePlacesOnlyWithThePositionFlag) {
    auto& frame = get<ReportRectangle>("Frame");
    layout.SetRavRectangle("Frame", 10, 0.6, true, true);
    EXPECT_NEAR(frame.left(), 6.1, 1e-9);
    EXPECT_NEAR(frame.right(), 6.7, 1e-9);
    EXPECT_TRUE(frame.visible());
    layout.SetRavRectangle("Frame", 2, 3, false, false);
    EXPECT_FALSE(frame.visible());
    EXPECT_NEAR(frame.left(), 6.1, 1e-9);
    EXPECT_NEAR(frame.width(), 0.6, 1e-9);
    layout.SetRavRectangle("Frame", 5, 0.6, true, false);
    EXPECT_TRUE(frame.visible());
    EXPECT_NEAR(frame.left(), 6.1, 1e-9);
}

TEST_F(ReportEngineTest, SetRavVisibleHidesTextsAndDataTexts) {
    layout.SetRavVisible("Caption");
    layout.SetRavVisible("Amount");
    EXPECT_FALSE(get<ReportText>("Caption").visible());
    EXPECT_FALSE(get<ReportDataText>("Amount").visible());
    EXPECT_TRUE(get<ReportText>("RightText").visible());
}

TEST_F(ReportEngineTest, AnObjectOfAnotherKindIsAnInvalidTypeCast) {
    const struct {
        const char* what;
        std::function<void()> call;
    } cases[] = {
        {"text on a rectangle", [&] { layout.SetRavText("Frame", "x", 1, 1, true); }},
        {"text only on a rectangle", [&] { layout.SetRavTextOnly("Frame", "x"); }},
        {"data text on a plain text",
         [&] { layout.SetRavDataText("Caption", "GZ1", 1, 1, false); }},
        {"rectangle on a text", [&] { layout.SetRavRectangle("Caption", 1, 1, false, false); }},
        {"rectangle on a data text", [&] { layout.SetRavRectangle("Amount", 1, 1, true, true); }},
        {"hiding a rectangle", [&] { layout.SetRavVisible("Frame"); }},
        {"text on a band", [&] { layout.SetRavTextOnly("DataBand1", "x"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(c.call(), ReportError);
    }
    EXPECT_TRUE(get<ReportRectangle>("Frame").visible());
}

TEST_F(ReportEngineTest, NamesTheTemplateLacksAreSkipped) {
    EXPECT_NO_THROW({
        layout.SetRavText("TextA11", "x", 11, 0.6, true);
        layout.SetRavTextOnly("TextA11", "x");
        layout.SetRavDataText("DataTextA11", "GZ11", 11, 0.6, true);
        layout.SetRavRectangle("RectangleA11", 11, 0.6, true, true);
        layout.SetRavVisible("TextA11");
    });
    EXPECT_EQ(get<ReportText>("Caption").text(), "工资");
}

TEST_F(ReportEngineTest, ATemplateWithoutReport1Page1IsLeftAsDrawn) {
    QByteArray other = kTemplate;
    other.replace("name=\"Report1\"", "name=\"Report2\"");
    load(other);
    layout.SetRavTextOnly("Caption", "x");
    layout.SetPageHeight(100);
    layout.SetBandHeight(10);
    auto* page = project.findComponent("Report2.Page1");
    ASSERT_NE(page, nullptr);
    EXPECT_DOUBLE_EQ(page->height(), 11.69);
    auto* caption = dynamic_cast<ReportText*>(ReportTemplate::findComponent("Caption", *page));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), "工资");
}

TEST_F(ReportEngineTest, APage1OfAnotherKindIsAnInvalidTypeCast) {
    ReportTemplate odd;
    auto report = std::make_unique<ReportDefinition>("Report1");
    report->addChild(std::make_unique<ReportText>("Page1"));
    odd.addReport(std::move(report));
    ReportLayout oddLayout(odd, 2);
    EXPECT_THROW(oddLayout.SetRavTextOnly("Page1", "x"), ReportError);
    EXPECT_THROW(oddLayout.SetPageHeight(100), ReportError);
}

TEST_F(ReportEngineTest, PageAndBandHeightsAreGivenInMillimetres) {
    layout.SetPageHeight(296.78);
    EXPECT_NEAR(page().height(), 11.693132, 1e-9);
    EXPECT_NEAR(get<ReportRegion>("Region1").top(), 0.2, 1e-9);
    EXPECT_NEAR(get<ReportRegion>("Region1").height(), 11.493132, 1e-9);
    ReportLayout(project, 5).SetPageHeight(100);
    EXPECT_NEAR(page().height(), 3.94, 1e-9);
    EXPECT_NEAR(get<ReportRegion>("Region1").top(), 0.5, 1e-9);
    EXPECT_NEAR(get<ReportRegion>("Region1").height(), 3.44, 1e-9);
    layout.SetBandHeight(50);
    EXPECT_NEAR(get<ReportDataBand>("DataBand1").height(), 1.97, 1e-9);
}
