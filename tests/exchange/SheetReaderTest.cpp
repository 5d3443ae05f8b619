// Reading spreadsheet files for the import: .xls (made by xlwt) and .xlsx (made by openpyxl,
// and by hand where a feature of the format matters) read back as tables of text.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "QtPrinters.h"
#include "SheetReader.h"
#include "SpreadsheetError.h"
#include "SpreadsheetTestSupport.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"
#include "XlsTestSupport.h"
#include "XlsWorkbook.h"
#include "XlsWriter.h"

namespace {

QString kinds[] = {QStringLiteral("xls"), QStringLiteral("xlsx")};

class SheetReaderTest : public ::testing::TestWithParam<QString> {
  protected:
    QString write(const QJsonArray& sheets) {
        const QString path = dir.filePath(QStringLiteral("book%1.").arg(++made) + GetParam());
        sheettest::writeSheets(path, GetParam(), sheets);
        return path;
    }

    QTemporaryDir dir;
    int made = 0;
};

TEST_P(SheetReaderTest, SheetsFieldsAndRowsAsText) {
    const QString path =
        write({sheettest::sheet("工资表", {QJsonArray{"部门", "姓名", "基本工资", "备注"},
                                           QJsonArray{"财务部", "张三", 3000, "全勤"},
                                           QJsonArray{"生产部", "李四", 1234.5, QJsonValue()},
                                           QJsonArray{QJsonValue(), "王五", 0.1, QJsonValue()}}),
               sheettest::sheet("Sheet2", {QJsonArray{"a"}, QJsonArray{"b"}})});
    const auto reader = SheetReader::open(path);
    EXPECT_EQ(reader->sheetNames(), (QStringList{"工资表", "Sheet2"}));
    const SheetTable table = reader->readSheet(0);
    EXPECT_EQ(table.name, QStringLiteral("工资表"));
    EXPECT_EQ(table.columns, (QStringList{"部门", "姓名", "基本工资", "备注"}));
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_EQ(table.rows[0], (QStringList{"财务部", "张三", "3000", "全勤"}));
    EXPECT_EQ(table.rows[1], (QStringList{"生产部", "李四", "1234.5", ""}));
    EXPECT_EQ(table.rows[2], (QStringList{"", "王五", "0.1", ""}));
    const SheetTable second = reader->readSheet(1);
    EXPECT_EQ(second.columns, QStringList{"a"});
    EXPECT_EQ(second.rows.at(0), QStringList{"b"});
    EXPECT_THROW(reader->readSheet(2), SpreadsheetError);
}

TEST_P(SheetReaderTest, TheTableCoversTheCellsInUse) {
    // Starts at C3, a blank row inside, a heading left blank and one given twice.
    const QJsonValue n;
    const QString path = write({sheettest::sheet(
        "S", {QJsonArray{}, QJsonArray{}, QJsonArray{n, n, "姓名", n, "姓名", "金额"},
              QJsonArray{n, n, "张三", "x", "y", 1}, QJsonArray{}, QJsonArray{n, n, "李四"}})});
    const SheetTable table = SheetReader::open(path)->readSheet(0);
    EXPECT_EQ(table.columns, (QStringList{"姓名", "F2", "姓名_3", "金额"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0], (QStringList{"张三", "x", "y", "1"}));
    EXPECT_EQ(table.rows[1], (QStringList{"李四", "", "", ""}));
}

TEST_P(SheetReaderTest, AFirstRowOfNumbersIsNoHeadingRow) {
    const QString path =
        write({sheettest::sheet("S", {QJsonArray{3000, 200.5}, QJsonArray{2800, 100}})});
    const SheetTable table = SheetReader::open(path)->readSheet(0);
    EXPECT_EQ(table.columns, (QStringList{"F1", "F2"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0], (QStringList{"3000", "200.5"}));
}

TEST_P(SheetReaderTest, EmptySheetsAndHeadingOnlySheets) {
    const QString path = write({sheettest::sheet("空表", {}),
                                sheettest::sheet("标题", QJsonArray{QJsonArray{"部门", "姓名"}})});
    const auto reader = SheetReader::open(path);
    try {
        reader->readSheet(0);
        ADD_FAILURE() << "an empty sheet was read";
    } catch (const SpreadsheetError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("工作表“空表”中没有数据。"));
    }
    const SheetTable headings = reader->readSheet(1);
    EXPECT_EQ(headings.columns, (QStringList{"部门", "姓名"}));
    EXPECT_TRUE(headings.rows.empty());
}

TEST_P(SheetReaderTest, ALargeSheetIsReadWhole) {
    const QString path = write({QJsonObject{
        {"name", "大表"},
        {"generate",
         QJsonObject{{"rows", 50000}, {"columns", QJsonArray{"姓名", "#基本工资", "#奖金"}}}}}});
    const SheetTable table = SheetReader::open(path)->readSheet(0);
    EXPECT_EQ(table.columns, (QStringList{"姓名", "基本工资", "奖金"}));
    ASSERT_EQ(table.rows.size(), 50000u);
    EXPECT_EQ(table.rows.back(), (QStringList{"姓名49999", "50000", "50001"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, SheetReaderTest, ::testing::ValuesIn(kinds),
                         [](const auto& info) { return info.param.toStdString(); });

// Files that are no spreadsheet, or damaged ones, are refused with a message.
TEST(SheetReaderFiles, FilesThatAreNoSpreadsheetAreRefused) {
    QTemporaryDir dir;
    const auto make = [&](const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    };
    QByteArray good;
    {
        const QString path = dir.filePath(QStringLiteral("good.xlsx"));
        sheettest::writeSheets(path, QStringLiteral("xlsx"),
                               {sheettest::sheet("S", {QJsonArray{"a"}, QJsonArray{"b"}})});
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        good = f.readAll();
    }
    QByteArray goodXls;
    {
        const QString path = dir.filePath(QStringLiteral("good.xls"));
        sheettest::writeSheets(path, QStringLiteral("xls"),
                               {sheettest::sheet("S", {QJsonArray{"a"}, QJsonArray{"b"}})});
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        goodXls = f.readAll();
    }
    const QString zipWithoutWorkbook = dir.filePath(QStringLiteral("other.xlsx"));
    sheettest::runPython(
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'w') as z: z.writestr('a.txt', 'x')\n",
        {}, {zipWithoutWorkbook});
    const struct {
        const char* name;
        QString path;
    } cases[] = {
        {"text file named .xls", make("text.xls", "部门,姓名\r\n财务部,张三\r\n")},
        {"empty file", make("empty.xlsx", {})},
        {"truncated xlsx", make("cut.xlsx", good.left(good.size() / 2))},
        {"zip without workbook", zipWithoutWorkbook},
        {"truncated xls", make("cut.xls", goodXls.left(600))},
        {"missing file", dir.filePath(QStringLiteral("nothing.xls"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const auto reader = SheetReader::open(c.path);
            for (int i = 0; i < reader->sheetNames().size(); ++i) reader->readSheet(i);
            ADD_FAILURE() << "read without complaint";
        } catch (const SpreadsheetError& e) {
            EXPECT_FALSE(e.message().isEmpty());
        }
    }
}

// A number format (FORMAT record) whose text is longer than its record: FreeXL would copy it by
// its stated length, past the end of what it read. The file is refused before FreeXL sees it.
TEST(SheetReaderFiles, ANumberFormatLongerThanItsRecordIsRefused) {
    XlsWriter writer;
    writer.addSheet(QStringLiteral("工资")).setText(0, 0, QStringLiteral("姓名"));
    const QByteArray stream = writer.workbookStream();
    qsizetype format = -1;
    for (const xlstest::Rec& r : xlstest::records(stream)) {
        if (r.type == 0x041E) format = r.pos;
    }
    ASSERT_GE(format, 0) << "the writer writes number formats";
    const struct {
        const char* what;
        std::uint16_t count;
        std::uint8_t flags;
    } cases[] = {
        {"two-byte characters", 0xFFC5, 0x01},
        {"one-byte characters", 0x0400, 0x00},
        {"runs and extension announced", 0x0001, 0x0D},
        {"every flag", 0xFFC5, 0xFF},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray damaged = stream;
        xls::put16(damaged.data() + format + 4 + 2, c.count);
        damaged[format + 4 + 4] = static_cast<char>(c.flags);
        const QByteArray file =
            XlsCompoundFile::withStream(QStringLiteral("Workbook"), damaged).serialize();
        EXPECT_THROW(XlsWorkbook::fromBytes(file), XlsError);
        const QString path = dir.filePath(QStringLiteral("格式.xls"));
        xlstest::writeFile(path, file);
        try {
            SheetReader::open(path);
            ADD_FAILURE() << "the file was opened";
        } catch (const SpreadsheetError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("损坏"))) << e.message().toStdString();
        }
    }
    const QString sound = dir.filePath(QStringLiteral("完好.xls"));
    xlstest::writeFile(sound,
                       XlsCompoundFile::withStream(QStringLiteral("Workbook"), stream).serialize());
    EXPECT_EQ(SheetReader::open(sound)->readSheet(0).columns, QStringList{QStringLiteral("姓名")});
}

// A sheet part whose data turns out damaged only while it is read: garbled stored data, or a
// garbled deflate stream. The sheet is refused, and the part's reader is closed on the way out
// (the sanitizer build finds it otherwise).
TEST(SheetReaderFiles, APartCutShortWhileReadingIsRefused) {
    QTemporaryDir dir;
    const char* script = R"PY(
import io, sys, zipfile, openpyxl
folder = sys.argv[1]
wb = openpyxl.Workbook()
wb.active.title = '工资'
for i in range(40):
    wb.active.append(['职员%d' % i, 1000 + i])
buffer = io.BytesIO()
wb.save(buffer)
with zipfile.ZipFile(io.BytesIO(buffer.getvalue())) as z:
    parts = [(name, z.read(name)) for name in z.namelist()]
sheet = 'xl/worksheets/sheet1.xml'
for kind, method in (('checksum', zipfile.ZIP_STORED), ('deflate', zipfile.ZIP_DEFLATED)):
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w') as z:
        for name, content in parts:
            z.writestr(name, content, zipfile.ZIP_DEFLATED if name != sheet else method)
    data = bytearray(out.getvalue())
    with zipfile.ZipFile(io.BytesIO(bytes(data))) as z:
        info = z.getinfo(sheet)
    start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
    # The middle of the part's data: a character of the XML, or bits of the deflate stream.
    middle = start + info.compress_size // 2
    for k in range(8):
        data[middle + k] ^= 0x5A
    open('%s/%s.xlsx' % (folder, kind), 'wb').write(bytes(data))
)PY";
    sheettest::runPython(script, {}, {dir.path()});
    for (const char* kind : {"checksum", "deflate"}) {
        SCOPED_TRACE(kind);
        const auto reader =
            SheetReader::open(dir.filePath(QString::fromLatin1(kind) + QStringLiteral(".xlsx")));
        ASSERT_EQ(reader->sheetNames(), QStringList{QStringLiteral("工资")});
        try {
            reader->readSheet(0);
            ADD_FAILURE() << "a damaged part was read";
        } catch (const SpreadsheetError& e) {
            // The deflate stream fails in the ZIP layer, the checked characters in the XML.
            EXPECT_TRUE(e.message().contains(QStringLiteral("sheet1.xml")) ||
                        e.message().contains(QStringLiteral("工作表“工资”")))
                << e.message().toStdString();
        }
    }
}

// Damaged copies of a good file: bytes of the .xls changed at random, and in the .xlsx the
// parts' XML changed at random inside a sound ZIP package. Each one is read or refused with a
// message; none may bring the reader down.
TEST(SheetReaderFiles, DamagedFilesAreReadOrRefused) {
    QTemporaryDir dir;
    const char* script = R"PY(
import io, os, random, sys, zipfile
folder = sys.argv[1]
random.seed(7)
import xlwt, openpyxl
book = xlwt.Workbook(encoding='utf-8')
ws = book.add_sheet('工资')
rows = [['部门', '姓名', '基本工资', '说明']] + [['财务部', '职员%d' % i, 1000 + i * 0.5, '备注' * (i % 5)] for i in range(60)]
for r, row in enumerate(rows):
    for c, v in enumerate(row):
        ws.write(r, c, v)
other = book.add_sheet('Sheet2')
other.write(0, 0, 'x')
other.write(1, 0, 3.25)
buffer = io.BytesIO()
book.save(buffer)
xls = buffer.getvalue()
wb = openpyxl.Workbook()
for row in rows:
    wb.active.append(row)
buffer = io.BytesIO()
wb.save(buffer)
parts = {}
with zipfile.ZipFile(io.BytesIO(buffer.getvalue())) as z:
    for name in z.namelist():
        parts[name] = z.read(name)
for n in range(1500):
    # Bytes changed anywhere, bytes changed in the workbook stream (after the header sector),
    # or 16-bit fields there set to telling lengths.
    data = bytearray(xls)
    mode = random.random()
    if mode < 0.6:
        for _ in range(random.randint(1, 16)):
            data[random.randrange(len(data))] = random.randrange(256)
    elif mode < 0.8:
        for _ in range(random.randint(1, 8)):
            data[random.randrange(512, len(data))] = random.choice([0, 0xff, 0x7f, 0x80, random.randrange(256)])
    else:
        for _ in range(random.randint(1, 4)):
            p = random.randrange(512, len(data) - 2)
            v = random.choice([0, 1, 0xffff, 0x2020, 8224, 8225, random.randrange(65536)])
            data[p], data[p + 1] = v & 0xff, v >> 8
    open(os.path.join(folder, 'd%04d.xls' % n), 'wb').write(bytes(data))
for n in range(100):
    with zipfile.ZipFile(os.path.join(folder, 'd%04d.xlsx' % n), 'w') as z:
        victim = random.choice([p for p in parts if p.endswith('.xml') or p.endswith('.rels')])
        for name, content in parts.items():
            if name == victim:
                content = bytearray(content)
                for _ in range(random.randint(1, 8)):
                    content[random.randrange(len(content))] = random.choice(b'<>/"=0123456789ABZ \x00\xff')
                content = bytes(content)
            z.writestr(name, content)
)PY";
    sheettest::runPython(script, {}, {dir.path()});
    const QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 1600);
    int refused = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        try {
            const auto reader = SheetReader::open(dir.filePath(name));
            for (int i = 0; i < reader->sheetNames().size(); ++i) {
                const SheetTable table = reader->readSheet(i);
                for (const QStringList& row : table.rows)
                    ASSERT_EQ(row.size(), table.columns.size());
            }
        } catch (const SpreadsheetError& e) {
            EXPECT_FALSE(e.message().isEmpty());
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

// Features of the .xlsx format that openpyxl does not write: shared strings with runs and
// phonetic guides, inline strings, escaped characters, cells without references, rows out of
// order, formulas with cached values, booleans and a sheet found through the relationships.
TEST(SheetReaderFiles, XlsxPartsAsExcelWritesThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hand.xlsx"));
    const char* script = R"PY(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1], 'w')
z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
z.writestr('_rels/.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="book/main.xml"/></Relationships>')
z.writestr('book/main.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="图表" sheetId="1" rel:id="rId9"/><sheet name="工资" sheetId="2" rel:id="rId2"/></sheets></workbook>')
z.writestr('book/_rels/main.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet" Target="charts/c1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/book/sheets/pay.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/></Relationships>')
z.writestr('book/strings.xml', '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>姓名</t></si><si><r><t>基本</t></r><r><rPr><b/></rPr><t>工资</t></r><rPh sb="0" eb="2"><t>きほん</t></rPh></si><si><t>第一行_x000D_\n第二行</t></si></sst>')
z.writestr('book/sheets/pay.xml', '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
  '<row r="3"><c t="inlineStr"><is><t>王五</t></is></c><c><v>7</v></c><c t="s"><v>2</v></c></row>'
  '<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="inlineStr"><is><t>说明</t></is></c><c r="D1" t="inlineStr"><is><t>在职</t></is></c></row>'
  '<row r="2"><c r="A2" t="inlineStr"><is><t>张三</t></is></c><c r="B2"><f>1+2</f><v>3.0000000000000004</v></c><c r="C2" t="str"><f>"a"</f><v>ab</v></c><c r="D2" t="b"><v>1</v></c></row>'
  '</sheetData></worksheet>')
z.close()
)PY";
    sheettest::runPython(script, {}, {path});
    const auto reader = SheetReader::open(path);
    EXPECT_EQ(reader->sheetNames(), QStringList{"工资"});
    const SheetTable table = reader->readSheet(0);
    EXPECT_EQ(table.columns, (QStringList{"姓名", "基本工资", "说明", "在职"}));
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0], (QStringList{"张三", "3", "ab", "TRUE"}));
    EXPECT_EQ(table.rows[1], (QStringList{"王五", "7", "第一行\r\n第二行", ""}));
}

