// The spreadsheet import: the field list the main window builds, the dialog's logic over real
// .xls and .xlsx files, and the rows it writes into a real database.

#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>
#include <random>

#include "Database.h"
#include "DetailList.h"
#include "ExcelImport.h"
#include "ExcelMonthCommands.h"
#include "ImportFieldList.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SpreadsheetError.h"
#include "SpreadsheetTestSupport.h"
#include "TestFolder.h"

namespace {

const QString kMonth = QStringLiteral("202406");
const QJsonValue kBlank;
// The file chooser as the prompter records it: title, start folder, filter.
const QString kChooseFile =
    QStringLiteral("open: 选择用来导入的数据文件||Excel 数据文件(*.xls;*.xlsx)|*.xls;*.xlsx");

QString kinds[] = {QStringLiteral("xls"), QStringLiteral("xlsx")};

class ExcelImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, 3, 2);
        const QString rename =
            QStringLiteral("update TGZSet set GZName=? where GZMonth=? and GZType=0 and SortIdx=?");
        db.exec(rename, {QStringLiteral("岗位 工资"), kMonth, 2});
        db.exec(rename, {QStringLiteral("Bonus"), kMonth, 3});
        DetailList list(db, prompter);
        list.ReadyGZList(kMonth, 1);
        fieldList = ImportFieldList::Build(list.layout);
    }

    QString write(const QString& kind, const QJsonArray& sheets) {
        const QString path = dir.filePath(QStringLiteral("book%1.").arg(++made) + kind);
        sheettest::writeSheets(path, kind, sheets);
        return path;
    }

    // Headings as the detail list titles its columns, the latin caption in other letters.
    static QJsonArray headings() {
        return {"部门",
                "职员编码",
                "姓名",
                "职务",
                "出勤天数",
                "工资/天",
                "应发工资|202406收入1",
                "应发工资|岗位 工资",
                "应发工资|BONUS",
                "应扣/代扣工资|202406扣款1",
                "应扣/代扣工资|202406扣款2"};
    }

    static QJsonArray payRows() {
        return {headings(),
                QJsonArray{"财务部", "001", "张三", "会计", 21.5, 200, 3000, 500, 100.5, 200, 0},
                QJsonArray{"生产部", "002", "李四", kBlank, 20, 150, 2800, kBlank, "", 100, kBlank},
                QJsonArray{"生产部", "003", "王五", "工人", 22, "一百", 2500, 0, 0, 0, 0},
                QJsonArray{"销售部", 1004, "赵六", "经理", 23, 300, "4000", 0, 0, 50, 0}};
    }

    int rowCount(const QString& month = kMonth) {
        return fixture::count(db, QStringLiteral("select count(*) from TGZ where GZMonth=?"),
                              {month});
    }

    QVariantList row(const QString& name, const QString& columns) {
        return db
            .query(QStringLiteral("select %1 from TGZ where EmpName=? order by ID").arg(columns),
                   {name})
            .rows.at(0);
    }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    QString fieldList;
    QTemporaryDir dir;
    int made = 0;
};

TEST_F(ExcelImportTest, FieldListHoldsTheShownColumnsWithoutTotals) {
    EXPECT_EQ(fieldList, QStringLiteral("部门 DepartName CHAR N N\r\n"
                                        "职员编码 EmpCode CHAR N N\r\n"
                                        "姓名 EmpName CHAR N N\r\n"
                                        "职务 ZWName CHAR N N\r\n"
                                        "出勤天数 WorkDays CHAR N N\r\n"
                                        "工资/天 OneDayMOney CHAR N N\r\n"
                                        "应发工资|202406收入1 GZ1 CHAR N N\r\n"
                                        "应发工资|岗位 工资 GZ2 CHAR N N\r\n"
                                        "应发工资|Bonus GZ3 CHAR N N\r\n"
                                        "应扣/代扣工资|202406扣款1 KK1 CHAR N N\r\n"
                                        "应扣/代扣工资|202406扣款2 KK2 CHAR N N\r\n"));
    // A caption with blanks keeps its field: the last four tokens are split off.
    const std::vector<ImportField> fields = ImportFieldList::Parse(fieldList);
    ASSERT_EQ(fields.size(), 11u);
    EXPECT_EQ(fields[7].caption, QStringLiteral("应发工资|岗位 工资"));
    EXPECT_EQ(fields[7].field, QStringLiteral("GZ2"));
    EXPECT_EQ(fields[7].type, QStringLiteral("CHAR"));
    EXPECT_EQ(fields[7].unique, QStringLiteral("N"));
    EXPECT_EQ(fields[7].required, QStringLiteral("N"));
    const auto two = ImportFieldList::Parse(QStringLiteral("甲  乙 GZ5 CHAR Y N\r\n\r\n"));
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0].caption, QStringLiteral("甲  乙"));
    EXPECT_EQ(two[0].unique, QStringLiteral("Y"));
}

