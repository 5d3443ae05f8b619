// The grid export: the written .xlsx read back by openpyxl.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>

#include "Database.h"
#include "DetailList.h"
#include "ExcelMonthCommands.h"
#include "GridExcelExport.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SpreadsheetError.h"
#include "SpreadsheetTestSupport.h"
#include "TestFolder.h"

namespace {

const QString kMonth = QStringLiteral("202406");

class GridExcelExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, 3, 2);
        fixture::addRow(db, kMonth,
                        {{"DepartName", "生产部"},
                         {"EmpCode", "002"},
                         {"EmpName", "李四"},
                         {"WorkDays", 20},
                         {"OneDayMOney", 150},
                         {"GZ1", 2800},
                         {"GZ2", 300.25},
                         {"GZ3", 0},
                         {"YFTotal", 3100.25},
                         {"KK1", 100},
                         {"KKTotal", 100},
                         {"GZTotal", 3000.25},
                         {"LOGTime", "2024-06-02 09:30:00"}});
        fixture::addRow(db, kMonth,
                        {{"DepartName", "财务部"},
                         {"EmpCode", "001"},
                         {"EmpName", "张三"},
                         {"ZWName", "会计"},
                         {"WorkDays", 21.5},
                         {"OneDayMOney", 200},
                         {"GZ1", 3000.5},
                         {"GZ2", 500},
                         {"YFTotal", 3500.5},
                         {"KK1", 200},
                         {"KK2", 0},
                         {"KKTotal", 200},
                         {"GZTotal", 3300.5},
                         {"QM", "备注"},
                         {"EMail", "zhang.san@example.com"},
                         {"LOGTime", "2024-06-01 10:00:00"}});
        list = std::make_unique<DetailList>(db, prompter);
    }

    void load(int printDays = 1, const QString& month = kMonth) {
        ASSERT_TRUE(list->ReadyGZList(month, printDays));
    }

    QJsonObject exportAndRead() {
        const QString path = folder.file(QStringLiteral("out.xlsx"));
        GridExcelExport::write(path, QStringLiteral("青禾工资条制作打印软件"), list->layout,
                               list->dsGZDetail);
        return sheettest::readXlsx(path);
    }

    static QStringList rowTexts(const QJsonObject& sheet, int row) {
        QStringList texts;
        const int columns = sheet.value(QStringLiteral("max_column")).toInt();
        const QJsonObject cells = sheet.value(QStringLiteral("cells")).toObject();
        for (int c = 1; c <= columns; ++c) {
            const QJsonValue v =
                cells.value(columnName(c) + QString::number(row)).toObject().value("value");
            texts << (v.isDouble() ? QString::number(v.toDouble()) : v.toString());
        }
        return texts;
    }

    static QString columnName(int column) {
        QString name;
        for (; column > 0; column = (column - 1) / 26)
            name.prepend(QChar(u'A' + (column - 1) % 26));
        return name;
    }

    static QStringList merged(const QJsonObject& sheet) {
        QStringList ranges;
        for (const QJsonValue& v : sheet.value(QStringLiteral("merged")).toArray())
            ranges << v.toString();
        return ranges;
    }

    static QJsonObject cell(const QJsonObject& sheet, const QString& ref) {
        return sheet.value(QStringLiteral("cells")).toObject().value(ref).toObject();
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    std::unique_ptr<DetailList> list;
};

QStringList sortedRanges(QStringList ranges) {
    ranges.sort();
    return ranges;
}

TEST_F(GridExcelExportTest, HeaderRowsFollowTheVisibleColumnsWithTheirMerges) {
    load();
    const QJsonObject sheet = exportAndRead();
    EXPECT_EQ(sheet.value("max_column").toInt(), 19);
    EXPECT_EQ(rowTexts(sheet, 1),
              (QStringList{"序号", "月度", "部门", "职员编码", "姓名", "职务", "出勤天数",
                           "工资/天", "应发工资", "", "", "", "应扣/代扣工资", "", "", "实发工资",
                           "签名/备注", "电子邮件地址", "登记时间"}));
    EXPECT_EQ(rowTexts(sheet, 2), (QStringList{"", "", "", "", "", "", "", "", "202406收入1",
                                               "202406收入2", "202406收入3", "合计", "202406扣款1",
                                               "202406扣款2", "合计", "", "", "", ""}));
    EXPECT_EQ(merged(sheet),
              sortedRanges({"A1:A2", "B1:B2", "C1:C2", "D1:D2", "E1:E2", "F1:F2", "G1:G2", "H1:H2",
                            "I1:L1", "M1:O1", "P1:P2", "Q1:Q2", "R1:R2", "S1:S2"}));
    EXPECT_EQ(sheet.value("title").toString(), QStringLiteral("青禾工资条制作打印软件"));
}

