#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>

#include "AppState.h"
#include "Database.h"
#include "DetailList.h"
#include "PosSlipText.h"
#include "Pub.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

const QString kMonth = QStringLiteral("202408");
// "应发工资|" and this caption make 9 + 18 = 27 GBK bytes, the widest title, on a disabled item.
const QString kLongHidden = QStringLiteral("很长很长的停用项目");

QString blanks(int count) {
    return QString(count, u' ');
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

class PosSlipTextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        Transaction transaction(db);
        fixture::addMonth(db, kMonth);
        fixture::addStructure(db, kMonth, 2, 1);
        db.exec("Update TGZSet Set GZName='停用' where GZMonth=?", {kMonth});
        caption(0, 1, "基本工资");
        caption(0, 2, "奖金");
        caption(0, 3, kLongHidden);
        caption(1, 1, "个税");
        fixture::addRow(db, kMonth,
                        {{"DepartName", "生产部"},
                         {"EmpCode", "E02"},
                         {"EmpName", "王芳"},
                         {"ZWName", "组长"},
                         {"WorkDays", 21.25},
                         {"OneDayMOney", 150},
                         {"GZ1", 3000},
                         {"GZ2", 200.5},
                         {"GZ3", 999},
                         {"YFTotal", 3200.5},
                         {"KK1", 35},
                         {"KKTotal", 35},
                         {"GZTotal", 3165.5},
                         {"QM", "已领"},
                         {"EMail", "wang@example.com"}});
        fixture::addRow(db, kMonth,
                        {{"DepartName", "财务部"},
                         {"EmpName", "张伟"},
                         {"GZ1", 2800},
                         {"YFTotal", 2800},
                         {"GZTotal", 2800}});
        transaction.commit();
        list.layout.setAmountFormat("0.00");
        ASSERT_TRUE(list.ReadyGZList(kMonth, 1));
    }

    void caption(int type, int item, const QString& name) {
        db.exec("Update TGZSet Set GZName=? where GZMonth=? and GZType=? and SortIdx=?",
                {name, kMonth, type, item});
    }

    // The lines of the index-th slip, from its header to the blank line after its rule.
    QStringList slip(int index, const QString& format) const {
        const QStringList all = PosSlipText::lines(list, format);
        std::vector<int> starts;
        for (int i = 0; i < all.size(); ++i) {
            if (all[i].endsWith("   工资条")) starts.push_back(i);
        }
        if (index >= int(starts.size())) return {};
        const int end = index + 1 < int(starts.size()) ? starts[index + 1] : int(all.size());
        return all.mid(starts[index], end - starts[index]);
    }

    QString tmpTxt() const { return folder.file("tmp.Txt"); }

    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
};

}  // namespace

TEST_F(PosSlipTextTest, LabelWidthIsTheWidestTitleInGbkBytesHiddenOnesIncluded) {
    EXPECT_EQ(PosSlipText::labelWidth(list.layout), 27);
    caption(0, 3, "停用");
    ASSERT_TRUE(list.ReadyGZList(kMonth, 1));
    // "应扣/代扣工资|合计" is now the widest.
    EXPECT_EQ(PosSlipText::labelWidth(list.layout), 18);

    DetailLayout narrow;
    for (int i = 0; i < narrow.size(); ++i) narrow.column(i).title = "甲";
    narrow.column(0).title = "很长很长很长很长的编号";  // ID and LOGTime do not count
    narrow.column(60).title = "很长很长很长很长的时间";
    EXPECT_EQ(PosSlipText::labelWidth(narrow), 10);
}

TEST_F(PosSlipTextTest, OneSlipPerRowWithEveryVisibleColumnInGridOrder) {
    // Labels padded to 27 bytes: a Chinese character counts 2.
    const QStringList expected{
        blanks(12) + "   工资条",
        "序号" + blanks(23) + "\t1",
        "月度" + blanks(23) + "\t202408",
        "部门" + blanks(23) + "\t财务部",
        "职员编码" + blanks(19) + "\t",
        "姓名" + blanks(23) + "\t张伟",
        "职务" + blanks(23) + "\t",
        "出勤天数" + blanks(19) + "\t0.00",
        "工资/天" + blanks(20) + "\t0.00",
        "基本工资" + blanks(19) + "\t2800.00",
        "奖金" + blanks(23) + "\t0.00",
        "合计" + blanks(23) + "\t2800.00",
        "-----------",
        "个税" + blanks(23) + "\t0.00",
        "合计" + blanks(23) + "\t0.00",
        "-----------",
        "实发工资" + blanks(19) + "\t2800.00",
        "签名/备注" + blanks(18) + "\t",
        "电子邮件地址" + blanks(15) + "\t",
        "",
        "-----------------------------------",
        "",
    };
    EXPECT_EQ(slip(0, "0.00"), expected);
    const QStringList second = slip(1, "0.00");
    EXPECT_TRUE(second.contains("姓名" + blanks(23) + "\t王芳"));
    EXPECT_TRUE(second.contains("序号" + blanks(23) + "\t2"));
    EXPECT_EQ(PosSlipText::lines(list, "0.00").size(), 2 * expected.size());
    for (const QString& line : PosSlipText::lines(list, "0.00")) {
        EXPECT_FALSE(line.contains(kLongHidden));
        EXPECT_FALSE(line.contains("出勤小时"));
        EXPECT_FALSE(line.contains("登记时间"));
    }
}