// Amount texts as the readers give them and as users type them: each row stores its number or
// is skipped.
TEST_F(ExcelImportTest, AmountTextsAreStoredAsTheirNumbers) {
    const struct {
        const char* text;
        std::optional<double> stored;  // nothing: the row is skipped
    } cases[] = {{"3000", 3000},
                 {"-12.75", -12.75},
                 {"0.1", 0.1},
                 {"007", 7},
                 {" 42.5 ", 42.5},
                 {"1e+15", 1e15},
                 {"2.5e-07", 2.5e-7},
                 {"+8", 8},
                 {".5", 0.5},
                 {"5.", 5},
                 {"1.2.3", {}},
                 {"12abc", {}},
                 {"-", {}},
                 {"--5", {}},
                 {"１２", {}},
                 {"inf", {}},
                 {"0.30000000000000004", 0.30000000000000004}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        db.exec(QStringLiteral("delete from TGZ"));
        SheetTable table;
        table.columns = QStringList{QStringLiteral("姓名"), QStringLiteral("金额")};
        table.rows = {QStringList{QStringLiteral("张三"), QString::fromUtf8(c.text)}};
        std::vector<ExcelImport::MappingRow> mapping(2);
        mapping[0].field = QStringLiteral("EmpName");
        mapping[0].excelColumn = QStringLiteral("姓名");
        mapping[1].field = QStringLiteral("GZ1");
        mapping[1].excelColumn = QStringLiteral("金额");
        const ExcelImport::Summary summary = ExcelImport::UpdateData(db, kMonth, table, mapping);
        EXPECT_EQ(summary.imported, c.stored ? 1 : 0);
        EXPECT_EQ(summary.skipped, c.stored ? 0 : 1);
        if (!c.stored) continue;
        const QueryResult stored = db.query(QStringLiteral("select GZ1 from TGZ"));
        ASSERT_EQ(stored.rows.size(), 1u);
        EXPECT_EQ(stored.rows[0][0].toDouble(), *c.stored);
    }
}

