#include "XlsBiff.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "XlsError.h"

namespace xls {

namespace {

[[noreturn]] void damaged(const QString& why) {
    throw XlsError(QStringLiteral("Excel 文件已损坏：%1").arg(why));
}

[[noreturn]] void shortData() {
    damaged(QStringLiteral("记录数据不完整"));
}

bool needsHighByte(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return true;
    }
    return false;
}

void appendChars(QByteArray& out, const QChar* chars, qsizetype count, bool highByte) {
    const qsizetype at = out.size();
    out.resize(at + count * (highByte ? 2 : 1));
    char* p = out.data() + at;
    if (highByte) {
        for (qsizetype i = 0; i < count; ++i) put16(p + 2 * i, chars[i].unicode());
    } else {
        for (qsizetype i = 0; i < count; ++i) p[i] = static_cast<char>(chars[i].unicode());
    }
}

// The records of the workbook stream and its top-level substreams. Zero padding or stray bytes
// after the last substream end the stream.
void splitRecords(Workbook& wb) {
    const QByteArray& s = wb.stream;
    const qsizetype size = s.size();
    qsizetype pos = 0;
    int depth = 0;
    Substream current;
    while (pos < size) {
        if (depth == 0 && !wb.substreams.empty() &&
            (size - pos < 4 || get16(s.constData() + pos) != Bof)) {
            break;
        }
        if (size - pos < 4) damaged(QStringLiteral("记录被截断"));
        Record r;
        r.type = get16(s.constData() + pos);
        r.size = get16(s.constData() + pos + 2);
        r.pos = pos;
        if (r.end() > size) damaged(QStringLiteral("记录被截断"));
        if (depth == 0 && r.type != Bof) damaged(QStringLiteral("工作簿流不以 BOF 记录开始"));
        const int index = static_cast<int>(wb.records.size());
        wb.records.push_back(r);
        if (r.type == Bof) {
            if (r.size < 4) damaged(QStringLiteral("BOF 记录过短"));
            if (depth == 0) {
                current.bof = index;
                current.kind = get16(s.constData() + pos + 6);
            }
            if (++depth > 16) damaged(QStringLiteral("子流嵌套过深"));
        } else if (r.type == Eof) {
            if (--depth == 0) {
                current.eof = index;
                wb.substreams.push_back(current);
            }
        }
        pos = r.end();
    }
    if (depth != 0) damaged(QStringLiteral("工作表数据不完整（文件被截断）"));
    if (wb.substreams.empty()) damaged(QStringLiteral("没有工作簿记录"));
}

SstString readSstString(ByteReader& in) {
    SstString s;
    const std::uint16_t cch = in.u16();
    const std::uint8_t flags = in.u8();
    const std::uint16_t runs = (flags & 0x08) ? in.u16() : 0;
    const std::uint32_t ext = (flags & 0x04) ? in.u32() : 0;
    s.text = in.chars(cch, flags & 0x01);
    s.runs = in.bytes(qsizetype(runs) * 4);
    if (ext > static_cast<std::uint32_t>(in.remaining())) shortData();
    s.ext = in.bytes(static_cast<qsizetype>(ext));
    return s;
}

void parseGlobals(Workbook& wb) {
    const Substream& g = wb.substreams[0];
    const char* bof = wb.data(g.bof);
    if (get16(bof) != 0x0600) {
        throw XlsError(
            QStringLiteral("不支持这种 Excel 文件：只能读写 Excel 97-2003（BIFF8）格式，不支持 "
                           "Excel 5.0/95 及更早的格式"));
    }
    if (g.kind != 0x0005) damaged(QStringLiteral("第一个子流不是工作簿全局数据"));
    for (int i = g.bof + 1; i < g.eof; ++i) {
        const Record& r = wb.record(i);
        switch (r.type) {
            case FilePass:
                throw XlsError(QStringLiteral("工作簿设有打开密码（已加密），不能读写"));
            case BoundSheet: {
                ByteReader in(wb.data(i), r.size);
                SheetEntry sheet;
                sheet.boundSheet = i;
                in.u32();
                in.u8();
                sheet.kind = in.u8();
                sheet.name = readString(in, true);
                wb.sheets.push_back(sheet);
                break;
            }
            case Sst: {
                if (wb.sst >= 0) break;
                wb.sst = i;
                int j = i + 1;
                while (j < g.eof && wb.record(j).type == Continue) ++j;
                wb.sstEnd = j;
                ByteReader in;
                for (int k = i; k < j; ++k) in.addSegment(wb.data(k), wb.record(k).size);
                wb.sstTotal = in.u32();
                const std::uint32_t unique = in.u32();
                while (!in.atEnd()) {
                    try {
                        wb.strings.push_back(readSstString(in));
                    } catch (const XlsError&) {
                        // Stray bytes after the last string the table announced are tolerated.
                        if (wb.strings.size() >= unique) break;
                        throw;
                    }
                }
                i = j - 1;
                break;
            }
            case Format: {
                // Not needed here, but the import hands the file on to FreeXL, which copies a
                // number format's text by its stated length without looking at the record's.
                ByteReader in(wb.data(i), r.size);
                in.u16();
                (void)readSstString(in);
                break;
            }
            case ExtSst:
                if (wb.extSst < 0) wb.extSst = i;
                break;
            default:
                break;
        }
    }
    // Each sheet's substream starts where its BOUNDSHEET8 says; failing that, the substreams
    // are taken in order.
    std::vector<char> claimed(wb.substreams.size(), 0);
    for (std::size_t k = 0; k < wb.sheets.size(); ++k) {
        const std::uint32_t pos = get32(wb.data(wb.sheets[k].boundSheet));
        for (std::size_t s = 1; s < wb.substreams.size(); ++s) {
            if (!claimed[s] && wb.record(wb.substreams[s].bof).pos == static_cast<qsizetype>(pos)) {
                wb.sheets[k].substream = static_cast<int>(s);
                claimed[s] = 1;
                break;
            }
        }
    }
    for (std::size_t k = 0; k < wb.sheets.size(); ++k) {
        if (wb.sheets[k].substream >= 0) continue;
        const std::size_t s = k + 1;
        if (s < wb.substreams.size() && !claimed[s]) {
            wb.sheets[k].substream = static_cast<int>(s);
            claimed[s] = 1;
        }
    }
}

}  // namespace