TEST_F(PosSlipTextTest, FloatingPointColumnsPrintInTheAmountFormat) {
    struct Case {
        const char* format;
        const char* days;
        const char* bonus;
        const char* net;
    };
    for (const Case& c :
         {Case{"0.00", "21.25", "200.50", "3165.50"}, Case{"0", "21", "201", "3166"}}) {
        SCOPED_TRACE(c.format);
        const QStringList lines = slip(1, c.format);
        EXPECT_TRUE(lines.contains("出勤天数" + blanks(19) + "\t" + c.days));
        EXPECT_TRUE(lines.contains("奖金" + blanks(23) + "\t" + c.bonus));
        EXPECT_TRUE(lines.contains("实发工资" + blanks(19) + "\t" + c.net));
        EXPECT_TRUE(lines.contains("职员编码" + blanks(19) + "\tE02"));
    }
}

TEST_F(PosSlipTextTest, SlipsFollowTheListsSortOrder) {
    list.titleClicked(list.GetCol("EmpName"));  // ascending by pinyin: wang before zhang
    EXPECT_TRUE(slip(0, "0").contains("姓名" + blanks(23) + "\t王芳"));
    list.titleClicked(list.GetCol("EmpName"));
    EXPECT_TRUE(slip(0, "0").contains("姓名" + blanks(23) + "\t张伟"));
}

TEST_F(PosSlipTextTest, AwkwardAmountsAndTextsAreWrittenAsTheSlipsShowThem) {
    // Amounts that round at the half cent, negative ones, -0, large ones, each on several rows
    // and columns (amounts are formatted once per value); texts with line ends of every kind,
    // characters GBK lacks and one the converter would drop. Enough rows that the file is
    // encoded a character at a time.
    const double amounts[] = {0.005, -0.005, 2.675,       -2.675,       1234567.895, -0.0,
                              0,     -0.001, 1e15 + 0.25, 99999999.999, 1.0 / 3.0,   0.125};
    const QString names[] = {"李\r\n四", "赵\n六", "钱七\r", "김철수", "孙\u200B八"};
    {
        Transaction transaction(db);
        for (int i = 0; i < 24; ++i) {
            fixture::addRow(db, kMonth,
                            {{"DepartName", "生产部"},
                             {"EmpCode", QString("E1%1").arg(i, 2, 10, QChar(u'0'))},
                             {"EmpName", names[i % 5]},
                             {"ZWName", i % 2 ? "经理\r" : "职员"},
                             {"WorkDays", amounts[(i + 3) % 12]},
                             {"GZ1", amounts[i % 12]},
                             {"GZ2", amounts[(i + 1) % 12]},
                             {"YFTotal", amounts[i % 12]},
                             {"KK1", amounts[(i + 2) % 12]},
                             {"GZTotal", amounts[(i + 5) % 12]},
                             {"QM", i % 3 ? "备注\n第二行" : ""}});
        }
        transaction.commit();
    }
    ASSERT_TRUE(list.ReadyGZList(kMonth, 1));
    ASSERT_EQ(list.dsGZDetail.recordCount(), 26);

    for (const char* format : {"0.00", "0", "0.000"}) {
        SCOPED_TRACE(format);
        for (int row = 0; row < list.dsGZDetail.recordCount(); ++row) {
            const QStringList lines = slip(row, format);
            const auto amount = [&](const char* field) {
                return FormatFloat(format, list.dsGZDetail.value(row, field).toDouble());
            };
            EXPECT_TRUE(lines.contains("基本工资" + blanks(19) + "\t" + amount("GZ1")));
            EXPECT_TRUE(lines.contains("奖金" + blanks(23) + "\t" + amount("GZ2")));
            EXPECT_TRUE(lines.contains("个税" + blanks(23) + "\t" + amount("KK1")));
            EXPECT_TRUE(lines.contains("出勤天数" + blanks(19) + "\t" + amount("WorkDays")));
            EXPECT_TRUE(lines.contains("实发工资" + blanks(19) + "\t" + amount("GZTotal")));
        }
    }
    EXPECT_EQ(FormatFloat("0.00", 0.005), "0.01");
    EXPECT_EQ(FormatFloat("0.00", -0.005), "-0.01");
    EXPECT_EQ(FormatFloat("0.00", -0.0), "0.00");

    // The file holds the lines as the window would show them, in GBK with CR LF: encoded here
    // by the converter as a whole, the dropped mark written as "?".
    ASSERT_TRUE(PosSlipText::writeFile(prompter, list, "0.00", folder.path()));
    QString text = PosSlipText::lines(list, "0.00").join(u'\n') + u'\n';
    text.replace("\r\n", "\n").replace("\n", "\r\n").replace(QChar(0x200B), u'?');
    ASSERT_GT(text.size(), 10000);
    QStringEncoder converter("GBK");
    const QByteArray expected = converter.encode(text);
    EXPECT_EQ(readBytes(tmpTxt()), expected);
    EXPECT_TRUE(expected.contains("\xC0\xEE\r\n\xCB\xC4"));  // 李 CR LF 四
    EXPECT_TRUE(expected.contains("\t???\r\n"));             // 김철수
}

