#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "XlsCompoundFile.h"

// The BIFF8 layer of the xls module (Xls.h): the workbook stream split into records and
// substreams, the globals the reader and the rewriter need (sheets, shared strings), and the
// pieces both the rewriter and the writer serialise (records, strings, the shared strings table
// with its CONTINUE records and EXTSST index). Internal to the module; every read is bounds
// checked and a damaged stream throws XlsError.
namespace xls {

enum RecordId : std::uint16_t {
    Formula = 0x0006,
    Eof = 0x000A,
    CalcCount = 0x000C,
    CalcMode = 0x000D,
    Precision = 0x000E,
    RefMode = 0x000F,
    Delta = 0x0010,
    Iteration = 0x0011,
    Protect = 0x0012,
    Password = 0x0013,
    Header = 0x0014,
    Footer = 0x0015,
    WindowProtect = 0x0019,
    Date1904 = 0x0022,
    LeftMargin = 0x0026,
    RightMargin = 0x0027,
    TopMargin = 0x0028,
    BottomMargin = 0x0029,
    PrintHeaders = 0x002A,
    PrintGridlines = 0x002B,
    FilePass = 0x002F,
    Font = 0x0031,
    Continue = 0x003C,
    Window1 = 0x003D,
    Backup = 0x0040,
    CodePage = 0x0042,
    DefColWidth = 0x0055,
    WriteAccess = 0x005C,
    SaveRecalc = 0x005F,
    ColInfo = 0x007D,
    Guts = 0x0080,
    WsBool = 0x0081,
    GridSet = 0x0082,
    HCenter = 0x0083,
    VCenter = 0x0084,
    BoundSheet = 0x0085,
    Country = 0x008C,
    HideObj = 0x008D,
    FnGroupCount = 0x009C,
    Setup = 0x00A1,
    MulRk = 0x00BD,
    MulBlank = 0x00BE,
    Mms = 0x00C1,
    RString = 0x00D6,
    DbCell = 0x00D7,
    BookBool = 0x00DA,
    Xf = 0x00E0,
    InterfaceHdr = 0x00E1,
    InterfaceEnd = 0x00E2,
    MergeCells = 0x00E5,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    ExtSst = 0x00FF,
    TabId = 0x013D,
    UsesElfs = 0x0160,
    Dsf = 0x0161,
    Prot4Rev = 0x01AF,
    RefreshAll = 0x01B7,
    Prot4RevPass = 0x01BC,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Row = 0x0208,
    Index = 0x020B,
    DefaultRowHeight = 0x0225,
    Window2 = 0x023E,
    Rk = 0x027E,
    Style = 0x0293,
    Format = 0x041E,
    Bof = 0x0809,
};

constexpr int MaxRecordData = 8224;

// One record: its type, the size of its data and the stream position of its 4-byte header.
struct Record {
    std::uint16_t type = 0;
    std::uint16_t size = 0;
    qsizetype pos = 0;
    qsizetype end() const { return pos + 4 + size; }
};

// A BOF..EOF run of records at the top level: indices of its BOF and EOF records.
struct Substream {
    int bof = 0;
    int eof = 0;
    std::uint16_t kind = 0;  // BOF dt: 0x0005 globals, 0x0010 worksheet, 0x0020 chart ...
};

// One entry of the shared strings table; runs and phonetic data are kept as raw bytes.
struct SstString {
    QString text;
    QByteArray runs;  // cRun x 4 bytes
    QByteArray ext;   // ExtRst bytes
};

struct SheetEntry {
    QString name;
    int boundSheet = -1;  // record index of its BOUNDSHEET8
    int substream = -1;   // index into substreams, -1 when the sheet's data is missing
    std::uint8_t kind = 0;
};

// A parsed workbook: the compound file, the workbook stream split into records, the sheets and
// the shared strings.
struct Workbook {
    XlsCompoundFile file;
    int streamEntry = -1;  // directory entry of the workbook stream
    QByteArray stream;
    std::vector<Record> records;
    std::vector<Substream> substreams;  // [0] is the globals
    std::vector<SheetEntry> sheets;
    int sst = -1;     // record index of SST
    int sstEnd = -1;  // one past its last CONTINUE
    int extSst = -1;  // record index of EXTSST
    std::uint32_t sstTotal = 0;
    std::vector<SstString> strings;

    const char* data(int record) const {
        return stream.constData() + records[static_cast<std::size_t>(record)].pos + 4;
    }
    const Record& record(int i) const { return records[static_cast<std::size_t>(i)]; }
};

// Reads a whole .xls file: compound file, workbook stream ("Workbook", else "Book"), records,
// globals. Throws XlsError.
Workbook parseWorkbook(const QByteArray& fileBytes);

// A bounds-checked reader over one record's data, or over a record and the CONTINUE records
// after it, where character data that crosses a record boundary resumes after a flags byte.
class ByteReader {
  public:
    ByteReader() = default;
    ByteReader(const char* data, qsizetype size) { addSegment(data, size); }
    void addSegment(const char* data, qsizetype size) { segments_.push_back({data, size}); }

    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    double f64();
    QByteArray bytes(qsizetype n);
    void skip(qsizetype n) { (void)bytes(n); }
    // `count` UTF-16 units, one or two bytes each by `highByte`; across a segment boundary the
    // next segment begins with a new flags byte.
    QString chars(qsizetype count, bool highByte);
    bool atEnd();
    qsizetype remaining() const;

  private:
    struct Segment {
        const char* data;
        qsizetype size;
    };
    bool advance();
    std::vector<Segment> segments_;
    std::size_t segment_ = 0;
    qsizetype offset_ = 0;
};

// XLUnicodeString (16-bit count) and ShortXLUnicodeString (8-bit count).
QString readString(ByteReader& in, bool shortCount);
void appendString(QByteArray& out, const QString& text, bool shortCount);

void append16(QByteArray& out, std::uint16_t v);
void append32(QByteArray& out, std::uint32_t v);
void appendF64(QByteArray& out, double v);
void put16(char* p, std::uint16_t v);
void put32(char* p, std::uint32_t v);
std::uint16_t get16(const char* p);
std::uint32_t get32(const char* p);

void appendRecord(QByteArray& out, std::uint16_t type, const QByteArray& data);

// Appends SST (+ CONTINUE) holding `strings` and the EXTSST that indexes it. `out` is the whole
// workbook stream built so far, so its size is the stream position.
void appendSst(QByteArray& out, const std::vector<const SstString*>& strings, std::uint32_t total);

// The value of an RK number.
double rkValue(std::uint32_t rk);
// A number as text: whole numbers without decimals, others with at most 15 significant digits
// and no trailing zeros ("22", "21.5", "0.3").
QString numberText(double value);

}  // namespace xls