// The totals statement after an import leaves the imported rows as they went in, which holds
// only if each went in with the very figures the statement computes: checked over awkward
// amounts, blanks and unmapped items, against the statement's own expressions.
TEST_F(ExcelImportTest, ImportedRowsGoInWithTheTotalsTheStatementGives) {
    const qint64 stale =
        fixture::addRow(db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"YFTotal", 0}});
    const qint64 current = fixture::addRow(
        db, kMonth,
        {{"EmpName", "对的"}, {"GZ2", 7.5}, {"YFTotal", 7.5}, {"KKTotal", 0}, {"GZTotal", 7.5}});
    db.execScript(
        QStringLiteral("create table written (id integer);"
                       "create trigger w after update on TGZ "
                       "begin insert into written values (new.ID); end"));
    SheetTable table;
    std::vector<ExcelImport::MappingRow> mapping;
    const auto map = [&](const QString& field) {
        table.columns << field;
        ExcelImport::MappingRow m;
        m.field = field;
        m.excelColumn = field;
        mapping.push_back(m);
    };
    map(QStringLiteral("EmpName"));
    for (int k = 1; k <= 30; ++k) {
        if (k != 17) map(QStringLiteral("GZ%1").arg(k));  // GZ17 stays unmapped
    }
    for (int k = 1; k <= 15; ++k) map(QStringLiteral("KK%1").arg(k));
    const QStringList amounts{"0.1",      "0.2",   "0.3",       "-0",   "9999999.99",
                              "-1234.56", "1e-3",  "33.333333", "",     "  ",
                              "100",      "1.005", "-0.1",      "5e15", "-9999999.99"};
    std::mt19937 random(20261211);
    for (int r = 0; r < 300; ++r) {
        QStringList row{QStringLiteral("职员%1").arg(r)};
        for (int c = 1; c < table.columns.size(); ++c) {
            row << amounts.at(int(random() % amounts.size()));
        }
        table.rows.push_back(row);
    }
    EXPECT_EQ(ExcelImport::UpdateData(db, kMonth, table, mapping).imported, 300);
    ExcelImport::UpdateTotals(db, kMonth);

    const QueryResult written = db.query(QStringLiteral("select id from written"));
    ASSERT_EQ(written.rows.size(), 1u);
    EXPECT_EQ(written.rows[0][0].toLongLong(), stale);
    QStringList earnings;
    QStringList deductions;
    for (int k = 1; k <= 30; ++k) earnings << QStringLiteral("ifnull(GZ%1,0)").arg(k);
    for (int k = 1; k <= 15; ++k) deductions << QStringLiteral("ifnull(KK%1,0)").arg(k);
    const QString e = earnings.join(u'+');
    const QString d = deductions.join(u'+');
    EXPECT_EQ(fixture::count(db,
                             QStringLiteral("select count(*) from TGZ where GZMonth=? and not "
                                            "(YFTotal is %1 and KKTotal is %2 and GZTotal is "
                                            "%1-(%2))")
                                 .arg(e, d),
                             {kMonth}),
              0);
    EXPECT_EQ(db.query(QStringLiteral("select YFTotal from TGZ where ID=?"), {stale}).rows[0][0],
              QVariant(1000.0));
    EXPECT_EQ(db.query(QStringLiteral("select GZTotal from TGZ where ID=?"), {current}).rows[0][0],
              QVariant(7.5));

    // A sheet that brings a total of its own leaves all three to the statement.
    db.exec(QStringLiteral("delete from written"));
    SheetTable own;
    own.columns =
        QStringList{QStringLiteral("EmpName"), QStringLiteral("GZ1"), QStringLiteral("YFTotal")};
    own.rows = {QStringList{QStringLiteral("自带"), QStringLiteral("10"), QStringLiteral("99")}};
    std::vector<ExcelImport::MappingRow> ownMapping(3);
    for (int i = 0; i < 3; ++i) ownMapping[i].field = ownMapping[i].excelColumn = own.columns[i];
    EXPECT_EQ(ExcelImport::UpdateData(db, kMonth, own, ownMapping).imported, 1);
    ExcelImport::UpdateTotals(db, kMonth);
    EXPECT_EQ(fixture::count(db, QStringLiteral("select count(*) from written")), 1);
    const QueryResult mine =
        db.query(QStringLiteral("select YFTotal,KKTotal,GZTotal from TGZ where EmpName='自带'"));
    EXPECT_EQ(mine.rows.at(0), (QVariantList{10.0, 0.0, 10.0}));
}

class ExcelImportFormats : public ExcelImportTest, public ::testing::WithParamInterface<QString> {};

