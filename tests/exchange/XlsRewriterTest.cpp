#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <map>

#include "FileError.h"
#include "QtPrinters.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsRewriter.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

using xlstest::Rec;

namespace {

struct Shape {
    XlsWriter::Options options;
    bool coverSheet = true;  // a sheet before Sheet1, so that offsets shift
    int rows = 12;           // rows of placeholders below the header row
    int extraStrings = 0;    // distinct static strings, to make the table large
    int longText = 0;        // length of one long static string
};

QByteArray richRuns() {
    QByteArray runs;
    xls::append16(runs, 0);
    xls::append16(runs, 5);
    xls::append16(runs, 2);
    xls::append16(runs, 0);
    return runs;
}

QByteArray makeTemplate(const Shape& shape) {
    XlsWriter w(shape.options);
    XlsWriter::Font bold;
    bold.bold = true;
    const int boldFont = w.addFont(bold);
    XlsWriter::Format boxed;
    boxed.font = boldFont;
    boxed.left = boxed.right = boxed.top = boxed.bottom = XlsWriter::Thin;
    boxed.halign = XlsWriter::HAlign::Center;
    const int box = w.addFormat(boxed);
    if (shape.coverSheet) {
        XlsWriter::Sheet& cover = w.addSheet(QStringLiteral("封面"));
        cover.setText(0, 0, QStringLiteral("姓名"));
        cover.setText(1, 0, QStringLiteral("[EmpName]"));  // another sheet: never replaced
        cover.setText(2, 0, QStringLiteral("封面说明"));
    }
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    s.setColumnWidth(0, 14);
    s.setColumnWidth(3, 30);
    s.setRowHeight(0, 24);
    s.setText(0, 0, QStringLiteral("姓名"), box);
    s.setText(0, 1, QStringLiteral("[EmpName]"), box);  // the first row: never replaced
    s.setText(1, 0, QStringLiteral("[EmpName]"), box);
    s.setText(1, 1, QStringLiteral("实发：[GZTotal]元"), box);
    s.setText(1, 2, QStringLiteral("[GZ1]/[GZ1]"), box);
    s.setNumber(1, 3, 5, box);
    s.setRichText(2, 0, QStringLiteral("[GZMonth]月份"), richRuns());
    s.setRichText(2, 1, QStringLiteral("备注文字"), richRuns(), QByteArray("\x01\x00\x02\x00", 4));
    s.merge(2, 2, 2, 3);
    s.setBlank(2, 2, box);
    s.setBlank(2, 3, box);
    for (int r = 0; r < shape.rows; ++r) {
        s.setText(3 + r, 0, QStringLiteral("[工资项目%1]").arg(r + 1), box);
        s.setText(3 + r, 1, QStringLiteral("[GZ%1]").arg(r + 1), box);
        s.setText(3 + r, 2, QStringLiteral("工资项目"), box);
        if (r % 5 == 0) s.setRowHeight(3 + r, 18);
    }
    for (int i = 0; i < shape.extraStrings; ++i) {
        s.setText(3 + shape.rows + i, 4, QStringLiteral("固定文字第%1条说明").arg(i));
    }
    if (shape.longText > 0) {
        QString text;
        for (int i = 0; i < shape.longText; ++i) text += QChar(0x4E00 + (i * 7) % 2000);
        s.setText(1, 5, text);
    }
    XlsWriter::Sheet& after = w.addSheet(QStringLiteral("Sheet3"));
    after.setText(0, 0, QStringLiteral("工资项目"));
    after.setText(5, 5, QStringLiteral("[GZ2]"));
    return w.toBytes();
}

std::map<QString, QString> sampleValues(int rows) {
    std::map<QString, QString> v{{QStringLiteral("[EmpName]"), QStringLiteral("王芳")},
                                 {QStringLiteral("[GZTotal]"), QStringLiteral("1235")},
                                 {QStringLiteral("[GZMonth]"), QStringLiteral("202401")}};
    for (int k = 1; k <= rows; ++k) {
        v[QStringLiteral("[GZ%1]").arg(k)] = QString::number(k * 100);
        v[QStringLiteral("[工资项目%1]").arg(k)] = QStringLiteral("项目名称%1").arg(k);
    }
    return v;
}

XlsRewriter::CellTransform replacer(const std::map<QString, QString>& values) {
    return [values](const QString& text) {
        QString t = text;
        for (const auto& [placeholder, value] : values) {
            const qsizetype at = t.indexOf(placeholder);
            if (at >= 0) t.replace(at, placeholder.size(), value);
        }
        return t;
    };
}

// Every sheet's cells as the template has them, with `transform` applied to the text cells of
// Sheet1 below the first row.
std::map<QString, std::map<std::pair<int, int>, QString>> expectedCells(
    const QByteArray& templ, const XlsRewriter::CellTransform& transform) {
    std::map<QString, std::map<std::pair<int, int>, QString>> result;
    const XlsWorkbook book = XlsWorkbook::fromBytes(templ);
    for (int i = 0; i < book.sheetNames().size(); ++i) {
        const XlsSheetText s = book.sheet(i);
        for (const auto& [key, text] : s.cells) {
            if (text.isEmpty()) continue;
            result[s.name][key] = (s.name == u"Sheet1" && key.first >= 1) ? transform(text) : text;
        }
    }
    return result;
}

std::map<QString, std::map<std::pair<int, int>, QString>> actualCells(const QByteArray& file) {
    std::map<QString, std::map<std::pair<int, int>, QString>> result;
    const XlsWorkbook book = XlsWorkbook::fromBytes(file);
    for (int i = 0; i < book.sheetNames().size(); ++i) {
        const XlsSheetText s = book.sheet(i);
        for (const auto& [key, text] : s.cells) {
            if (!text.isEmpty()) result[s.name][key] = text;
        }
    }
    return result;
}

// The records of a stream without the strings table (SST, its CONTINUE records, EXTSST).
std::vector<Rec> withoutStrings(const QByteArray& stream) {
    std::vector<Rec> all = xlstest::records(stream);
    std::vector<Rec> kept;
    bool inSst = false;
    for (const Rec& r : all) {
        if (r.type == 0x00FC) {
            inSst = true;
            continue;
        }
        if (inSst && r.type == 0x003C) continue;
        inSst = false;
        if (r.type == 0x00FF) continue;
        kept.push_back(r);
    }
    return kept;
}

// Every record other than the strings table and the cells that changed is the same, byte for
// byte, but for the positions the rewriter has to recompute.
void expectOtherRecordsKept(const QByteArray& in, const QByteArray& out) {
    const QByteArray a = xlstest::workbookStream(in);
    const QByteArray b = xlstest::workbookStream(out);
    const std::vector<Rec> ra = withoutStrings(a);
    const std::vector<Rec> rb = withoutStrings(b);
    ASSERT_EQ(ra.size(), rb.size());
    for (std::size_t i = 0; i < ra.size(); ++i) {
        const Rec& x = ra[i];
        const Rec& y = rb[i];
        const QByteArray dx = a.mid(x.pos + 4, x.size);
        const QByteArray dy = b.mid(y.pos + 4, y.size);
        const bool cellText = (x.type == 0x0204 || x.type == 0x00D6) && y.type == 0x00FD;
        if (!cellText) {
            ASSERT_EQ(x.type, y.type) << "record " << i;
        }
        switch (x.type) {
            case 0x0085:  // BOUNDSHEET8: all but the position
                EXPECT_EQ(dx.mid(4), dy.mid(4));
                break;
            case 0x020B:  // INDEX: all but the positions
                EXPECT_EQ(dx.left(12), dy.left(12));
                EXPECT_EQ(dx.size(), dy.size());
                break;
            case 0x00D7:  // DBCELL: offsets recomputed
                EXPECT_EQ(dx.size(), dy.size());
                break;
            case 0x00FD:
            case 0x0204:
            case 0x00D6:  // text cells: same place and format
                EXPECT_EQ(dx.left(6), dy.left(6));
                break;
            default:
                EXPECT_EQ(dx, dy) << "record " << i << " type 0x" << std::hex << x.type;
        }
    }
}

class XlsRewriterTest : public ::testing::Test {
  protected:
    // Rewrites `templ` with the sample values and checks everything the issue asks for.
    QByteArray rewriteAndCheck(const QByteArray& templ, int rows) {
        const auto transform = replacer(sampleValues(rows));
        const XlsRewriter rewriter(templ);
        const QByteArray out = rewriter.rewrite(transform);
        EXPECT_EQ(xlstest::checkStructure(out), QStringList{});
        EXPECT_EQ(actualCells(out), expectedCells(templ, transform));
        expectOtherRecordsKept(templ, out);
        const QString path = dir.filePath(QStringLiteral("out%1.xls").arg(++files));
        xlstest::writeFile(path, out);
        const xlstest::XlrdBook book = xlstest::readWithXlrd(path);
        EXPECT_TRUE(book.ok) << book.error.toStdString();
        EXPECT_FALSE(book.log.contains(QStringLiteral("WARNING"))) << book.log.toStdString();
        const auto expected = expectedCells(templ, transform);
        for (const auto& [sheet, cells] : expected) {
            for (const auto& [key, text] : cells) {
                const auto it = book.cells.find(sheet);
                if (it == book.cells.end()) {
                    ADD_FAILURE() << "xlrd misses sheet " << sheet.toStdString();
                    return out;
                }
                const auto cell = it->second.find(key);
                if (cell == it->second.end()) {
                    ADD_FAILURE() << "xlrd misses " << key.first << "," << key.second;
                    continue;
                }
                // xlrd shows numbers as floats ("5.0").
                if (cell->second != text) {
                    EXPECT_EQ(cell->second, text + QStringLiteral(".0"));
                }
            }
        }
        return out;
    }