Workbook parseWorkbook(const QByteArray& fileBytes) {
    Workbook wb;
    wb.file = XlsCompoundFile::parse(fileBytes);
    int id = wb.file.findRootStream(QStringLiteral("Workbook"));
    if (id < 0) id = wb.file.findRootStream(QStringLiteral("Book"));
    if (id < 0)
        throw XlsError(QStringLiteral("文件中没有 Excel 工作簿数据（缺少 Workbook 数据流）"));
    wb.streamEntry = id;
    wb.stream = wb.file.entries[static_cast<std::size_t>(id)].data;
    splitRecords(wb);
    parseGlobals(wb);
    return wb;
}

bool ByteReader::advance() {
    while (segment_ < segments_.size() && offset_ >= segments_[segment_].size) {
        ++segment_;
        offset_ = 0;
    }
    return segment_ < segments_.size();
}

bool ByteReader::atEnd() {
    return !advance();
}

qsizetype ByteReader::remaining() const {
    qsizetype n = 0;
    for (std::size_t s = segment_; s < segments_.size(); ++s) {
        n += segments_[s].size - (s == segment_ ? offset_ : 0);
    }
    return n;
}

std::uint8_t ByteReader::u8() {
    if (!advance()) shortData();
    return static_cast<std::uint8_t>(segments_[segment_].data[offset_++]);
}

