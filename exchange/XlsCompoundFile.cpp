#include "XlsCompoundFile.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "XlsError.h"

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFEu;
constexpr std::uint32_t kFreeSect = 0xFFFFFFFFu;
constexpr std::uint32_t kFatSect = 0xFFFFFFFDu;
constexpr std::uint32_t kDifSect = 0xFFFFFFFCu;
constexpr qsizetype kMiniCutoff = 4096;
constexpr qsizetype kMiniSector = 64;
constexpr qsizetype kEntrySize = 128;
const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

[[noreturn]] void damaged(const QString& why) {
    throw XlsError(QStringLiteral("Excel 文件已损坏：%1").arg(why));
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

// Reading side: the file's sectors and the FAT, with every access checked.
class SectorReader {
  public:
    SectorReader(const QByteArray& file, qsizetype sectorSize)
        : file_(file),
          ss_(sectorSize),
          count_((file.size() - sectorSize + sectorSize - 1) / sectorSize) {}

    qsizetype sectorSize() const { return ss_; }
    std::uint32_t sectorCount() const { return static_cast<std::uint32_t>(count_); }

    // The bytes of sector `s` from `from`, `n` of them; they must lie inside the file.
    const char* bytes(std::uint32_t s, qsizetype n) const {
        if (s >= count_) damaged(QStringLiteral("扇区号超出文件范围"));
        const qsizetype offset = (static_cast<qsizetype>(s) + 1) * ss_;
        if (n > ss_ || offset + n > file_.size()) damaged(QStringLiteral("文件被截断"));
        return file_.constData() + offset;
    }

    std::vector<std::uint32_t> fat;

    // Follows the chain from `start` for at most `maxSectors` sectors (all of it when the chain
    // ends earlier). A sector outside the file or the FAT, or a chain longer than the file has
    // sectors, throws.
    std::vector<std::uint32_t> chain(std::uint32_t start, qsizetype maxSectors) const {
        std::vector<std::uint32_t> result;
        std::vector<char> visited(static_cast<std::size_t>(count_), 0);
        std::uint32_t s = start;
        while (s != kEndOfChain && static_cast<qsizetype>(result.size()) < maxSectors) {
            if (s >= count_ || s >= fat.size()) damaged(QStringLiteral("扇区链越界"));
            if (visited[s]) damaged(QStringLiteral("扇区链成环"));
            visited[s] = 1;
            result.push_back(s);
            s = fat[s];
        }
        return result;
    }

    // The first `size` bytes of the chain from `start`.
    QByteArray read(std::uint32_t start, qsizetype size) const {
        if (size < 0 || size > file_.size()) damaged(QStringLiteral("数据流长度超出文件大小"));
        const qsizetype needed = (size + ss_ - 1) / ss_;
        const std::vector<std::uint32_t> sectors = chain(start, needed);
        if (static_cast<qsizetype>(sectors.size()) < needed) {
            damaged(QStringLiteral("数据流比其扇区链长"));
        }
        QByteArray out;
        out.reserve(size);
        for (const std::uint32_t s : sectors) {
            const qsizetype n = std::min(ss_, size - out.size());
            out.append(bytes(s, n), n);
        }
        return out;
    }

    // A whole chain of full sectors (directory, mini FAT).
    QByteArray readAll(std::uint32_t start) const {
        const std::vector<std::uint32_t> sectors = chain(start, count_ + 1);
        QByteArray out;
        out.reserve(static_cast<qsizetype>(sectors.size()) * ss_);
        for (const std::uint32_t s : sectors) out.append(bytes(s, ss_), ss_);
        return out;
    }

  private:
    const QByteArray& file_;
    qsizetype ss_;
    qsizetype count_;
};

bool lessName(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    return a.toUpper() < b.toUpper();
}

}  // namespace