    QTemporaryDir tmp;
    QDir dir{tmp.path()};
    int files = 0;
};

}  // namespace

TEST_F(XlsRewriterTest, ReplacesPlaceholdersBelowTheFirstRowOfSheet1Only) {
    const QByteArray templ = makeTemplate({});
    const QByteArray out = rewriteAndCheck(templ, 12);
    const XlsWorkbook book = XlsWorkbook::fromBytes(out);
    const XlsSheetText s = book.sheet(QStringLiteral("Sheet1"));
    EXPECT_EQ(s.text(0, 1), QStringLiteral("[EmpName]"));
    EXPECT_EQ(s.text(1, 0), QStringLiteral("王芳"));
    EXPECT_EQ(s.text(1, 1), QStringLiteral("实发：1235元"));
    EXPECT_EQ(s.text(1, 2), QStringLiteral("100/[GZ1]"));
    EXPECT_EQ(s.text(1, 3), QStringLiteral("5"));
    EXPECT_EQ(s.text(2, 0), QStringLiteral("202401月份"));
    EXPECT_EQ(s.text(14, 1), QStringLiteral("1200"));
    EXPECT_EQ(book.sheet(0).text(1, 0), QStringLiteral("[EmpName]"));
    EXPECT_EQ(book.sheet(2).text(5, 5), QStringLiteral("[GZ2]"));
}