TEST(SheetReaderFiles, NumbersReadAsASpreadsheetShowsThem) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{3000, "3000"},     {1234.5, "1234.5"}, {0.1 + 0.2, "0.3"},
                 {-12.75, "-12.75"}, {-0.0, "0"},        {123456789012.0, "123456789012"},
                 {1e15, "1e+15"},    {2.5e-7, "2.5e-07"}};
    for (const auto& c : cases) EXPECT_EQ(SheetReader::numberText(c.value), QString(c.text));
}

// The general format against the C library's "%.15g" over amounts, integers, powers of ten at
// the edges of the fixed notation, values of 16 and 17 digits and arbitrary bit patterns.
TEST(SheetReaderFiles, NumbersMatchTheCLibrarysGeneralFormat) {
    std::vector<double> values{1e14,
                               99999999999999.9,
                               999999999999999.0,
                               1e15,
                               0.0001,
                               0.00001,
                               0.000123456,
                               1.0 / 3,
                               2.0 / 3,
                               1e-300,
                               1e300,
                               4.9e-324,
                               1.7976931348623157e308};
    std::mt19937_64 random(20241211);
    for (int i = 0; i < 20000; ++i) {
        values.push_back(double(std::int64_t(random() % 100000000)) / 100);
        values.push_back(double(std::int64_t(random() >> 11)) * (i % 2 ? 1 : -1));
        values.push_back(std::ldexp(double(random() >> 11), int(random() % 200) - 150));
        const std::uint64_t bits = random();
        double any = 0;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
    }
    for (const double value : values) {
        if (!std::isfinite(value) || value == 0) continue;
        ASSERT_EQ(SheetReader::numberText(value), QString::asprintf("%.15g", value))
            << QString::asprintf("%.17g", value).toStdString();
    }
}