XlsCompoundFile XlsCompoundFile::parse(const QByteArray& file) {
    if (file.size() < 512 || std::memcmp(file.constData(), kSignature, 8) != 0) {
        throw XlsError(QStringLiteral("不是 Excel 97-2003 工作簿文件（不是 OLE2 复合文档）"));
    }
    const char* h = file.constData();
    if (get16(h + 0x1C) != 0xFFFE) damaged(QStringLiteral("字节序标志不对"));
    const std::uint16_t shift = get16(h + 0x1E);
    if (shift != 9 && shift != 12) damaged(QStringLiteral("扇区大小不对"));
    if (get16(h + 0x20) != 6) damaged(QStringLiteral("小扇区大小不对"));
    const qsizetype ss = qsizetype(1) << shift;
    if (file.size() < ss) damaged(QStringLiteral("文件被截断"));

    SectorReader reader(file, ss);
    const std::uint32_t sectors = reader.sectorCount();
    const std::uint32_t numFat = get32(h + 0x2C);
    const std::uint32_t firstDir = get32(h + 0x30);
    const std::uint32_t firstMiniFat = get32(h + 0x3C);
    const std::uint32_t firstDifat = get32(h + 0x44);
    const std::uint32_t numDifat = get32(h + 0x48);
    if (numFat == 0 || numFat > sectors) damaged(QStringLiteral("FAT 扇区数不对"));

    // The FAT sectors: 109 in the header, the rest in the DIFAT chain.
    std::vector<std::uint32_t> fatSectors;
    for (int i = 0; i < 109 && fatSectors.size() < numFat; ++i) {
        fatSectors.push_back(get32(h + 0x4C + 4 * i));
    }
    const qsizetype perDifat = ss / 4 - 1;
    std::uint32_t difat = firstDifat;
    std::uint32_t difatSeen = 0;
    while (fatSectors.size() < numFat) {
        if (difat >= sectors || difatSeen >= std::min(numDifat, sectors)) {
            damaged(QStringLiteral("DIFAT 链断裂"));
        }
        ++difatSeen;
        const char* d = reader.bytes(difat, ss);
        for (qsizetype i = 0; i < perDifat && fatSectors.size() < numFat; ++i) {
            fatSectors.push_back(get32(d + 4 * i));
        }
        difat = get32(d + 4 * perDifat);
    }
    reader.fat.reserve(static_cast<std::size_t>(numFat) * static_cast<std::size_t>(ss / 4));
    for (const std::uint32_t s : fatSectors) {
        const char* f = reader.bytes(s, ss);
        for (qsizetype i = 0; i < ss / 4; ++i) reader.fat.push_back(get32(f + 4 * i));
    }

    // The directory.
    const QByteArray dir = reader.readAll(firstDir);
    const qsizetype entryCount = dir.size() / kEntrySize;
    if (entryCount == 0) damaged(QStringLiteral("没有目录"));
    XlsCompoundFile result;
    result.entries.resize(static_cast<std::size_t>(entryCount));
    std::vector<std::uint32_t> starts(result.entries.size());
    std::vector<qsizetype> sizes(result.entries.size());
    for (qsizetype i = 0; i < entryCount; ++i) {
        const char* e = dir.constData() + i * kEntrySize;
        Entry& entry = result.entries[static_cast<std::size_t>(i)];
        const std::uint8_t type = static_cast<std::uint8_t>(e[0x42]);
        if (type != Storage && type != Stream && type != Root) continue;  // unused
        const std::uint16_t nameBytes = get16(e + 0x40);
        if (nameBytes < 2 || nameBytes > 64 || nameBytes % 2 != 0) {
            damaged(QStringLiteral("目录项名称长度不对"));
        }
        for (int c = 0; c < nameBytes / 2 - 1; ++c) entry.name += QChar(get16(e + 2 * c));
        entry.type = type;
        entry.color = static_cast<std::uint8_t>(e[0x43]) == 0 ? 0 : 1;
        entry.left = get32(e + 0x44);
        entry.right = get32(e + 0x48);
        entry.child = get32(e + 0x4C);
        entry.clsid = QByteArray(e + 0x50, 16);
        entry.state = get32(e + 0x60);
        entry.times = QByteArray(e + 0x64, 16);
        starts[static_cast<std::size_t>(i)] = get32(e + 0x74);
        // Version 3 readers ignore the high half of the size.
        const std::uint32_t high = shift == 9 ? 0 : get32(e + 0x7C);
        if (high != 0) damaged(QStringLiteral("数据流过大"));
        const std::uint32_t low = get32(e + 0x78);
        if (low > static_cast<std::uint32_t>(file.size()) && type != Storage) {
            damaged(QStringLiteral("数据流长度超出文件大小"));
        }
        sizes[static_cast<std::size_t>(i)] = type == Storage ? 0 : static_cast<qsizetype>(low);
    }
    if (result.entries[0].type != Root) damaged(QStringLiteral("没有根目录项"));

    // The mini stream and its FAT, read only when a small stream needs them.
    QByteArray miniStream;
    std::vector<std::uint32_t> miniFat;
    bool miniRead = false;
    const auto readMini = [&]() {
        if (miniRead) return;
        miniRead = true;
        miniStream = reader.read(starts[0], sizes[0]);
        if (firstMiniFat != kEndOfChain) {
            const QByteArray bytes = reader.readAll(firstMiniFat);
            miniFat.reserve(static_cast<std::size_t>(bytes.size() / 4));
            for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) {
                miniFat.push_back(get32(bytes.constData() + i));
            }
        }
    };

    for (std::size_t i = 0; i < result.entries.size(); ++i) {
        Entry& entry = result.entries[i];
        if (entry.type != Stream) continue;
        const qsizetype size = sizes[i];
        if (size == 0) continue;
        if (size >= kMiniCutoff) {
            entry.data = reader.read(starts[i], size);
            continue;
        }
        readMini();
        const qsizetype miniCount = miniStream.size() / kMiniSector;
        entry.data.reserve(size);
        std::uint32_t s = starts[i];
        qsizetype steps = 0;
        while (entry.data.size() < size) {
            if (s == kEndOfChain || s >= miniCount || s >= miniFat.size()) {
                damaged(QStringLiteral("小扇区链断裂"));
            }
            if (++steps > miniCount) damaged(QStringLiteral("小扇区链成环"));
            const qsizetype n = std::min(kMiniSector, size - entry.data.size());
            entry.data.append(miniStream.constData() + static_cast<qsizetype>(s) * kMiniSector, n);
            s = miniFat[s];
        }
    }
    return result;
}