TEST_P(ExcelImportFormats, ImportsEveryRowByTheAutomaticMapping) {
    const qint64 other =
        fixture::addRow(db, QStringLiteral("202405"), {{"GZ1", 9}, {"YFTotal", 1}});
    fixture::addRow(db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"GZ30", 50}, {"KK15", 5}});
    const QString path = write(GetParam(), {sheettest::sheet("工资", payRows())});

    ExcelImport import(db, prompter, kMonth, fieldList);
    prompter.queueFile(path);
    ASSERT_TRUE(import.Button6Click());
    EXPECT_EQ(import.sheetNames(), QStringList{"工资"});
    // Every row mapped to its heading, found without regard to letter case.
    for (const ExcelImport::MappingRow& m : import.mapping()) {
        const QString expected = m.field == u"GZ3" ? QStringLiteral("应发工资|BONUS") : m.caption;
        EXPECT_EQ(m.excelColumn, expected) << m.field.toStdString();
    }
    ASSERT_TRUE(import.importEnabled());

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const auto summary = import.Button4Click();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->imported, 3);
    EXPECT_EQ(summary->skipped, 1);
    EXPECT_EQ(prompter.shown(),
              (QStringList{kChooseFile,
                           QStringLiteral("info: 导入数据结束！\n已导入 3 行，跳过 1 行。")}));
    EXPECT_FALSE(import.importEnabled());
    EXPECT_EQ(rowCount(), 4);

    const QString columns = QStringLiteral(
        "GZMonth,DepartName,EmpCode,ZWName,WorkDays,OneDayMOney,GZ1,GZ2,GZ3,KK1,KK2,HourCount,GZ4,"
        "QM,EMail,YFTotal,KKTotal,GZTotal,LOGTime");
    const QVariantList zhang = row(QStringLiteral("张三"), columns);
    EXPECT_EQ(zhang.mid(0, 4), (QVariantList{kMonth, "财务部", "001", "会计"}));
    EXPECT_EQ(zhang.mid(4, 7), (QVariantList{21.5, 200.0, 3000.0, 500.0, 100.5, 200.0, 0.0}));
    // Not mapped: left as the database makes them.
    for (int i = 11; i <= 14; ++i) EXPECT_TRUE(zhang.at(i).isNull()) << i;
    // Totals by the import's statement.
    EXPECT_EQ(zhang.mid(15, 3), (QVariantList{3600.5, 200.0, 3400.5}));
    const QDateTime logged =
        QDateTime::fromString(zhang.at(18).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    EXPECT_TRUE(logged >= before && logged <= after) << zhang.at(18).toString().toStdString();

    // Blank cells store null, in amounts and in texts.
    const QVariantList li =
        row(QStringLiteral("李四"), QStringLiteral("ZWName,GZ2,GZ3,KK2,YFTotal"));
    EXPECT_TRUE(li.at(0).isNull());
    EXPECT_TRUE(li.at(1).isNull());
    EXPECT_TRUE(li.at(2).isNull());
    EXPECT_TRUE(li.at(3).isNull());
    EXPECT_EQ(li.at(4), QVariant(2800.0));
    // A number in a text column and number text in an amount column.
    EXPECT_EQ(row(QStringLiteral("赵六"), QStringLiteral("EmpCode,GZ1")),
              (QVariantList{"1004", 4000.0}));
    // The row with text in an amount column was skipped, and only that one.
    EXPECT_EQ(fixture::count(db, QStringLiteral("select count(*) from TGZ where EmpName='王五'")),
              0);

    // The statement sets the totals of the whole month from all items, and of no other month.
    EXPECT_EQ(row(QStringLiteral("原有"), QStringLiteral("YFTotal,KKTotal,GZTotal")),
              (QVariantList{1050.0, 5.0, 1045.0}));
    EXPECT_EQ(db.query(QStringLiteral("select YFTotal from TGZ where ID=?"), {other}).rows[0][0],
              QVariant(1.0));
}

TEST_P(ExcelImportFormats, ImportingTwiceDoublesTheRows) {
    const QString path = write(GetParam(), {sheettest::sheet("工资", payRows())});
    ExcelImport import(db, prompter, kMonth, fieldList);
    ASSERT_TRUE(import.OpenFile(path));
    ASSERT_TRUE(import.Button4Click());
    // Each import needs the file opened again.
    EXPECT_FALSE(import.Button4Click());
    ASSERT_TRUE(import.OpenFile(path));
    ASSERT_TRUE(import.Button4Click());
    EXPECT_EQ(rowCount(), 6);
    EXPECT_EQ(fixture::count(db, QStringLiteral("select count(*) from TGZ where EmpName='张三'")),
              2);
}