TEST_F(PosSlipTextTest, TmpTxtIsWrittenAnewInGbkWithCrLf) {
    QFile old(tmpTxt());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, '#'));
    old.close();

    ASSERT_TRUE(PosSlipText::writeFile(prompter, list, "0", folder.path()));
    const QByteArray bytes = readBytes(tmpTxt());
    EXPECT_FALSE(bytes.contains('#'));
    // 工资条 in GBK.
    EXPECT_TRUE(bytes.startsWith(QByteArray(12 + 3, ' ') + "\xB9\xA4\xD7\xCA\xCC\xF5\r\n"));
    // 序号 in GBK, padded to 27 bytes.
    EXPECT_TRUE(bytes.contains("\r\n\xD0\xF2\xBA\xC5" + QByteArray(23, ' ') + "\t1\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n-----------------------------------\r\n\r\n"));
    const int lines = int(PosSlipText::lines(list, "0").size());
    EXPECT_EQ(bytes.count("\r\n"), lines);
    EXPECT_EQ(bytes.count('\n'), lines);
    EXPECT_TRUE(prompter.shown().isEmpty());
}

TEST_F(PosSlipTextTest, AnEmptyListWritesAnEmptyFile) {
    ASSERT_TRUE(list.ReadyGZList("没有数据的月度", 1));
    ASSERT_TRUE(PosSlipText::writeFile(prompter, list, "0", folder.path()));
    ASSERT_TRUE(QFile::exists(tmpTxt()));
    EXPECT_EQ(readBytes(tmpTxt()).size(), 0);
}

TEST_F(PosSlipTextTest, AListNotLoadedLeavesTmpTxtAlone) {
    QFile old(tmpTxt());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier run\r\n");
    old.close();
    list.clear();
    EXPECT_FALSE(PosSlipText::writeFile(prompter, list, "0", folder.path()));
    EXPECT_EQ(prompter.shown(), QStringList({"warning: 没有用于打印的工资数据！"}));
    EXPECT_EQ(readBytes(tmpTxt()), "earlier run\r\n");
}

TEST_F(PosSlipTextTest, TheCommandLineFormLoadsTheMonth) {
    TAppParams params;
    params.PrintDays = 1;
    params.ShowFloat = 1;
    ASSERT_TRUE(PosSlipText::writeMonthFile(db, prompter, params, kMonth, folder.path()));
    const QByteArray bytes = readBytes(tmpTxt());
    EXPECT_TRUE(bytes.contains("\t21.25\r\n"));
    EXPECT_TRUE(bytes.contains("\t3165.50\r\n"));
}

TEST_F(PosSlipTextTest, WidthSeventeenGivesSevenBlanksBeforeTheHeaderAndThirteenAfterHeji) {
    caption(0, 3, "停用");
    ASSERT_TRUE(list.ReadyGZList(kMonth, 1));
    for (int i = DetailLayout::FirstDeduction; i <= DetailLayout::DeductionTotal; ++i) {
        list.layout.column(i).title = "扣款|" + list.layout.column(i).caption();
    }
    ASSERT_EQ(PosSlipText::labelWidth(list.layout), 17);  // 应发工资|基本工资
    const QStringList lines = slip(0, "0");
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), blanks(7) + "   工资条");
    EXPECT_EQ(lines.count("合计" + blanks(13) + "\t2800"), 1);
    EXPECT_EQ(lines.count("合计" + blanks(13) + "\t0"), 1);
}