QByteArray XlsCompoundFile::serialize() const {
    constexpr qsizetype ss = 512;
    std::vector<Entry> list = entries;
    if (list.empty()) {
        list.push_back(Entry{});
        list[0].name = QStringLiteral("Root Entry");
        list[0].type = Root;
    }
    const std::size_t n = list.size();
    std::vector<std::uint32_t> start(n, kEndOfChain);
    std::vector<std::uint32_t> size(n, 0);

    std::vector<std::uint32_t> fat;  // grows as sectors are laid out
    std::uint32_t next = 0;
    const auto layChain = [&](qsizetype bytes) {
        const auto count = static_cast<std::uint32_t>((bytes + ss - 1) / ss);
        const std::uint32_t first = count ? next : kEndOfChain;
        for (std::uint32_t k = 0; k < count; ++k)
            fat.push_back(k + 1 < count ? next + k + 1 : kEndOfChain);
        next += count;
        return first;
    };

    // Regular streams first, in entry order.
    for (std::size_t i = 0; i < n; ++i) {
        if (list[i].type != Stream || list[i].data.size() < kMiniCutoff) continue;
        start[i] = layChain(list[i].data.size());
        size[i] = static_cast<std::uint32_t>(list[i].data.size());
    }
    // The mini stream and its FAT.
    QByteArray mini;
    std::vector<std::uint32_t> miniFat;
    for (std::size_t i = 0; i < n; ++i) {
        const QByteArray& data = list[i].data;
        if (list[i].type != Stream || data.isEmpty() || data.size() >= kMiniCutoff) continue;
        const auto first = static_cast<std::uint32_t>(mini.size() / kMiniSector);
        const auto count =
            static_cast<std::uint32_t>((data.size() + kMiniSector - 1) / kMiniSector);
        for (std::uint32_t k = 0; k < count; ++k) {
            miniFat.push_back(k + 1 < count ? first + k + 1 : kEndOfChain);
        }
        mini.append(data);
        mini.append(QByteArray(count * kMiniSector - data.size(), '\0'));
        start[i] = first;
        size[i] = static_cast<std::uint32_t>(data.size());
    }
    start[0] = layChain(mini.size());
    size[0] = static_cast<std::uint32_t>(mini.size());
    QByteArray miniFatBytes(static_cast<qsizetype>(miniFat.size()) * 4, '\0');
    for (std::size_t k = 0; k < miniFat.size(); ++k) {
        put32(miniFatBytes.data() + 4 * static_cast<qsizetype>(k), miniFat[k]);
    }
    if (!miniFatBytes.isEmpty()) {
        miniFatBytes.append(QByteArray((ss - miniFatBytes.size() % ss) % ss, '\xFF'));
    }
    const std::uint32_t miniFatStart = layChain(miniFatBytes.size());
    const auto miniFatCount = static_cast<std::uint32_t>(miniFatBytes.size() / ss);

    // The directory.
    QByteArray dir(static_cast<qsizetype>((n + 3) / 4 * 4) * kEntrySize, '\0');
    for (std::size_t i = 0; i < (n + 3) / 4 * 4; ++i) {
        char* e = dir.data() + static_cast<qsizetype>(i) * kEntrySize;
        put32(e + 0x44, NoStream);
        put32(e + 0x48, NoStream);
        put32(e + 0x4C, NoStream);
        if (i >= n || list[i].type == Unused) continue;
        const Entry& entry = list[i];
        const QString name = entry.name.left(31);
        for (qsizetype c = 0; c < name.size(); ++c) put16(e + 2 * c, name.at(c).unicode());
        put16(e + 0x40, static_cast<std::uint16_t>((name.size() + 1) * 2));
        e[0x42] = static_cast<char>(entry.type);
        e[0x43] = static_cast<char>(entry.color);
        put32(e + 0x44, entry.left);
        put32(e + 0x48, entry.right);
        put32(e + 0x4C, entry.child);
        std::memcpy(e + 0x50, entry.clsid.leftJustified(16, '\0', true).constData(), 16);
        put32(e + 0x60, entry.state);
        std::memcpy(e + 0x64, entry.times.leftJustified(16, '\0', true).constData(), 16);
        if (entry.type == Storage) {
            put32(e + 0x74, 0);
        } else {
            put32(e + 0x74, entry.type == Stream && entry.data.isEmpty() ? kEndOfChain : start[i]);
            put32(e + 0x78, size[i]);
        }
    }
    const std::uint32_t dirStart = layChain(dir.size());

    // FAT and DIFAT sectors, as many as the whole file needs.
    const qsizetype perFat = ss / 4;
    const qsizetype perDifat = perFat - 1;
    qsizetype fatCount = 1;
    qsizetype difatCount = 0;
    for (;;) {
        difatCount = fatCount > 109 ? (fatCount - 109 + perDifat - 1) / perDifat : 0;
        if (fatCount * perFat >= static_cast<qsizetype>(next) + fatCount + difatCount) break;
        ++fatCount;
    }
    const std::uint32_t fatStart = next;
    for (qsizetype k = 0; k < fatCount; ++k) fat.push_back(kFatSect);
    const std::uint32_t difatStart = next + static_cast<std::uint32_t>(fatCount);
    for (qsizetype k = 0; k < difatCount; ++k) fat.push_back(kDifSect);
    next += static_cast<std::uint32_t>(fatCount + difatCount);
    fat.resize(static_cast<std::size_t>(fatCount * perFat), kFreeSect);

    QByteArray out;
    out.reserve((static_cast<qsizetype>(next) + 1) * ss);
    QByteArray header(ss, '\0');
    char* h = header.data();
    std::memcpy(h, kSignature, 8);
    put16(h + 0x18, 0x003E);
    put16(h + 0x1A, 0x0003);
    put16(h + 0x1C, 0xFFFE);
    put16(h + 0x1E, 9);
    put16(h + 0x20, 6);
    put32(h + 0x2C, static_cast<std::uint32_t>(fatCount));
    put32(h + 0x30, dirStart);
    put32(h + 0x38, static_cast<std::uint32_t>(kMiniCutoff));
    put32(h + 0x3C, miniFatCount ? miniFatStart : kEndOfChain);
    put32(h + 0x40, miniFatCount);
    put32(h + 0x44, difatCount ? difatStart : kEndOfChain);
    put32(h + 0x48, static_cast<std::uint32_t>(difatCount));
    for (int k = 0; k < 109; ++k) {
        put32(h + 0x4C + 4 * k,
              k < fatCount ? fatStart + static_cast<std::uint32_t>(k) : kFreeSect);
    }
    out.append(header);

    const auto appendPadded = [&](const QByteArray& bytes) {
        out.append(bytes);
        out.append(QByteArray((ss - bytes.size() % ss) % ss, '\0'));
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (list[i].type == Stream && list[i].data.size() >= kMiniCutoff)
            appendPadded(list[i].data);
    }
    appendPadded(mini);
    out.append(miniFatBytes);
    out.append(dir);
    QByteArray fatBytes(static_cast<qsizetype>(fat.size()) * 4, '\0');
    for (std::size_t k = 0; k < fat.size(); ++k) {
        put32(fatBytes.data() + 4 * static_cast<qsizetype>(k), fat[k]);
    }
    out.append(fatBytes);
    for (qsizetype d = 0; d < difatCount; ++d) {
        QByteArray sector(ss, '\xFF');
        for (qsizetype k = 0; k < perDifat; ++k) {
            const qsizetype f = 109 + d * perDifat + k;
            if (f < fatCount)
                put32(sector.data() + 4 * k, fatStart + static_cast<std::uint32_t>(f));
        }
        put32(sector.data() + 4 * perDifat,
              d + 1 < difatCount ? difatStart + static_cast<std::uint32_t>(d + 1) : kEndOfChain);
        out.append(sector);
    }
    return out;
}