TEST_P(ExcelImportFormats, ASheetWithoutHeadingsIsMappedByHand) {
    const QString path = write(
        GetParam(), {sheettest::sheet("S", {QJsonArray{1001, 3000}, QJsonArray{1002, 2500.5}})});
    ExcelImport import(db, prompter, kMonth, fieldList);
    ASSERT_TRUE(import.OpenFile(path));
    for (const ExcelImport::MappingRow& m : import.mapping()) EXPECT_TRUE(m.excelColumn.isEmpty());
    EXPECT_EQ(import.Button1Click(), (QStringList{"F1", "F2"}));
    import.setExcelColumn(1, QStringLiteral("F1"));  // 职员编码
    import.setExcelColumn(6, QStringLiteral("f2"));  // 应发工资|202406收入1
    const auto summary = import.Button4Click();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->imported, 2);
    EXPECT_EQ(db.query(QStringLiteral("select EmpCode, GZ1 from TGZ where GZMonth=? order by ID"),
                       {kMonth})
                  .rows,
              (std::vector<QVariantList>{{"1001", 3000.0}, {"1002", 2500.5}}));
}

TEST_P(ExcelImportFormats, ALargeSheetIsImportedWhole) {
    const QString path = write(
        GetParam(),
        {QJsonObject{
            {"name", "大表"},
            {"generate", QJsonObject{{"rows", 50000},
                                     {"columns", QJsonArray{"姓名", "#应发工资|202406收入1"}}}}}});
    ExcelImport import(db, prompter, kMonth, fieldList);
    ASSERT_TRUE(import.OpenFile(path));
    const auto summary = import.Button4Click();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->imported, 50000);
    EXPECT_EQ(summary->skipped, 0);
    EXPECT_EQ(rowCount(), 50000);
    EXPECT_EQ(row(QStringLiteral("姓名49999"), QStringLiteral("GZ1,YFTotal")),
              (QVariantList{50000.0, 50000.0}));
}

INSTANTIATE_TEST_SUITE_P(Formats, ExcelImportFormats, ::testing::ValuesIn(kinds),
                         [](const auto& info) { return info.param.toStdString(); });

TEST_F(ExcelImportTest, FilesAndSheetsThatCannotBeReadAreTold) {
    ExcelImport import(db, prompter, kMonth, fieldList);
    // "对应设定" before a file.
    EXPECT_FALSE(import.Button1Click());
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("请首先选择源Excel数据文件，然后再指定列对应关系。")});

    // Cancelled.
    prompter.clear();
    prompter.queueFile(std::nullopt);
    EXPECT_FALSE(import.Button6Click());
    EXPECT_FALSE(import.fileOpen());

    // Not a spreadsheet.
    const QString text = dir.filePath(QStringLiteral("text.xls"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("部门\t姓名\r\n");
    }
    prompter.queueFile(text);
    EXPECT_FALSE(import.Button6Click());
    EXPECT_EQ(prompter.shown(),
              (QStringList{kChooseFile, kChooseFile,
                           QStringLiteral("warning: 确认选择的数据文件是正确的数据文件！")}));
    EXPECT_FALSE(import.fileOpen());
    EXPECT_FALSE(import.importEnabled());

    // An empty first sheet: told, and the other sheet can still be chosen.
    prompter.clear();
    const QString book = write(QStringLiteral("xlsx"),
                               {sheettest::sheet("空表", {}), sheettest::sheet("工资", payRows())});
    EXPECT_FALSE(import.OpenFile(book));
    EXPECT_EQ(prompter.shown(),
              QStringList{QStringLiteral("error: 读取数据表发生错误！\n工作表“空表”中没有数据。")});
    EXPECT_TRUE(import.sheetChoiceEnabled());
    EXPECT_FALSE(import.importEnabled());
    EXPECT_EQ(import.Button1Click(), QStringList());
    ASSERT_TRUE(import.cmbTablesClick(1));
    EXPECT_TRUE(import.importEnabled());
    EXPECT_EQ(import.mapping().at(2).excelColumn, QStringLiteral("姓名"));
    const auto summary = import.Button4Click();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->imported, 3);
}