std::uint16_t ByteReader::u16() {
    if (advance() && segments_[segment_].size - offset_ >= 2) {
        const std::uint16_t v = get16(segments_[segment_].data + offset_);
        offset_ += 2;
        return v;
    }
    const std::uint16_t lo = u8();
    return static_cast<std::uint16_t>(lo | (u8() << 8));
}

std::uint32_t ByteReader::u32() {
    const std::uint32_t lo = u16();
    return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

double ByteReader::f64() {
    const QByteArray b = bytes(8);
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(b[i]);
    double v = 0;
    std::memcpy(&v, &bits, 8);
    return v;
}

QByteArray ByteReader::bytes(qsizetype n) {
    if (n < 0 || n > remaining()) shortData();
    QByteArray out;
    out.reserve(n);
    while (out.size() < n) {
        advance();
        const Segment& s = segments_[segment_];
        const qsizetype take = std::min(n - out.size(), s.size - offset_);
        out.append(s.data + offset_, take);
        offset_ += take;
    }
    return out;
}

QString ByteReader::chars(qsizetype count, bool highByte) {
    QString text;
    text.reserve(count);
    qsizetype left = count;
    while (left > 0) {
        if (segment_ >= segments_.size()) shortData();
        const Segment& s = segments_[segment_];
        const qsizetype available = s.size - offset_;
        if (available <= 0) {
            // The characters go on in the next record, after a flags byte of their own.
            ++segment_;
            offset_ = 0;
            if (segment_ >= segments_.size() || segments_[segment_].size == 0) shortData();
            highByte = segments_[segment_].data[offset_++] & 0x01;
            continue;
        }
        const qsizetype unit = highByte ? 2 : 1;
        const qsizetype n = std::min(left, available / unit);
        if (n == 0) damaged(QStringLiteral("字符被记录边界拆开"));
        const char* p = s.data + offset_;
        if (highByte) {
            for (qsizetype i = 0; i < n; ++i) text.append(QChar(get16(p + 2 * i)));
        } else {
            text.append(QString::fromLatin1(p, n));
        }
        offset_ += n * unit;
        left -= n;
    }
    return text;
}

QString readString(ByteReader& in, bool shortCount) {
    const std::uint16_t cch = shortCount ? in.u8() : in.u16();
    const std::uint8_t flags = in.u8();
    // A rich or phonetic header may stand in a LABEL written by other programs.
    const std::uint16_t runs = (flags & 0x08) ? in.u16() : 0;
    const std::uint32_t ext = (flags & 0x04) ? in.u32() : 0;
    QString text = in.chars(cch, flags & 0x01);
    if (in.remaining() >= qsizetype(runs) * 4) in.skip(qsizetype(runs) * 4);
    if (ext <= static_cast<std::uint32_t>(in.remaining())) in.skip(static_cast<qsizetype>(ext));
    return text;
}

void appendString(QByteArray& out, const QString& text, bool shortCount) {
    const QString t = text.left(shortCount ? 255 : 65535);
    const bool high = needsHighByte(t);
    if (shortCount) {
        out.append(static_cast<char>(t.size()));
    } else {
        append16(out, static_cast<std::uint16_t>(t.size()));
    }
    out.append(static_cast<char>(high ? 1 : 0));
    appendChars(out, t.constData(), t.size(), high);
}

std::uint16_t get16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      (static_cast<unsigned char>(p[1]) << 8));
}

std::uint32_t get32(const char* p) {
    return static_cast<std::uint32_t>(get16(p)) | (static_cast<std::uint32_t>(get16(p + 2)) << 16);
}

void put16(char* p, std::uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}