TEST_F(XlsRewriterTest, UnchangedRichStringsKeepTheirRunsAndPhonetics) {
    const QByteArray templ = makeTemplate({});
    const QByteArray out = XlsRewriter(templ).rewrite(replacer(sampleValues(12)));
    const xls::Workbook before = xls::parseWorkbook(templ);
    const xls::Workbook after = xls::parseWorkbook(out);
    const auto find = [](const xls::Workbook& wb, const QString& text) {
        for (const xls::SstString& s : wb.strings) {
            if (s.text == text) return s;
        }
        return xls::SstString{};
    };
    const xls::SstString kept = find(after, QStringLiteral("备注文字"));
    EXPECT_EQ(kept.runs, find(before, QStringLiteral("备注文字")).runs);
    EXPECT_EQ(kept.ext, QByteArray("\x01\x00\x02\x00", 4));
    EXPECT_FALSE(kept.runs.isEmpty());
    EXPECT_TRUE(find(after, QStringLiteral("202401月份")).runs.isEmpty());
    // Strings no cell uses any more are gone; shared ones stay once.
    EXPECT_EQ(find(after, QStringLiteral("[GZMonth]月份")).text, QString());
    int count = 0;
    for (const xls::SstString& s : after.strings) count += s.text == u"工资项目" ? 1 : 0;
    EXPECT_EQ(count, 1);
}