TEST_F(ExcelImportTest, MappingsStayWhenAnotherFileIsOpened) {
    ExcelImport import(db, prompter, kMonth, fieldList);
    ASSERT_TRUE(import.OpenFile(write(QStringLiteral("xls"), {sheettest::sheet("A", payRows())})));
    const QString second =
        write(QStringLiteral("xls"),
              {sheettest::sheet("B", {QJsonArray{"部门", "名字"}, QJsonArray{"财务部", "孙七"}})});
    ASSERT_TRUE(import.OpenFile(second));
    EXPECT_EQ(import.mapping().at(0).excelColumn, QStringLiteral("部门"));
    // Still mapped to the first file's "姓名", which the second file does not have: every row
    // fails on it and is counted as skipped.
    EXPECT_EQ(import.mapping().at(2).excelColumn, QStringLiteral("姓名"));
    const auto summary = import.Button4Click();
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->imported, 0);
    EXPECT_EQ(summary->skipped, 1);
    EXPECT_EQ(rowCount(), 0);

    // Mapped by hand to the second file's column, the row goes in.
    ASSERT_TRUE(import.OpenFile(second));
    for (int i = 1; i < int(import.mapping().size()); ++i) import.setExcelColumn(i, QString());
    import.setExcelColumn(2, QStringLiteral("名字"));
    const auto again = import.Button4Click();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->imported, 1);
    EXPECT_EQ(row(QStringLiteral("孙七"), QStringLiteral("DepartName")), QVariantList{"财务部"});
}

// A database that fails during the import, made by a trigger on TGZ. A row the table refuses is
// skipped; a failure that ends the transaction (as a full disk may) or fails the totals keeps
// nothing of the import, is told, and the same file can be imported again once it is mended.
struct DatabaseFault {
    const char* name;
    const char* trigger;
    bool kept;  // the import went in, without the refused row
};

void PrintTo(const DatabaseFault& c, std::ostream* os) {
    *os << c.name;
}

class ExcelImportFaults : public ExcelImportTest,
                          public ::testing::WithParamInterface<DatabaseFault> {};

TEST_P(ExcelImportFaults, FailureKeepsNothingAndIsTold) {
    const DatabaseFault& c = GetParam();
    const QString path = write(QStringLiteral("xlsx"), {sheettest::sheet("工资", payRows())});
    fixture::addRow(db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"YFTotal", 0}});
    const auto untouched = [&] {
        EXPECT_EQ(rowCount(), 1);
        EXPECT_EQ(row(QStringLiteral("原有"), QStringLiteral("YFTotal")), QVariantList{0.0});
    };
    db.execScript(QString::fromUtf8(c.trigger));

    ExcelImport import(db, prompter, kMonth, fieldList);
    ASSERT_TRUE(import.OpenFile(path));
    prompter.clear();
    const auto summary = import.Button4Click();
    if (c.kept) {
        ASSERT_TRUE(summary);
        EXPECT_EQ(prompter.shown(),
                  QStringList{QStringLiteral("info: 导入数据结束！\n已导入 2 行，跳过 2 行。")});
        EXPECT_EQ(rowCount(), 3);
        EXPECT_EQ(row(QStringLiteral("原有"), QStringLiteral("YFTotal")), QVariantList{1000.0});
    } else {
        EXPECT_FALSE(summary);
        EXPECT_EQ(prompter.shown(), QStringList{QStringLiteral("error: 保存数据发生错误！")});
        EXPECT_FALSE(db.inTransaction());
        untouched();
        EXPECT_TRUE(import.importEnabled());
    }
    // gztctl's import, over the same fault.
    if (c.kept) {
        const auto byCommand = ExcelMonthCommands::importFile(db, prompter, kMonth, 1, path);
        EXPECT_EQ(byCommand.imported, 2);
        EXPECT_EQ(byCommand.skipped, 2);
        EXPECT_EQ(rowCount(), 5);
    } else {
        EXPECT_THROW(ExcelMonthCommands::importFile(db, prompter, kMonth, 1, path),
                     SpreadsheetError);
        untouched();
    }

    db.execScript(QStringLiteral("drop trigger fault"));
    if (c.kept) return;
    prompter.clear();
    const auto again = import.Button4Click();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->imported, 3);
    EXPECT_EQ(prompter.shown(),
              QStringList{QStringLiteral("info: 导入数据结束！\n已导入 3 行，跳过 1 行。")});
    EXPECT_EQ(rowCount(), 4);
    EXPECT_EQ(row(QStringLiteral("原有"), QStringLiteral("YFTotal")), QVariantList{1000.0});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ExcelImportFaults,
    ::testing::Values(
        DatabaseFault{"RowRefused",
                      "create trigger fault before insert on TGZ when new.EmpName='李四' "
                      "begin select raise(abort, 'refused'); end",
                      true},
        DatabaseFault{"TransactionEndedByTheEngine",
                      "create trigger fault before insert on TGZ when new.EmpName='李四' "
                      "begin select raise(rollback, 'rolled back'); end",
                      false},
        DatabaseFault{"TotalsFail",
                      "create trigger fault before update of YFTotal on TGZ "
                      "begin select raise(abort, 'disk full'); end",
                      false}),
    [](const ::testing::TestParamInfo<DatabaseFault>& info) {
        return std::string(info.param.name);
    });