TEST_F(GridExcelExportTest, RowsFollowFromRowThreeInTheListsOrderWithAmountsAsNumbers) {
    load();
    const QJsonObject sheet = exportAndRead();
    EXPECT_EQ(sheet.value("max_row").toInt(), 4);
    // Ordered by department: 财务部 before 生产部.
    EXPECT_EQ(rowTexts(sheet, 3),
              (QStringList{"1", "202406", "财务部", "001", "张三", "会计", "21.5", "200", "3000.5",
                           "500", "", "3500.5", "200", "0", "200", "3300.5", "备注",
                           "zhang.san@example.com", "2024-06-01 10:00:00"}));
    EXPECT_EQ(rowTexts(sheet, 4)[4], QStringLiteral("李四"));
    EXPECT_EQ(cell(sheet, "I3").value("type").toString(), QStringLiteral("n"));
    EXPECT_EQ(cell(sheet, "A4").value("value").toDouble(), 2);
    EXPECT_EQ(cell(sheet, "D3").value("type").toString(), QStringLiteral("s"));
    // An empty amount is an empty cell, still framed.
    EXPECT_TRUE(cell(sheet, "K3").value("value").isNull());
    EXPECT_EQ(cell(sheet, "K3").value("borders").toArray().at(0).toString(),
              QStringLiteral("thin"));

    // After a title click the list is sorted by name ascending: 李四 before 张三.
    list->titleClicked(list->GetCol(QStringLiteral("EmpName")));
    const QJsonObject sorted = exportAndRead();
    EXPECT_EQ(rowTexts(sorted, 3)[4], QStringLiteral("李四"));
    EXPECT_EQ(rowTexts(sorted, 3)[0], QStringLiteral("1"));
    EXPECT_EQ(rowTexts(sorted, 4)[4], QStringLiteral("张三"));
}

TEST_F(GridExcelExportTest, EveryCellCarriesTheCellStyle) {
    load();
    const QJsonObject sheet = exportAndRead();
    const QJsonObject cells = sheet.value("cells").toObject();
    ASSERT_EQ(cells.size(), 19 * 4);
    const int headerStyle = cell(sheet, "A1").value("xf").toInt();
    const int bodyStyle = cell(sheet, "A3").value("xf").toInt();
    EXPECT_NE(headerStyle, bodyStyle);
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QJsonObject c = it.value().toObject();
        const int row = it.key().mid(it.key().indexOf(QRegularExpression("[0-9]"))).toInt();
        EXPECT_EQ(c.value("xf").toInt(), row <= 2 ? headerStyle : bodyStyle);
        if (c.value("merged").toBool()) continue;  // its style is the one of its index
        EXPECT_EQ(c.value("font").toString(), QStringLiteral("宋体"));
        EXPECT_TRUE(c.value("bold").toBool());
        EXPECT_TRUE(c.value("wrap").toBool());
        EXPECT_EQ(c.value("vertical").toString(), QStringLiteral("center"));
        EXPECT_EQ(c.value("borders").toArray(), (QJsonArray{"thin", "thin", "thin", "thin"}));
        if (row <= 2) {
            EXPECT_EQ(c.value("horizontal").toString(), QStringLiteral("centerContinuous"));
        } else {
            EXPECT_TRUE(c.value("horizontal").isNull());
        }
    }
}

TEST_F(GridExcelExportTest, HiddenColumnsLeaveNoGap) {
    // No attendance columns, and only the first earning and no deduction enabled.
    db.exec(QStringLiteral("update TGZSet set ShowStu=1 where GZMonth=? and not "
                           "(GZType=0 and SortIdx=1)"),
            {kMonth});
    load(0);
    const QJsonObject sheet = exportAndRead();
    EXPECT_EQ(rowTexts(sheet, 1),
              (QStringList{"序号", "月度", "部门", "职员编码", "姓名", "职务", "应发工资", "",
                           "实发工资", "签名/备注", "电子邮件地址", "登记时间"}));
    EXPECT_EQ(rowTexts(sheet, 2)[6], QStringLiteral("202406收入1"));
    EXPECT_EQ(rowTexts(sheet, 3)[6], QStringLiteral("3000.5"));
    EXPECT_EQ(rowTexts(sheet, 3)[7], QStringLiteral("3500.5"));
    EXPECT_TRUE(merged(sheet).contains(QStringLiteral("G1:H1")));
}