TEST_F(XlsRewriterTest, NewStringsLongEnoughToSpanContinueRecords) {
    const QByteArray templ = makeTemplate({});
    QString longName;
    for (int i = 0; i < 9000; ++i) longName += QChar(0x738B + i % 50);
    auto values = sampleValues(12);
    values[QStringLiteral("[EmpName]")] = longName;
    const XlsRewriter rewriter(templ);
    const QByteArray out = rewriter.rewrite(replacer(values));
    EXPECT_EQ(xlstest::checkStructure(out), QStringList{});
    EXPECT_EQ(XlsWorkbook::fromBytes(out).sheet(1).text(1, 0), longName);
    std::size_t continues = 0;
    for (const Rec& r : xlstest::records(xlstest::workbookStream(out)))
        continues += r.type == 0x003C;
    EXPECT_GE(continues, 2u);
    const QString path = dir.filePath(QStringLiteral("long.xls"));
    xlstest::writeFile(path, out);
    const xlstest::XlrdBook book = xlstest::readWithXlrd(path);
    ASSERT_TRUE(book.ok) << book.error.toStdString();
    EXPECT_EQ(book.cells.at(QStringLiteral("Sheet1")).at({1, 0}), longName);
}

TEST_F(XlsRewriterTest, TemplateWithMoreThan8224BytesOfSharedStrings) {
    Shape shape;
    shape.extraStrings = 700;
    shape.longText = 6000;
    shape.rows = 30;
    const QByteArray templ = makeTemplate(shape);
    std::size_t continues = 0;
    for (const Rec& r : xlstest::records(xlstest::workbookStream(templ)))
        continues += r.type == 0x003C;
    ASSERT_GE(continues, 3u) << "the template's strings table spans CONTINUE records";
    rewriteAndCheck(templ, 30);
}

TEST_F(XlsRewriterTest, ManyRowBlocksWithIndexAndDbCell) {
    Shape shape;
    shape.rows = 150;  // five blocks of 32 rows
    rewriteAndCheck(makeTemplate(shape), 150);
}

TEST_F(XlsRewriterTest, WorkbookWithoutIndexRecords) {
    Shape shape;
    shape.options.index = false;
    shape.rows = 40;
    const QByteArray templ = makeTemplate(shape);
    for (const Rec& r : xlstest::records(xlstest::workbookStream(templ))) {
        ASSERT_NE(r.type, 0x020B);
        ASSERT_NE(r.type, 0x00D7);
    }
    rewriteAndCheck(templ, 40);
}

TEST_F(XlsRewriterTest, LabelCellWorkbookGetsAStringsTable) {
    Shape shape;
    shape.options.sharedStrings = false;
    shape.rows = 70;  // LABEL cells change size inside several row blocks
    const QByteArray templ = makeTemplate(shape);
    const QByteArray out = rewriteAndCheck(templ, 70);
    std::size_t labels = 0;
    std::size_t labelSsts = 0;
    for (const Rec& r : xlstest::records(xlstest::workbookStream(out))) {
        labels += r.type == 0x0204;
        labelSsts += r.type == 0x00FD;
    }
    EXPECT_GT(labelSsts, 0u);
    EXPECT_GT(labels, 0u) << "unchanged LABEL cells stay as they are";
}