// gztctl's import recomputes the totals in its transaction: when that write fails, the rows go
// with it.
TEST_F(ExcelImportTest, MonthCommandWhoseRecalculationFailsKeepsNothing) {
    const QString path = write(QStringLiteral("xlsx"), {sheettest::sheet("工资", payRows())});
    fixture::addRow(db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"GZ30", 50}});
    // The import's statement counts the disabled GZ30 (1050); only the recalculation fails.
    db.execScript(QStringLiteral(
        "create trigger fault before update of YFTotal on TGZ when new.YFTotal=1000 and "
        "old.YFTotal=1050 begin select raise(abort, 'disk full'); end"));
    try {
        ExcelMonthCommands::importFile(db, prompter, kMonth, 1, path);
        ADD_FAILURE() << "the failed recalculation was not told";
    } catch (const SpreadsheetError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("存储数据发生错误！"));
    }
    EXPECT_EQ(rowCount(), 1);
    EXPECT_TRUE(row(QStringLiteral("原有"), QStringLiteral("YFTotal")).at(0).isNull());
}

TEST_F(ExcelImportTest, MonthCommandImportsAndRecomputesLikeTheMainWindow) {
    const QString path = write(QStringLiteral("xlsx"),
                               {sheettest::sheet("其他", {QJsonArray{"姓名"}, QJsonArray{"甲"}}),
                                sheettest::sheet("工资", payRows())});
    fixture::addRow(db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"GZ30", 50}});
    const auto summary =
        ExcelMonthCommands::importFile(db, prompter, kMonth, 1, path, QStringLiteral("工资"));
    EXPECT_EQ(summary.imported, 3);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_EQ(rowCount(), 4);
    // Recomputed from the shown items only: GZ30 is disabled in this month.
    EXPECT_EQ(row(QStringLiteral("原有"), QStringLiteral("YFTotal,GZTotal")),
              (QVariantList{1000.0, 1000.0}));
    EXPECT_EQ(row(QStringLiteral("张三"), QStringLiteral("YFTotal,KKTotal,GZTotal")),
              (QVariantList{3600.5, 200.0, 3400.5}));

    EXPECT_THROW(ExcelMonthCommands::importFile(db, prompter, QStringLiteral("209901"), 1, path),
                 SpreadsheetError);
    EXPECT_THROW(
        ExcelMonthCommands::importFile(db, prompter, kMonth, 1, path, QStringLiteral("无")),
        SpreadsheetError);
    EXPECT_THROW(ExcelMonthCommands::importFile(db, prompter, kMonth, 1, dir.filePath("none.xls")),
                 SpreadsheetError);
    EXPECT_EQ(rowCount(), 4);
}

}  // namespace
