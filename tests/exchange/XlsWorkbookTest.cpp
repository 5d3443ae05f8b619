#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

using namespace xls;

namespace {

QByteArray cellHead(int row, int col, int xf = 15) {
    QByteArray d;
    append16(d, static_cast<std::uint16_t>(row));
    append16(d, static_cast<std::uint16_t>(col));
    append16(d, static_cast<std::uint16_t>(xf));
    return d;
}

QByteArray formula(int row, int col, const QByteArray& value) {
    QByteArray d = cellHead(row, col);
    d.append(value);
    append16(d, 0);
    append32(d, 0);
    // A formula of one token: the number 1 (ptgInt).
    append16(d, 3);
    d.append('\x1E');
    append16(d, 1);
    return d;
}

QByteArray specialValue(int kind, int byte2) {
    QByteArray v(8, '\0');
    v[0] = static_cast<char>(kind);
    v[2] = static_cast<char>(byte2);
    v[6] = '\xFF';
    v[7] = '\xFF';
    return v;
}

QByteArray stringRecord(const QString& text) {
    QByteArray d;
    appendString(d, text, false);
    return d;
}

// A workbook stream written record by record: globals with one sheet and the SST data given,
// then the sheet with the cells given.
QByteArray handMadeStream(const std::vector<std::pair<std::uint16_t, QByteArray>>& sstRecords,
                          const std::vector<std::pair<std::uint16_t, QByteArray>>& cells,
                          std::uint16_t version = 0x0600, bool filePass = false) {
    QByteArray g;
    QByteArray b;
    append16(b, version);
    append16(b, 0x0005);
    append32(b, 0);
    append32(b, 0);
    append32(b, 6);
    appendRecord(g, Bof, b);
    if (filePass) appendRecord(g, FilePass, QByteArray(54, '\x01'));
    const qsizetype boundAt = g.size() + 4;
    QByteArray bs;
    append32(bs, 0);
    bs.append('\0');
    bs.append('\0');
    appendString(bs, QStringLiteral("Sheet1"), true);
    appendRecord(g, BoundSheet, bs);
    for (const auto& [type, data] : sstRecords) appendRecord(g, type, data);
    appendRecord(g, Eof, {});
    put32(g.data() + boundAt, static_cast<std::uint32_t>(g.size()));
    QByteArray sb;
    append16(sb, version);
    append16(sb, 0x0010);
    append32(sb, 0);
    append32(sb, 0);
    append32(sb, 6);
    appendRecord(g, Bof, sb);
    for (const auto& [type, data] : cells) appendRecord(g, type, data);
    appendRecord(g, Eof, {});
    return g;
}

QByteArray wrap(const QByteArray& stream, const QString& name = QStringLiteral("Workbook")) {
    QByteArray padded = stream;
    if (padded.size() < 4096) padded.append(QByteArray(4096 - padded.size(), '\0'));
    return XlsCompoundFile::withStream(name, padded).serialize();
}

}  // namespace

TEST(XlsWorkbookTest, ReadsSheetNamesAndTextOfWrittenCells) {
    XlsWriter w;
    XlsWriter::Sheet& a = w.addSheet(QStringLiteral("封面"));
    a.setText(0, 0, QStringLiteral("公司名称"));
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    s.setText(0, 0, QStringLiteral("姓名"));
    s.setText(1, 0, QStringLiteral("张三"));
    s.setText(1, 2, QStringLiteral("Zhang San"));
    s.setNumber(1, 1, 21.5);
    s.setNumber(2, 1, 22);
    s.setNumber(3, 1, 0.1 + 0.2);
    s.setNumber(4, 1, -1234567.25);
    s.setBlank(5, 5, 15);
    const XlsWorkbook book = XlsWorkbook::fromBytes(w.toBytes());
    EXPECT_EQ(book.sheetNames(), (QStringList{"封面", "Sheet1"}));
    EXPECT_EQ(book.sheetIndex(QStringLiteral("sheet1")), 1);
    EXPECT_EQ(book.sheetIndex(QStringLiteral("Sheet2")), -1);
    const XlsSheetText sheet = book.sheet(QStringLiteral("Sheet1"));
    EXPECT_EQ(sheet.text(0, 0), QStringLiteral("姓名"));
    EXPECT_EQ(sheet.text(1, 0), QStringLiteral("张三"));
    EXPECT_EQ(sheet.text(1, 2), QStringLiteral("Zhang San"));
    EXPECT_EQ(sheet.text(1, 1), QStringLiteral("21.5"));
    EXPECT_EQ(sheet.text(2, 1), QStringLiteral("22"));
    EXPECT_EQ(sheet.text(3, 1), QStringLiteral("0.3"));
    EXPECT_EQ(sheet.text(4, 1), QStringLiteral("-1234567.25"));
    EXPECT_EQ(sheet.text(5, 5), QString());
    // A blank cell holds nothing.
    EXPECT_EQ(sheet.rowCount(), 5);
    EXPECT_EQ(sheet.columnCount(), 3);
    EXPECT_EQ(book.sheet(0).text(0, 0), QStringLiteral("公司名称"));
    EXPECT_THROW(book.sheet(QStringLiteral("Sheet9")), XlsError);
}