void put32(char* p, std::uint32_t v) {
    put16(p, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

void append16(QByteArray& out, std::uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}

void append32(QByteArray& out, std::uint32_t v) {
    append16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    append16(out, static_cast<std::uint16_t>(v >> 16));
}

void appendF64(QByteArray& out, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) out.append(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void appendRecord(QByteArray& out, std::uint16_t type, const QByteArray& data) {
    if (data.size() > MaxRecordData) {
        throw XlsError(
            QStringLiteral("内部错误：记录 0x%1 超过 8224 字节").arg(type, 4, 16, QChar(u'0')));
    }
    append16(out, type);
    append16(out, static_cast<std::uint16_t>(data.size()));
    out.append(data);
}

void appendSst(QByteArray& out, const std::vector<const SstString*>& strings, std::uint32_t total) {
    const auto unique = static_cast<std::uint32_t>(strings.size());
    const std::uint32_t dsst = std::max<std::uint32_t>(unique / 128 + 1, 8);
    struct Bucket {
        std::uint32_t ib;
        std::uint16_t offset;
    };
    std::vector<Bucket> buckets;
    qsizetype recordStart = 0;
    const auto begin = [&](std::uint16_t type) {
        recordStart = out.size();
        append16(out, type);
        append16(out, 0);
    };
    const auto finish = [&]() {
        put16(out.data() + recordStart + 2,
              static_cast<std::uint16_t>(out.size() - recordStart - 4));
    };
    const auto room = [&]() { return MaxRecordData - (out.size() - recordStart - 4); };

    begin(Sst);
    append32(out, total);
    append32(out, unique);
    for (std::uint32_t k = 0; k < unique; ++k) {
        const SstString& s = *strings[k];
        const QString text = s.text.left(65535);
        const bool high = needsHighByte(text);
        const qsizetype unit = high ? 2 : 1;
        const auto runs = static_cast<std::uint16_t>(std::min<qsizetype>(s.runs.size() / 4, 65535));
        const qsizetype header = 3 + (runs ? 2 : 0) + (s.ext.isEmpty() ? 0 : 4);
        // The fixed part and the first character stay in one record.
        if (room() < header + (text.isEmpty() ? 0 : unit)) {
            finish();
            begin(Continue);
        }
        if (k % dsst == 0) {
            buckets.push_back({static_cast<std::uint32_t>(out.size()),
                               static_cast<std::uint16_t>(out.size() - recordStart)});
        }
        append16(out, static_cast<std::uint16_t>(text.size()));
        out.append(static_cast<char>((high ? 0x01 : 0) | (s.ext.isEmpty() ? 0 : 0x04) |
                                     (runs ? 0x08 : 0)));
        if (runs) append16(out, runs);
        if (!s.ext.isEmpty()) append32(out, static_cast<std::uint32_t>(s.ext.size()));
        qsizetype done = 0;
        while (done < text.size()) {
            const qsizetype n = std::min(text.size() - done, room() / unit);
            if (n == 0) {
                finish();
                begin(Continue);
                out.append(static_cast<char>(high ? 1 : 0));
                continue;
            }
            appendChars(out, text.constData() + done, n, high);
            done += n;
        }
        for (qsizetype r = 0; r < runs; ++r) {
            if (room() < 4) {
                finish();
                begin(Continue);
            }
            out.append(s.runs.constData() + 4 * r, 4);
        }
        qsizetype e = 0;
        while (e < s.ext.size()) {
            if (room() == 0) {
                finish();
                begin(Continue);
            }
            const qsizetype n = std::min(s.ext.size() - e, room());
            out.append(s.ext.constData() + e, n);
            e += n;
        }
    }
    finish();

    QByteArray index;
    append16(index, static_cast<std::uint16_t>(dsst));
    for (const Bucket& b : buckets) {
        append32(index, b.ib);
        append16(index, b.offset);
        append16(index, 0);
    }
    appendRecord(out, ExtSst, index);
}

double rkValue(std::uint32_t rk) {
    double v = 0;
    if (rk & 0x02) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    if (rk & 0x01) v /= 100;
    return v;
}

QString numberText(double value) {
    if (std::isnan(value)) return QStringLiteral("#NUM!");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("#NUM!") : QStringLiteral("-#NUM!");
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return QString::number(static_cast<long long>(value));
    }
    return QString::number(value, 'g', 15);
}

}  // namespace xls