XlsCompoundFile XlsCompoundFile::withStream(const QString& name, const QByteArray& data) {
    XlsCompoundFile file;
    Entry root;
    root.name = QStringLiteral("Root Entry");
    root.type = Root;
    file.entries.push_back(root);
    file.addRootStream(name, data);
    return file;
}

void XlsCompoundFile::addRootStream(const QString& name, const QByteArray& data) {
    if (entries.empty()) {
        Entry root;
        root.name = QStringLiteral("Root Entry");
        root.type = Root;
        entries.push_back(root);
    }
    Entry stream;
    stream.name = name;
    stream.type = Stream;
    stream.data = data;
    entries.push_back(stream);
    rebuildRootTree(static_cast<int>(entries.size()) - 1);
}

std::vector<int> XlsCompoundFile::rootChildren() const {
    std::vector<int> found;
    if (entries.empty()) return found;
    std::vector<char> seen(entries.size(), 0);
    std::vector<std::uint32_t> stack{entries[0].child};
    while (!stack.empty()) {
        const std::uint32_t id = stack.back();
        stack.pop_back();
        if (id >= entries.size() || seen[id]) continue;
        seen[id] = 1;
        const Entry& e = entries[id];
        if (e.type == Unused || id == 0) continue;
        found.push_back(static_cast<int>(id));
        stack.push_back(e.left);
        stack.push_back(e.right);
    }
    return found;
}

void XlsCompoundFile::rebuildRootTree(int added) {
    std::vector<int> children = rootChildren();
    if (added > 0) children.push_back(added);
    std::sort(children.begin(), children.end(), [&](int a, int b) {
        return lessName(entries[static_cast<std::size_t>(a)].name,
                        entries[static_cast<std::size_t>(b)].name);
    });
    std::function<std::uint32_t(int, int)> build = [&](int lo, int hi) -> std::uint32_t {
        if (lo >= hi) return NoStream;
        const int mid = (lo + hi) / 2;
        Entry& e = entries[static_cast<std::size_t>(children[static_cast<std::size_t>(mid)])];
        e.color = 1;
        e.left = build(lo, mid);
        e.right = build(mid + 1, hi);
        return static_cast<std::uint32_t>(children[static_cast<std::size_t>(mid)]);
    };
    entries[0].child = build(0, static_cast<int>(children.size()));
    entries[0].color = 1;
}

int XlsCompoundFile::findRootStream(const QString& name) const {
    for (const int id : rootChildren()) {
        const Entry& e = entries[static_cast<std::size_t>(id)];
        if (e.type == Stream && e.name.compare(name, Qt::CaseInsensitive) == 0) return id;
    }
    return -1;
}