TEST(XlsWorkbookTest, ReadsRkMulRkBoolErrAndFormulaResults) {
    XlsWriter w;
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    const std::uint32_t rks[] = {0x3FF00000, 0x405EC001, 0x02F1853A, 0x02F1853B};
    for (int i = 0; i < 4; ++i) {
        QByteArray d = cellHead(i, 0);
        append32(d, rks[i]);
        s.setRawCell(i, 0, Rk, d);
    }
    {
        QByteArray d;
        append16(d, 5);
        append16(d, 1);
        for (const std::uint32_t rk : {0x3FF00000u, 0x405EC001u, 0xFFFFFFFEu}) {
            append16(d, 15);
            append32(d, rk);
        }
        append16(d, 3);
        s.setRawCell(5, 1, MulRk, d);
    }
    {
        QByteArray t = cellHead(6, 0);
        t.append('\x01');
        t.append('\x00');
        s.setRawCell(6, 0, BoolErr, t);
        QByteArray e = cellHead(6, 1);
        e.append('\x07');
        e.append('\x01');
        s.setRawCell(6, 1, BoolErr, e);
    }
    s.setRawCell(7, 0, Formula, formula(7, 0, [] {
                     QByteArray v;
                     appendF64(v, 3.75);
                     return v;
                 }()));
    s.setRawCell(7, 1, Formula, formula(7, 1, specialValue(1, 0)));
    s.setRawCell(7, 2, Formula, formula(7, 2, specialValue(2, 0x2A)));
    s.setRawCell(7, 3, Formula, formula(7, 3, specialValue(3, 0)));
    // A string result: the STRING record follows the FORMULA of its cell.
    s.setRawCell(7, 4, Formula, formula(7, 4, specialValue(0, 0)));
    // Raw cells are written in column order, so the STRING record follows the FORMULA.
    s.setRawCell(7, 5, String, stringRecord(QStringLiteral("合计：100")));

    const XlsSheetText sheet = XlsWorkbook::fromBytes(w.toBytes()).sheet(0);
    EXPECT_EQ(sheet.text(0, 0), QStringLiteral("1"));
    EXPECT_EQ(sheet.text(1, 0), QStringLiteral("1.23"));
    EXPECT_EQ(sheet.text(2, 0), QStringLiteral("12345678"));
    EXPECT_EQ(sheet.text(3, 0), QStringLiteral("123456.78"));
    EXPECT_EQ(sheet.text(5, 1), QStringLiteral("1"));
    EXPECT_EQ(sheet.text(5, 2), QStringLiteral("1.23"));
    EXPECT_EQ(sheet.text(5, 3), QStringLiteral("-1"));
    EXPECT_EQ(sheet.text(6, 0), QStringLiteral("TRUE"));
    EXPECT_EQ(sheet.text(6, 1), QStringLiteral("#DIV/0!"));
    EXPECT_EQ(sheet.text(7, 0), QStringLiteral("3.75"));
    EXPECT_EQ(sheet.text(7, 1), QStringLiteral("FALSE"));
    EXPECT_EQ(sheet.text(7, 2), QStringLiteral("#N/A"));
    EXPECT_EQ(sheet.text(7, 3), QString());
    EXPECT_EQ(sheet.text(7, 4), QStringLiteral("合计：100"));
}

TEST(XlsWorkbookTest, ReadsLabelCellsBookStreamsAndFilesWithoutIndex) {
    XlsWriter::Options options;
    options.sharedStrings = false;
    options.index = false;
    options.streamName = QStringLiteral("Book");
    options.propertyStreams = true;
    XlsWriter w(options);
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    for (int r = 0; r < 70; ++r) s.setText(r, r % 3, QStringLiteral("第%1行").arg(r));
    const XlsWorkbook book = XlsWorkbook::fromBytes(w.toBytes());
    EXPECT_EQ(book.streamName(), QStringLiteral("Book"));
    const XlsSheetText sheet = book.sheet(0);
    for (int r = 0; r < 70; ++r) EXPECT_EQ(sheet.text(r, r % 3), QStringLiteral("第%1行").arg(r));
}

