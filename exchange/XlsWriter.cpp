#include "XlsWriter.h"

#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <cmath>

#include "FileError.h"
#include "XlsBiff.h"
#include "XlsCompoundFile.h"
#include "XlsError.h"

using namespace xls;

namespace {

QByteArray bof(std::uint16_t kind) {
    QByteArray d;
    append16(d, 0x0600);
    append16(d, kind);
    append16(d, 0x18AF);  // build and year of the Excel 2003 writer
    append16(d, 0x07CD);
    append32(d, 0x000100C1);
    append32(d, 0x00000406);
    return d;
}

QByteArray u16Data(std::uint16_t v) {
    QByteArray d;
    append16(d, v);
    return d;
}

QByteArray f64Data(double v) {
    QByteArray d;
    appendF64(d, v);
    return d;
}

bool isLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QByteArray fontData(const XlsWriter::Font& f) {
    QByteArray d;
    append16(d, static_cast<std::uint16_t>(std::lround(f.points * 20)));
    append16(d, f.italic ? 0x0002 : 0x0000);
    append16(d, f.color);
    append16(d, f.bold ? 700 : 400);
    append16(d, 0);
    d.append(static_cast<char>(f.underline ? 1 : 0));
    d.append(static_cast<char>(0));
    d.append(static_cast<char>(isLatin1(f.name) ? 0 : 134));  // GB2312 for Chinese names
    d.append(static_cast<char>(0));
    appendString(d, f.name, true);
    return d;
}

QByteArray xfData(std::uint16_t font, std::uint16_t format, std::uint16_t typeProt,
                  std::uint8_t align, std::uint8_t used, std::uint32_t border1,
                  std::uint32_t border2, std::uint16_t fill) {
    QByteArray d;
    append16(d, font);
    append16(d, format);
    append16(d, typeProt);
    d.append(static_cast<char>(align));
    d.append(static_cast<char>(0));  // rotation
    d.append(static_cast<char>(0));  // indent, shrink
    d.append(static_cast<char>(used));
    append32(d, border1);
    append32(d, border2);
    append16(d, fill);
    return d;
}

// A minimal property set stream (header and one empty section), for the mini stream variant.
QByteArray propertySet(const unsigned char (&fmtid)[16]) {
    QByteArray d;
    append16(d, 0xFFFE);
    append16(d, 0);
    append32(d, 0x00020006);
    d.append(QByteArray(16, '\0'));
    append32(d, 1);
    d.append(reinterpret_cast<const char*>(fmtid), 16);
    append32(d, 48);
    append32(d, 8);  // section: size, no properties
    append32(d, 0);
    return d;
}

const unsigned char kSummaryId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                      0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
const unsigned char kDocSummaryId[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                         0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

}  // namespace

struct XlsWriterImpl {
    static QByteArray stream(const XlsWriter& w);
    static QByteArray sheet(const XlsWriter& w, const XlsWriter::Sheet& sheet, qsizetype base,
                            bool first, const std::vector<std::uint32_t>& strings,
                            std::size_t& next);
};

void XlsWriter::Sheet::setText(int row, int column, const QString& text, int format) {
    Cell& c = rows_[row][column];
    c = Cell{};
    c.kind = Cell::Text;
    c.text = text;
    c.format = format;
}

void XlsWriter::Sheet::setNumber(int row, int column, double value, int format) {
    Cell& c = rows_[row][column];
    c = Cell{};
    c.kind = Cell::Number;
    c.number = value;
    c.format = format;
}

void XlsWriter::Sheet::setBlank(int row, int column, int format) {
    Cell& c = rows_[row][column];
    c = Cell{};
    c.kind = Cell::Blank;
    c.format = format;
}

void XlsWriter::Sheet::setRichText(int row, int column, const QString& text, const QByteArray& runs,
                                   const QByteArray& phonetic, int format) {
    setText(row, column, text, format);
    Cell& c = rows_[row][column];
    c.runs = runs;
    c.phonetic = phonetic;
}

void XlsWriter::Sheet::setRawCell(int row, int column, std::uint16_t type, const QByteArray& data) {
    Cell& c = rows_[row][column];
    c = Cell{};
    c.kind = Cell::Raw;
    c.rawType = type;
    c.raw = data;
}

void XlsWriter::Sheet::merge(int firstRow, int lastRow, int firstColumn, int lastColumn) {
    merges_.push_back({firstRow, lastRow, firstColumn, lastColumn});
}

void XlsWriter::Sheet::setColumnWidth(int column, double characters) {
    widths_[column] = characters;
}

void XlsWriter::Sheet::setRowHeight(int row, double points) {
    heights_[row] = points;
}

XlsWriter::XlsWriter() : options_(Options{}) {}

XlsWriter::XlsWriter(const Options& options) : options_(options) {}

int XlsWriter::addFont(const Font& font) {
    fonts_.push_back(font);
    return static_cast<int>(fonts_.size()) + 4;  // after the four defaults and the missing 4
}

int XlsWriter::addFormat(const Format& format) {
    formats_.push_back(format);
    return static_cast<int>(formats_.size()) + 15;
}

XlsWriter::Sheet& XlsWriter::addSheet(const QString& name) {
    sheets_.emplace_back(name);
    return sheets_.back();
}

QByteArray XlsWriterImpl::sheet(const XlsWriter& w, const XlsWriter::Sheet& sheet, qsizetype base,
                                bool first, const std::vector<std::uint32_t>& strings,
                                std::size_t& next) {
    const XlsWriter::PageSetup& setup = sheet.setup_;
    QByteArray out;
    const auto pos = [&]() { return base + out.size(); };
    appendRecord(out, Bof, bof(0x0010));

    std::vector<int> rows;
    for (const auto& [row, cells] : sheet.rows_) rows.push_back(row);
    for (const auto& [row, height] : sheet.heights_) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<std::vector<int>> blocks;
    for (const int row : rows) {
        if (blocks.empty() || blocks.back().front() / 32 != row / 32) blocks.emplace_back();
        blocks.back().push_back(row);
    }

    qsizetype indexAt = -1;
    if (w.options_.index) {
        indexAt = out.size();
        QByteArray index(16 + 4 * static_cast<qsizetype>(blocks.size()), '\0');
        if (!rows.empty()) {
            put32(index.data() + 4, static_cast<std::uint32_t>(rows.front()));
            put32(index.data() + 8, static_cast<std::uint32_t>(rows.back() + 1));
        }
        appendRecord(out, Index, index);
    }
    appendRecord(out, CalcMode, u16Data(1));
    appendRecord(out, CalcCount, u16Data(100));
    appendRecord(out, RefMode, u16Data(1));
    appendRecord(out, Iteration, u16Data(0));
    appendRecord(out, Delta, f64Data(0.001));
    appendRecord(out, SaveRecalc, u16Data(1));
    appendRecord(out, PrintHeaders, u16Data(0));
    appendRecord(out, PrintGridlines, u16Data(0));
    appendRecord(out, GridSet, u16Data(1));
    appendRecord(out, Guts, QByteArray(8, '\0'));
    {
        QByteArray d;
        append16(d, 0);
        append16(d, 270);
        appendRecord(out, DefaultRowHeight, d);
    }
    appendRecord(out, WsBool, u16Data(setup.fitToWidth ? 0x05C1 : 0x04C1));
    appendRecord(out, Header, {});  // empty: no page header
    appendRecord(out, Footer, {});
    appendRecord(out, HCenter, u16Data(setup.centerHorizontally ? 1 : 0));
    appendRecord(out, VCenter, u16Data(0));
    appendRecord(out, LeftMargin, f64Data(setup.left));
    appendRecord(out, RightMargin, f64Data(setup.right));
    appendRecord(out, TopMargin, f64Data(setup.top));
    appendRecord(out, BottomMargin, f64Data(setup.bottom));
    {
        QByteArray d;
        append16(d, setup.paperSize);
        append16(d, 100);                       // scale
        append16(d, 1);                         // first page number
        append16(d, 1);                         // fit: pages wide
        append16(d, setup.fitToWidth ? 0 : 1);  // fit: pages tall (0 = as many as needed)
        append16(d, setup.landscape ? 0x0000 : 0x0002);
        append16(d, 600);
        append16(d, 600);
        appendF64(d, 0.5);  // header margin
        appendF64(d, 0.5);  // footer margin
        append16(d, 1);     // copies
        appendRecord(out, Setup, d);
    }
    const qsizetype defColWidth = pos();
    appendRecord(out, DefColWidth, u16Data(8));
    for (const auto& [column, chars] : sheet.widths_) {
        QByteArray d;
        append16(d, static_cast<std::uint16_t>(column));
        append16(d, static_cast<std::uint16_t>(column));
        append16(d, static_cast<std::uint16_t>(std::clamp(std::lround(chars * 256), 0L, 65535L)));
        append16(d, 15);
        append16(d, 0x0002);  // set by the user
        append16(d, 0);
        appendRecord(out, ColInfo, d);
    }
    {
        int colMic = 0;
        int colMac = 0;
        bool anyCell = false;
        for (const auto& [row, cells] : sheet.rows_) {
            if (cells.empty()) continue;
            colMic = anyCell ? std::min(colMic, cells.begin()->first) : cells.begin()->first;
            colMac = std::max(colMac, cells.rbegin()->first + 1);
            anyCell = true;
        }
        QByteArray d;
        append32(d, rows.empty() ? 0 : static_cast<std::uint32_t>(rows.front()));
        append32(d, rows.empty() ? 0 : static_cast<std::uint32_t>(rows.back() + 1));
        append16(d, static_cast<std::uint16_t>(colMic));
        append16(d, static_cast<std::uint16_t>(colMac));
        append16(d, 0);
        appendRecord(out, Dimensions, d);
    }

    std::vector<qsizetype> dbCells;
    for (const std::vector<int>& block : blocks) {
        const qsizetype firstRow = pos();
        for (const int row : block) {
            const auto cellsIt = sheet.rows_.find(row);
            const auto heightIt = sheet.heights_.find(row);
            QByteArray d;
            append16(d, static_cast<std::uint16_t>(row));
            const bool hasCells = cellsIt != sheet.rows_.end() && !cellsIt->second.empty();
            append16(d, hasCells ? static_cast<std::uint16_t>(cellsIt->second.begin()->first) : 0);
            append16(
                d, hasCells ? static_cast<std::uint16_t>(cellsIt->second.rbegin()->first + 1) : 0);
            const bool custom = heightIt != sheet.heights_.end();
            append16(d,
                     custom ? static_cast<std::uint16_t>(std::lround(heightIt->second * 20)) : 270);
            append16(d, 0);
            append16(d, 0);
            append16(d, custom ? 0x0140 : 0x0100);
            append16(d, 15);
            appendRecord(out, Row, d);
        }
        std::vector<qsizetype> starts;
        for (const int row : block) {
            starts.push_back(pos());
            const auto cellsIt = sheet.rows_.find(row);
            if (cellsIt == sheet.rows_.end()) continue;
            for (const auto& [column, cell] : cellsIt->second) {
                QByteArray d;
                append16(d, static_cast<std::uint16_t>(row));
                append16(d, static_cast<std::uint16_t>(column));
                append16(d, static_cast<std::uint16_t>(cell.format));
                switch (cell.kind) {
                    case XlsWriter::Sheet::Cell::Text:
                        if (w.options_.sharedStrings) {
                            append32(d, strings.at(next++));
                            appendRecord(out, LabelSst, d);
                        } else {
                            appendString(d, cell.text.left(4000), false);
                            appendRecord(out, Label, d);
                        }
                        break;
                    case XlsWriter::Sheet::Cell::Number:
                        appendF64(d, cell.number);
                        appendRecord(out, Number, d);
                        break;
                    case XlsWriter::Sheet::Cell::Blank:
                        appendRecord(out, Blank, d);
                        break;
                    case XlsWriter::Sheet::Cell::Raw:
                        appendRecord(out, cell.rawType, cell.raw);
                        break;
                }
            }
        }
        if (w.options_.index) {
            const qsizetype at = pos();
            dbCells.push_back(at);
            QByteArray d;
            append32(d, static_cast<std::uint32_t>(at - firstRow));
            qsizetype previous = firstRow + 20;
            for (const qsizetype start : starts) {
                append16(d, static_cast<std::uint16_t>(start - previous));
                previous = start;
            }
            appendRecord(out, DbCell, d);
        }
    }

    {
        QByteArray d;
        std::uint16_t flags = first ? 0x06B6 : 0x00B6;
        if (!sheet.gridlines_) flags &= ~0x0002;
        append16(d, flags);
        append16(d, 0);
        append16(d, 0);
        append16(d, 64);
        append16(d, 0);
        append16(d, 0);
        append16(d, 0);
        append32(d, 0);
        appendRecord(out, Window2, d);
    }
    for (std::size_t at = 0; at < sheet.merges_.size(); at += 1026) {
        const std::size_t n = std::min<std::size_t>(1026, sheet.merges_.size() - at);
        QByteArray d;
        append16(d, static_cast<std::uint16_t>(n));
        for (std::size_t k = at; k < at + n; ++k) {
            const XlsWriter::Merge& m = sheet.merges_[k];
            append16(d, static_cast<std::uint16_t>(m.firstRow));
            append16(d, static_cast<std::uint16_t>(m.lastRow));
            append16(d, static_cast<std::uint16_t>(m.firstColumn));
            append16(d, static_cast<std::uint16_t>(m.lastColumn));
        }
        appendRecord(out, MergeCells, d);
    }
    appendRecord(out, Eof, {});

    if (indexAt >= 0) {
        char* index = out.data() + indexAt + 4;
        put32(index + 12, static_cast<std::uint32_t>(defColWidth));
        for (std::size_t b = 0; b < dbCells.size(); ++b) {
            put32(index + 16 + 4 * static_cast<qsizetype>(b),
                  static_cast<std::uint32_t>(dbCells[b]));
        }
    }
    return out;
}

QByteArray XlsWriterImpl::stream(const XlsWriter& w) {
    // The shared strings, in the order the cells are written.
    std::vector<SstString> table;
    std::vector<std::uint32_t> cellStrings;
    if (w.options_.sharedStrings) {
        QHash<QString, std::uint32_t> plain;
        for (const XlsWriter::Sheet& sheet : w.sheets_) {
            for (const auto& [row, cells] : sheet.rows_) {
                for (const auto& [column, cell] : cells) {
                    if (cell.kind != XlsWriter::Sheet::Cell::Text) continue;
                    const bool rich = !cell.runs.isEmpty() || !cell.phonetic.isEmpty();
                    const auto it = plain.constFind(cell.text);
                    if (!rich && it != plain.constEnd()) {
                        cellStrings.push_back(it.value());
                        continue;
                    }
                    const auto index = static_cast<std::uint32_t>(table.size());
                    table.push_back(SstString{cell.text, cell.runs, cell.phonetic});
                    if (!rich) plain.insert(cell.text, index);
                    cellStrings.push_back(index);
                }
            }
        }
    }

    QByteArray g;
    appendRecord(g, Bof, bof(0x0005));
    appendRecord(g, InterfaceHdr, u16Data(0x04B0));
    appendRecord(g, Mms, u16Data(0));
    appendRecord(g, InterfaceEnd, {});
    {
        QByteArray d;
        appendString(d, QStringLiteral("gzt"), false);
        d.append(QByteArray(112 - d.size(), ' '));
        appendRecord(g, WriteAccess, d);
    }
    appendRecord(g, CodePage, u16Data(1200));
    appendRecord(g, Dsf, u16Data(0));
    {
        QByteArray d;
        for (std::size_t i = 0; i < w.sheets_.size(); ++i)
            append16(d, static_cast<std::uint16_t>(i + 1));
        appendRecord(g, TabId, d);
    }
    appendRecord(g, WindowProtect, u16Data(0));
    appendRecord(g, Protect, u16Data(0));
    appendRecord(g, Password, u16Data(0));
    appendRecord(g, Prot4Rev, u16Data(0));
    appendRecord(g, Prot4RevPass, u16Data(0));
    {
        QByteArray d;
        append16(d, 360);
        append16(d, 270);
        append16(d, 14940);
        append16(d, 9150);
        append16(d, 0x0038);
        append16(d, 0);
        append16(d, 0);
        append16(d, 1);
        append16(d, 600);
        appendRecord(g, Window1, d);
    }
    appendRecord(g, Backup, u16Data(0));
    appendRecord(g, HideObj, u16Data(0));
    appendRecord(g, Date1904, u16Data(0));
    appendRecord(g, Precision, u16Data(1));
    appendRecord(g, RefreshAll, u16Data(0));
    appendRecord(g, BookBool, u16Data(0));
    const XlsWriter::Font normal;
    for (int i = 0; i < 4; ++i) appendRecord(g, Font, fontData(normal));
    for (const XlsWriter::Font& f : w.fonts_) appendRecord(g, Font, fontData(f));
    const struct {
        std::uint16_t id;
        const char* text;
    } formats[] = {
        {5, "\"\xC2\xA5\"#,##0;\"\xC2\xA5\"\\-#,##0"},
        {6, "\"\xC2\xA5\"#,##0;[Red]\"\xC2\xA5\"\\-#,##0"},
        {7, "\"\xC2\xA5\"#,##0.00;\"\xC2\xA5\"\\-#,##0.00"},
        {8, "\"\xC2\xA5\"#,##0.00;[Red]\"\xC2\xA5\"\\-#,##0.00"},
        {42, "_ \"\xC2\xA5\"* #,##0_ ;_ \"\xC2\xA5\"* \\-#,##0_ ;_ \"\xC2\xA5\"* \"-\"_ ;_ @_ "},
        {41, "_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ "},
        {44,
         "_ \"\xC2\xA5\"* #,##0.00_ ;_ \"\xC2\xA5\"* \\-#,##0.00_ ;_ \"\xC2\xA5\"* \"-\"??_ ;_ "
         "@_ "},
        {43, "_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"??_ ;_ @_ "},
    };
    for (const auto& f : formats) {
        QByteArray d;
        append16(d, f.id);
        appendString(d, QString::fromUtf8(f.text), false);
        appendRecord(g, Format, d);
    }
    appendRecord(g, Xf, xfData(0, 0, 0xFFF5, 0x20, 0x00, 0, 0, 0x20C0));
    for (int i = 1; i <= 14; ++i) {
        const std::uint16_t font = i <= 2 ? 1 : (i <= 4 ? 2 : 0);
        appendRecord(g, Xf, xfData(font, 0, 0xFFF5, 0x20, 0xF4, 0, 0, 0x20C0));
    }
    appendRecord(g, Xf, xfData(0, 0, 0x0001, 0x20, 0x00, 0, 0, 0x20C0));
    for (const XlsWriter::Format& f : w.formats_) {
        const auto colour = [](std::uint8_t style) -> std::uint32_t { return style ? 8 : 0; };
        const std::uint32_t border1 = f.left | (f.right << 4) | (f.top << 8) | (f.bottom << 12) |
                                      (colour(f.left) << 16) | (colour(f.right) << 23);
        const std::uint32_t border2 =
            colour(f.top) | (colour(f.bottom) << 7) | (f.fill ? (1u << 26) : 0u);
        const std::uint16_t fill =
            f.fill ? static_cast<std::uint16_t>((f.fill & 0x7F) | (64 << 7)) : 0x20C0;
        const auto align = static_cast<std::uint8_t>(
            static_cast<int>(f.halign) | (f.wrap ? 0x08 : 0) | (static_cast<int>(f.valign) << 4));
        appendRecord(g, Xf,
                     xfData(static_cast<std::uint16_t>(f.font), f.numberFormat, 0x0001, align, 0xFC,
                            border1, border2, fill));
    }
    {
        QByteArray d;
        append16(d, 0x8000);
        d.append(static_cast<char>(0));
        d.append(static_cast<char>(0xFF));
        appendRecord(g, Style, d);
    }
    appendRecord(g, UsesElfs, u16Data(0));
    std::vector<qsizetype> boundSheets;
    for (const XlsWriter::Sheet& sheet : w.sheets_) {
        boundSheets.push_back(g.size() + 4);
        QByteArray d;
        append32(d, 0);
        d.append(static_cast<char>(0));
        d.append(static_cast<char>(0));
        appendString(d, sheet.name(), true);
        appendRecord(g, BoundSheet, d);
    }
    {
        QByteArray d;
        append16(d, 86);
        append16(d, 86);
        appendRecord(g, Country, d);
    }
    if (w.options_.sharedStrings) {
        std::vector<const SstString*> pointers;
        pointers.reserve(table.size());
        for (const SstString& s : table) pointers.push_back(&s);
        appendSst(g, pointers, static_cast<std::uint32_t>(cellStrings.size()));
    }
    appendRecord(g, Eof, {});

    QByteArray out = g;
    std::size_t next = 0;
    for (std::size_t i = 0; i < w.sheets_.size(); ++i) {
        put32(out.data() + boundSheets[i], static_cast<std::uint32_t>(out.size()));
        out.append(sheet(w, w.sheets_[i], out.size(), i == 0, cellStrings, next));
    }
    if (out.size() < 4096) out.append(QByteArray(4096 - out.size(), '\0'));
    return out;
}

QByteArray XlsWriter::workbookStream() const {
    return XlsWriterImpl::stream(*this);
}

QByteArray XlsWriter::toBytes() const {
    XlsCompoundFile file = XlsCompoundFile::withStream(options_.streamName, workbookStream());
    if (options_.propertyStreams) {
        file.addRootStream(QStringLiteral("\x05SummaryInformation"), propertySet(kSummaryId));
        file.addRootStream(QStringLiteral("\x05"
                                          "DocumentSummaryInformation"),
                           propertySet(kDocSummaryId));
    }
    return file.serialize();
}

void XlsWriter::save(const QString& path) const {
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
    }
}