TEST_F(GridExcelExportTest, ColumnsPastZAreMergedLikeTheOthers) {
    db.exec(QStringLiteral("update TGZSet set ShowStu=0 where GZMonth=?"), {kMonth});
    load(2);
    const QJsonObject sheet = exportAndRead();
    EXPECT_EQ(sheet.value("max_column").toInt(), 60);
    const QStringList ranges = merged(sheet);
    for (const char* range :
         {"A1:A2", "I1:I2", "J1:AN1", "AO1:BD1", "BE1:BE2", "BF1:BF2", "BG1:BG2", "BH1:BH2"}) {
        EXPECT_TRUE(ranges.contains(QString::fromLatin1(range))) << range;
    }
    EXPECT_EQ(ranges.size(), 9 + 2 + 4);
    EXPECT_EQ(cell(sheet, "BE1").value("value").toString(), QStringLiteral("实发工资"));
    EXPECT_EQ(cell(sheet, "BD2").value("value").toString(), QStringLiteral("合计"));
    EXPECT_EQ(cell(sheet, "I1").value("value").toString(), QStringLiteral("工资/小时"));
}

TEST_F(GridExcelExportTest, GroupMergesNeedTheirTotalColumn) {
    struct Case {
        const char* name;
        int hidden;
        QStringList groupMerges;
    };
    const Case cases[] = {
        // The earnings merge fails, and the deductions merge after it is not tried.
        {"earnings total hidden", DetailLayout::EarningTotal, {}},
        {"deductions total hidden", DetailLayout::DeductionTotal, {"I1:L1"}},
        {"nothing hidden", -1, {"I1:L1", "M1:O1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list = std::make_unique<DetailList>(db, prompter);
        load();
        if (c.hidden >= 0) list->layout.column(c.hidden).visible = false;
        const QJsonObject sheet = exportAndRead();
        QStringList groups;
        for (const QString& range : merged(sheet)) {
            if (range.endsWith(u'1')) groups << range;  // row 1 only: "I1:L1"
        }
        EXPECT_EQ(groups, c.groupMerges);
        // The single-level columns are merged down in every case.
        EXPECT_TRUE(merged(sheet).contains(QStringLiteral("A1:A2")));
        EXPECT_TRUE(merged(sheet).contains(QStringLiteral("H1:H2")));
    }
}

TEST_F(GridExcelExportTest, TitlesWithoutGroupsAndWithTwoBars) {
    load();
    // A second bar belongs to the lower header.
    list->layout.column(DetailLayout::FirstEarning).title = QStringLiteral("应发工资|甲|乙");
    QJsonObject sheet = exportAndRead();
    EXPECT_EQ(cell(sheet, "I1").value("value").toString(), QStringLiteral("应发工资"));
    EXPECT_EQ(cell(sheet, "I2").value("value").toString(), QStringLiteral("甲|乙"));

    // No two-level title left: every column is merged down, and nothing across.
    for (int p = DetailLayout::FirstEarning; p <= DetailLayout::DeductionTotal; ++p)
        list->layout.column(p).visible = false;
    sheet = exportAndRead();
    const QStringList ranges = merged(sheet);
    EXPECT_EQ(ranges.size(), sheet.value("max_column").toInt());
    for (const QString& range : ranges) {
        const QStringList ends = range.split(u':');
        EXPECT_EQ(ends[0].left(ends[0].size() - 1), ends[1].left(ends[1].size() - 1))
            << range.toStdString();
    }
}

TEST_F(GridExcelExportTest, AnOpenEmptyListGivesTheHeaderRowsOnly) {
    fixture::addMonth(db, QStringLiteral("202407"));
    load(1, QStringLiteral("202407"));
    ASSERT_TRUE(list->dsGZDetail.isOpen());
    const QJsonObject sheet = exportAndRead();
    EXPECT_EQ(sheet.value("max_row").toInt(), 2);
    // The template's captions, since 202407 has no structure of its own.
    EXPECT_EQ(cell(sheet, "I2").value("value").toString(), QStringLiteral("基本工资"));
}

TEST_F(GridExcelExportTest, ExportCommandWritesOpensAndTellsWhatFailed) {
    QTemporaryDir out;
    QStringList opened;
    bool openResult = true;
    const GridExcelExport::Opener open = [&](const QString& path) {
        opened << path;
        return openResult;
    };

    // A list that was never loaded.
    EXPECT_FALSE(GridExcelExport::ExportGridToExcel(prompter, QStringLiteral("标题"), list->layout,
                                                    list->dsGZDetail, out.path(), open));
    EXPECT_EQ(prompter.shown(),
              QStringList{QStringLiteral("warning: 查询过程没有执行，没有数据库可以发送！")});
    EXPECT_TRUE(QDir(out.path()).isEmpty());
    EXPECT_TRUE(opened.isEmpty());

    load();
    prompter.clear();
    const auto path = GridExcelExport::ExportGridToExcel(
        prompter, QStringLiteral("青禾:工资"), list->layout, list->dsGZDetail, out.path(), open);
    ASSERT_TRUE(path);
    EXPECT_TRUE(prompter.shown().isEmpty());
    EXPECT_EQ(opened, QStringList{*path});
    EXPECT_EQ(QFileInfo(*path).absolutePath(), QDir(out.path()).absolutePath());
    EXPECT_TRUE(QFileInfo(*path).fileName().startsWith(QStringLiteral("青禾_工资_")));
    EXPECT_EQ(sheettest::readXlsx(*path).value("max_row").toInt(), 4);

    // No program to open it: the user is told where the file is.
    openResult = false;
    const auto second = GridExcelExport::ExportGridToExcel(
        prompter, QStringLiteral("青禾:工资"), list->layout, list->dsGZDetail, out.path(), open);
    ASSERT_TRUE(second);
    EXPECT_NE(*second, *path);
    EXPECT_EQ(prompter.shown(),
              QStringList{QStringLiteral("warning: 系统不能连接到Excel,请确认Excel是否安装！\n") +
                          QDir::toNativeSeparators(*second)});
    EXPECT_TRUE(QFileInfo::exists(*second));

    // A folder that cannot be made.
    prompter.clear();
    const QString blocker = QDir(out.path()).filePath(QStringLiteral("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    EXPECT_FALSE(GridExcelExport::ExportGridToExcel(prompter, QStringLiteral("标题"), list->layout,
                                                    list->dsGZDetail, blocker + "/sub", open));
    ASSERT_EQ(prompter.shown().size(), 1);
    EXPECT_TRUE(prompter.shown().at(0).startsWith(QStringLiteral("error: ")));
}

TEST_F(GridExcelExportTest, WriteReplacesAFileOnlyWhenDoneAndFailsLoudly) {
    load();
    const QString path = folder.file(QStringLiteral("out.xlsx"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    GridExcelExport::write(path, QStringLiteral("t"), list->layout, list->dsGZDetail);
    EXPECT_EQ(sheettest::readXlsx(path).value("max_row").toInt(), 4);

    const QString inMissingFolder = folder.file(QStringLiteral("no/such/folder/out.xlsx"));
    EXPECT_THROW(GridExcelExport::write(inMissingFolder, QStringLiteral("t"), list->layout,
                                        list->dsGZDetail),
                 SpreadsheetError);
    EXPECT_FALSE(QFileInfo::exists(inMissingFolder));
}

TEST_F(GridExcelExportTest, TextsGoOutAsTheyAre) {
    const QString remark = QStringLiteral("第一行\n第二行\t<&>\"'\x01");
    const QString longText(40000, u'长');
    db.exec(QStringLiteral("update TGZ set QM=? where EmpName='张三'"), {remark});
    db.exec(QStringLiteral("update TGZ set QM=? where EmpName='李四'"), {longText});
    load();
    const QJsonObject sheet = exportAndRead();
    // A control character is written as the format's escape "_x0001_", which Excel turns back
    // into the character; openpyxl leaves it as written.
    QString escaped = remark;
    escaped.replace(QChar(1), QStringLiteral("_x0001_"));
    EXPECT_EQ(cell(sheet, "Q3").value("value").toString(), escaped);
    // A cell holds at most 32,767 characters.
    EXPECT_EQ(cell(sheet, "Q4").value("value").toString(), longText.left(32767));
}

TEST_F(GridExcelExportTest, MonthCommandExportsTheMonthAsListed) {
    const QString path = folder.file(QStringLiteral("month.xlsx"));
    EXPECT_EQ(ExcelMonthCommands::exportMonth(db, prompter, kMonth, 1, path), 2);
    const QJsonObject sheet = sheettest::readXlsx(path);
    EXPECT_EQ(sheet.value("max_row").toInt(), 4);
    EXPECT_EQ(cell(sheet, "I2").value("value").toString(), QStringLiteral("202406收入1"));
    EXPECT_EQ(sheet.value("title").toString(), QStringLiteral("月度[202406]工资发放明细表"));
    EXPECT_THROW(ExcelMonthCommands::exportMonth(db, prompter, QStringLiteral("209901"), 1, path),
                 SpreadsheetError);
}

}  // namespace