TEST_F(XlsRewriterTest, BookStreamAndOtherStreamsAreKept) {
    Shape shape;
    shape.options.streamName = QStringLiteral("Book");
    shape.options.propertyStreams = true;
    const QByteArray templ = makeTemplate(shape);
    const QByteArray out = rewriteAndCheck(templ, 12);
    const XlsCompoundFile a = XlsCompoundFile::parse(templ);
    const XlsCompoundFile b = XlsCompoundFile::parse(out);
    ASSERT_EQ(a.entries.size(), b.entries.size());
    for (std::size_t i = 0; i < a.entries.size(); ++i) {
        EXPECT_EQ(a.entries[i].name, b.entries[i].name);
        if (a.entries[i].name != u"Book") {
            EXPECT_EQ(a.entries[i].data, b.entries[i].data);
        }
    }
    EXPECT_GE(b.findRootStream(QStringLiteral("Book")), 0);
    EXPECT_LT(b.findRootStream(QStringLiteral("Workbook")), 0);
}

TEST_F(XlsRewriterTest, ThousandsOfStringsGiveALargerExtSstBucket) {
    Shape shape;
    shape.extraStrings = 1500;
    rewriteAndCheck(makeTemplate(shape), 12);
}

TEST_F(XlsRewriterTest, NoChangeGivesTheTemplateItself) {
    const QByteArray templ = makeTemplate({});
    EXPECT_EQ(XlsRewriter(templ).rewrite([](const QString& t) { return t; }), templ);
}

TEST_F(XlsRewriterTest, SameNewTextInTwoCellsIsStoredOnce) {
    const QByteArray templ = makeTemplate({});
    const QByteArray out = XlsRewriter(templ).rewrite(
        [](const QString& t) { return t.startsWith(u'[') ? QStringLiteral("同一个值") : t; });
    EXPECT_EQ(xlstest::checkStructure(out), QStringList{});
    int count = 0;
    for (const xls::SstString& s : xls::parseWorkbook(out).strings) count += s.text == u"同一个值";
    EXPECT_EQ(count, 1);
}

TEST_F(XlsRewriterTest, OffersTheTextCellsOfSheet1BelowTheFirstRow) {
    const std::vector<QString> texts = XlsRewriter(makeTemplate({})).candidateTexts();
    EXPECT_EQ(texts.front(), QStringLiteral("[EmpName]"));
    EXPECT_EQ(std::count(texts.begin(), texts.end(), QStringLiteral("[EmpName]")), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), QStringLiteral("姓名")), 0);
}

TEST_F(XlsRewriterTest, MissingSheetAndUnwritableOutput) {
    XlsWriter w;
    w.addSheet(QStringLiteral("工资")).setText(1, 0, QStringLiteral("[EmpName]"));
    try {
        XlsRewriter rewriter(w.toBytes());
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Sheet1"))) << e.what();
    }
    const XlsRewriter rewriter(makeTemplate({}));
    EXPECT_THROW(rewriter.rewriteToFile(dir.filePath(QStringLiteral("no/such/folder/x.xls")),
                                        replacer(sampleValues(1))),
                 FileError);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{});
}

TEST_F(XlsRewriterTest, SheetNameIsFoundWithoutLetterCase) {
    XlsWriter w;
    w.addSheet(QStringLiteral("SHEET1")).setText(1, 0, QStringLiteral("[EmpName]"));
    const QByteArray out = XlsRewriter(w.toBytes()).rewrite(replacer(sampleValues(1)));
    EXPECT_EQ(XlsWorkbook::fromBytes(out).sheet(0).text(1, 0), QStringLiteral("王芳"));
}