// A cell's text taken as it stands only where numberText of its number gives that very text.
TEST(SheetReaderFiles, NumberTextsTakenAsTheyStandAreTheGeneralFormat) {
    const struct {
        const char* text;
        bool same;
    } cases[] = {{"3000", true},
                 {"-12.75", true},
                 {"0.5", true},
                 {"-0.0001", true},
                 {"123456789012345", true},
                 {"1.23456789012345", true},
                 {"0", false},
                 {"-0", false},
                 {"0.00001", false},
                 {"007", false},
                 {"1.50", false},
                 {"1.", false},
                 {".5", false},
                 {"1e5", false},
                 {"+5", false},
                 {"1234567890123456", false},
                 {"0.1000000000000001", false},
                 {"12 ", false},
                 {"", false},
                 {"-", false}};
    for (const auto& c : cases) {
        const std::optional<QString> same = SheetReader::sameNumberText(c.text);
        EXPECT_EQ(same.has_value(), c.same) << c.text;
        if (same) {
            EXPECT_EQ(*same, SheetReader::numberText(std::strtod(c.text, nullptr)));
        }
    }
    // Decimals of every length and scale, as spreadsheet programs write them.
    std::mt19937_64 random(20261211);
    int taken = 0;
    for (int i = 0; i < 100000; ++i) {
        const int digits = 1 + int(random() % 17);
        const int scale = int(random() % 22) - 4;
        const std::int64_t mantissa = std::int64_t(random() % 100000000000000000ULL);
        const double value = double(mantissa % std::int64_t(std::pow(10.0, digits))) *
                             std::pow(10.0, -scale) * (i % 3 ? 1 : -1);
        for (const QByteArray& text :
             {QByteArray::number(value, 'f', std::max(scale, 0)),
              QByteArray::number(value, 'g', 17), QByteArray::number(value, 'g', 15)}) {
            const std::optional<QString> same = SheetReader::sameNumberText(text.toStdString());
            if (!same) continue;
            ++taken;
            ASSERT_EQ(*same, SheetReader::numberText(std::strtod(text.constData(), nullptr)))
                << text.toStdString();
        }
    }
    EXPECT_GT(taken, 100000);
}

}  // namespace