TEST(XlsWorkbookTest, ReadsStringsSplitOverContinueRecords) {
    XlsWriter w;
    XlsWriter::Sheet& s = w.addSheet(QStringLiteral("Sheet1"));
    QString chinese;
    for (int i = 0; i < 9000; ++i) chinese += QChar(0x4E00 + i % 500);
    QString latin;
    for (int i = 0; i < 20000; ++i) latin += QChar(u'a' + i % 26);
    const QString mixed = latin.left(8217) + chinese.left(10);  // changes width in CONTINUE
    s.setText(1, 0, chinese);
    s.setText(2, 0, latin);
    s.setText(3, 0, mixed);
    for (int i = 0; i < 800; ++i) s.setText(4 + i, 1, QStringLiteral("工资项目%1").arg(i));
    const QByteArray file = w.toBytes();
    EXPECT_EQ(xlstest::checkStructure(file), QStringList{});
    const XlsSheetText sheet = XlsWorkbook::fromBytes(file).sheet(0);
    EXPECT_EQ(sheet.text(1, 0), chinese);
    EXPECT_EQ(sheet.text(2, 0), latin);
    EXPECT_EQ(sheet.text(3, 0), mixed);
    EXPECT_EQ(sheet.text(803, 1), QStringLiteral("工资项目799"));
}

TEST(XlsWorkbookTest, AcceptsAStringWhoseCharactersStartInTheNextRecord) {
    // SST: the counts, then one string's header only; the CONTINUE begins with the flags byte
    // of the characters. cstUnique says 3 although there is one string.
    QByteArray sst;
    append32(sst, 1);
    append32(sst, 3);
    append16(sst, 2);
    sst.append('\x01');
    QByteArray cont;
    cont.append('\x01');
    append16(cont, 0x5DE5);  // 工
    append16(cont, 0x8D44);  // 资
    QByteArray label = cellHead(1, 0);
    append32(label, 0);
    QByteArray empty;  // a LABEL with an empty text
    empty = cellHead(2, 0);
    appendString(empty, QString(), false);
    const QByteArray stream =
        handMadeStream({{Sst, sst}, {Continue, cont}}, {{LabelSst, label}, {Label, empty}});
    const XlsSheetText sheet = XlsWorkbook::fromBytes(wrap(stream)).sheet(0);
    EXPECT_EQ(sheet.text(1, 0), QStringLiteral("工资"));
    EXPECT_EQ(sheet.text(2, 0), QString());
}

TEST(XlsWorkbookTest, RefusesOlderBiffVersionsAndEncryptedWorkbooks) {
    try {
        XlsWorkbook::fromBytes(wrap(handMadeStream({}, {}, 0x0500), QStringLiteral("Book")));
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Excel 5.0/95"))) << e.what();
    }
    try {
        XlsWorkbook::fromBytes(wrap(handMadeStream({}, {}, 0x0600, true)));
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("加密"))) << e.what();
    }
}

TEST(XlsWorkbookTest, AMissingWorkbookStreamOrSheetIsAClearError) {
    const QByteArray other =
        XlsCompoundFile::withStream(QStringLiteral("WordDocument"), QByteArray(5000, 'a'))
            .serialize();
    try {
        XlsWorkbook::fromBytes(other);
        FAIL();
    } catch (const XlsError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Workbook"))) << e.what();
    }
    // A LABELSST pointing past the strings table.
    QByteArray sst;
    append32(sst, 1);
    append32(sst, 0);
    QByteArray label = cellHead(1, 0);
    append32(label, 7);
    EXPECT_THROW(
        XlsWorkbook::fromBytes(wrap(handMadeStream({{Sst, sst}}, {{LabelSst, label}}))).sheet(0),
        XlsError);
}

TEST(XlsWorkbookTest, NumberTextIsTheShortestDecimalForm) {
    EXPECT_EQ(XlsNumberText(22), QStringLiteral("22"));
    EXPECT_EQ(XlsNumberText(21.5), QStringLiteral("21.5"));
    EXPECT_EQ(XlsNumberText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(XlsNumberText(1234.6), QStringLiteral("1234.6"));
    EXPECT_EQ(XlsNumberText(1.0 / 3), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(XlsNumberText(1e20), QStringLiteral("1e+20"));
}
