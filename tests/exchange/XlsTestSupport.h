#pragma once

// Helpers of the xls tests: an independent structure check of .xls files (compound file sector
// accounting, directory tree, BIFF offsets, strings table and its index), and a run of Debian's
// xlrd over files, as a reader written by others.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "XlsCompoundFile.h"

namespace xlstest {

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

inline std::uint16_t u16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned char>(b[at + 1]) << 8));
}

inline std::uint32_t u32(const QByteArray& b, qsizetype at) {
    return static_cast<std::uint32_t>(u16(b, at)) |
           (static_cast<std::uint32_t>(u16(b, at + 2)) << 16);
}

struct Rec {
    std::uint16_t type;
    std::uint16_t size;
    qsizetype pos;
    qsizetype end() const { return pos + 4 + size; }
};

inline std::vector<Rec> records(const QByteArray& s) {
    std::vector<Rec> list;
    qsizetype pos = 0;
    int depth = 0;
    while (pos + 4 <= s.size()) {
        const Rec r{u16(s, pos), u16(s, pos + 2), pos};
        if (depth == 0 && !list.empty() && r.type != 0x0809) break;
        if (r.end() > s.size()) break;
        list.push_back(r);
        if (r.type == 0x0809) ++depth;
        if (r.type == 0x000A) --depth;
        pos = r.end();
    }
    return list;
}

// The workbook stream of a file (read with the module's compound file reader, whose sector
// layout the structure check verifies on its own).
inline QByteArray workbookStream(const QByteArray& file) {
    const XlsCompoundFile cf = XlsCompoundFile::parse(file);
    int id = cf.findRootStream(QStringLiteral("Workbook"));
    if (id < 0) id = cf.findRootStream(QStringLiteral("Book"));
    return id < 0 ? QByteArray() : cf.entries[static_cast<std::size_t>(id)].data;
}

inline bool isCell(std::uint16_t t) {
    switch (t) {
        case 0x00FD:
        case 0x0204:
        case 0x0203:
        case 0x027E:
        case 0x00BD:
        case 0x0205:
        case 0x0201:
        case 0x00BE:
        case 0x0006:
        case 0x00D6:
            return true;
        default:
            return false;
    }
}

// Everything a strict reader (Excel's repair check) looks at; an empty list means the file is
// sound.
inline QStringList checkStructure(const QByteArray& f, bool biff = true) {
    QStringList bad;
    const auto fail = [&](const QString& s) { bad << s; };
    constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFat = 0xFFFFFFFD,
                            kDif = 0xFFFFFFFC;
    if (f.size() < 1024 || f.size() % 512 != 0) fail(QStringLiteral("file size %1").arg(f.size()));
    if (u16(f, 0x18) != 0x3E || u16(f, 0x1A) != 3 || u16(f, 0x1C) != 0xFFFE || u16(f, 0x1E) != 9 ||
        u16(f, 0x20) != 6 || u32(f, 0x28) != 0 || u32(f, 0x38) != 4096) {
        fail(QStringLiteral("header fields"));
    }
    if (!bad.isEmpty()) return bad;
    const auto n = static_cast<std::uint32_t>(f.size() / 512 - 1);
    const std::uint32_t numFat = u32(f, 0x2C);
    std::vector<std::uint32_t> fatSectors;
    for (int i = 0; i < 109; ++i) {
        const std::uint32_t s = u32(f, 0x4C + 4 * i);
        if (static_cast<std::uint32_t>(i) < numFat) {
            fatSectors.push_back(s);
        } else if (s != kFree) {
            fail(QStringLiteral("DIFAT slot %1 not free").arg(i));
        }
    }
    std::vector<std::uint32_t> difatSectors;
    std::uint32_t d = u32(f, 0x44);
    for (std::uint32_t k = 0; k < u32(f, 0x48) && d < n; ++k) {
        difatSectors.push_back(d);
        for (int i = 0; i < 127; ++i) {
            const std::uint32_t s = u32(f, (d + 1) * 512 + 4 * i);
            if (fatSectors.size() < numFat) {
                fatSectors.push_back(s);
            } else if (s != kFree) {
                fail(QStringLiteral("DIFAT sector slot not free"));
            }
        }
        d = u32(f, (d + 1) * 512 + 508);
    }
    if (d != kEnd && !difatSectors.empty()) fail(QStringLiteral("DIFAT chain end"));
    if (fatSectors.size() != numFat) fail(QStringLiteral("FAT sector count"));
    std::vector<std::uint32_t> fat;
    for (const std::uint32_t s : fatSectors) {
        if (s >= n) {
            fail(QStringLiteral("FAT sector outside"));
            return bad;
        }
        for (int i = 0; i < 128; ++i) fat.push_back(u32(f, (s + 1) * 512 + 4 * i));
    }
    if (fat.size() < n) {
        fail(QStringLiteral("FAT too small"));
        return bad;
    }
    std::vector<int> owner(n, 0);
    for (const std::uint32_t s : fatSectors) {
        owner[s] = 1;
        if (fat[s] != kFat) fail(QStringLiteral("FAT sector not marked FATSECT"));
    }
    for (const std::uint32_t s : difatSectors) {
        owner[s] = 1;
        if (fat[s] != kDif) fail(QStringLiteral("DIFAT sector not marked DIFSECT"));
    }
    const auto chain = [&](std::uint32_t start, const QString& what) {
        std::vector<std::uint32_t> list;
        std::uint32_t s = start;
        while (s != kEnd) {
            if (s >= n || owner[s] || list.size() > n) {
                fail(QStringLiteral("%1: sector %2 bad or used twice").arg(what).arg(s));
                break;
            }
            owner[s] = 1;
            list.push_back(s);
            s = fat[s];
        }
        return list;
    };
    const std::vector<std::uint32_t> dirSectors = chain(u32(f, 0x30), QStringLiteral("directory"));
    QByteArray dir;
    for (const std::uint32_t s : dirSectors) dir.append(f.mid((s + 1) * 512, 512));
    const qsizetype entries = dir.size() / 128;
    if (entries == 0 || u16(dir, 0x42) % 256 != 5) {
        fail(QStringLiteral("no root entry"));
        return bad;
    }
    // Mini stream and mini FAT.
    const std::vector<std::uint32_t> miniSectors =
        chain(u32(dir, 0x74), QStringLiteral("mini stream"));
    const std::uint32_t rootSize = u32(dir, 0x78);
    if (miniSectors.size() != (rootSize + 511) / 512) fail(QStringLiteral("mini stream length"));
    const std::vector<std::uint32_t> miniFatSectors =
        u32(f, 0x3C) == kEnd ? std::vector<std::uint32_t>{}
                             : chain(u32(f, 0x3C), QStringLiteral("mini FAT"));
    if (miniFatSectors.size() != u32(f, 0x40)) fail(QStringLiteral("mini FAT count"));
    std::vector<std::uint32_t> miniFat;
    for (const std::uint32_t s : miniFatSectors) {
        for (int i = 0; i < 128; ++i) miniFat.push_back(u32(f, (s + 1) * 512 + 4 * i));
    }
    std::vector<int> miniOwner(rootSize / 64, 0);
    for (qsizetype e = 1; e < entries; ++e) {
        const qsizetype at = e * 128;
        const int type = static_cast<unsigned char>(dir[at + 0x42]);
        if (type == 0) {
            if (u32(dir, at + 0x44) != 0xFFFFFFFF || u32(dir, at + 0x48) != 0xFFFFFFFF ||
                u32(dir, at + 0x4C) != 0xFFFFFFFF) {
                fail(QStringLiteral("unused entry links"));
            }
            continue;
        }
        const qsizetype nameBytes = u16(dir, at + 0x40);
        if (nameBytes < 2 || nameBytes > 64 || u16(dir, at + nameBytes - 2) != 0) {
            fail(QStringLiteral("entry %1 name length").arg(e));
        }
        if (type != 2) continue;
        const std::uint32_t size = u32(dir, at + 0x78);
        const std::uint32_t start = u32(dir, at + 0x74);
        if (size >= 4096) {
            const auto list = chain(start, QStringLiteral("stream %1").arg(e));
            if (list.size() != (size + 511) / 512) fail(QStringLiteral("stream %1 length").arg(e));
        } else if (size > 0) {
            std::uint32_t s = start;
            std::uint32_t count = 0;
            while (s != kEnd && s < miniOwner.size() && s < miniFat.size() && !miniOwner[s]) {
                miniOwner[s] = 1;
                ++count;
                s = miniFat[s];
            }
            if (s != kEnd || count != (size + 63) / 64)
                fail(QStringLiteral("mini chain %1").arg(e));
        }
    }
    for (std::uint32_t s = 0; s < n; ++s) {
        if (!owner[s] && fat[s] != kFree) fail(QStringLiteral("sector %1 lost").arg(s));
    }
    // The sibling tree below the root: a binary search tree by (length, upper case), no red
    // node with a red child.
    const auto name = [&](std::uint32_t e) {
        QString text;
        const qsizetype bytes = u16(dir, e * 128 + 0x40);
        for (qsizetype c = 0; c + 2 < bytes; c += 2) text += QChar(u16(dir, e * 128 + c));
        return text;
    };
    const auto less = [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a.toUpper() < b.toUpper();
    };
    std::vector<QString> inOrder;
    std::set<std::uint32_t> seen;
    std::function<void(std::uint32_t, bool)> walk = [&](std::uint32_t e, bool parentRed) {
        if (e == 0xFFFFFFFF) return;
        if (e >= static_cast<std::uint32_t>(entries) || !seen.insert(e).second) {
            fail(QStringLiteral("tree link"));
            return;
        }
        const bool red = dir[e * 128 + 0x43] == 0;
        if (red && parentRed) fail(QStringLiteral("red-red"));
        walk(u32(dir, e * 128 + 0x44), red);
        inOrder.push_back(name(e));
        walk(u32(dir, e * 128 + 0x48), red);
    };
    walk(u32(dir, 0x4C), false);
    for (std::size_t i = 1; i < inOrder.size(); ++i) {
        if (!less(inOrder[i - 1], inOrder[i])) fail(QStringLiteral("sibling tree order"));
    }
    if (!bad.isEmpty() || !biff) return bad;

    // BIFF.
    const QByteArray s = workbookStream(f);
    const std::vector<Rec> recs = records(s);
    std::map<qsizetype, std::size_t> at;
    for (std::size_t i = 0; i < recs.size(); ++i) at[recs[i].pos] = i;
    for (const Rec& r : recs) {
        if (r.size > 8224) fail(QStringLiteral("record 0x%1 too long").arg(r.type, 0, 16));
    }
    if (recs.empty() || recs.front().type != 0x0809) {
        fail(QStringLiteral("no BOF"));
        return bad;
    }
    std::size_t globalsEnd = 0;
    while (globalsEnd < recs.size() && recs[globalsEnd].type != 0x000A) ++globalsEnd;
    std::size_t labelSst = 0;
    std::vector<std::uint32_t> used;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        const Rec& r = recs[i];
        if (r.type == 0x0085) {
            const auto target = at.find(u32(s, r.pos + 4));
            if (target == at.end() || recs[target->second].type != 0x0809) {
                fail(QStringLiteral("BOUNDSHEET8 offset"));
            }
        }
        if (r.type == 0x00FD && i > globalsEnd) {
            ++labelSst;
            used.push_back(u32(s, r.pos + 4 + 6));
        }
    }
    // Strings table: every entry used, counts right, the fixed part of each string inside one
    // record, EXTSST pointing at the right strings.
    std::size_t sst = 0;
    while (sst < globalsEnd && recs[sst].type != 0x00FC) ++sst;
    if (sst < globalsEnd) {
        std::vector<std::pair<qsizetype, qsizetype>> segments;  // stream position, size
        std::size_t k = sst;
        do {
            segments.emplace_back(recs[k].pos + 4, recs[k].size);
            ++k;
        } while (k < globalsEnd && recs[k].type == 0x003C);
        std::size_t seg = 0;
        qsizetype off = 8;
        std::vector<std::pair<qsizetype, qsizetype>> starts;  // string pos, its record's pos
        const auto room = [&]() { return segments[seg].second - off; };
        std::uint32_t strings = 0;
        while (seg < segments.size()) {
            if (room() == 0) {
                ++seg;
                off = 0;
                continue;
            }
            const qsizetype p = segments[seg].first + off;
            const std::uint16_t cch = u16(s, p);
            const int flags = static_cast<unsigned char>(s[p + 2]);
            const qsizetype header = 3 + ((flags & 8) ? 2 : 0) + ((flags & 4) ? 4 : 0);
            if (room() < header) {
                fail(QStringLiteral("string header split"));
                break;
            }
            starts.emplace_back(p, segments[seg].first - 4);
            const std::uint16_t runs = (flags & 8) ? u16(s, p + 3) : 0;
            const std::uint32_t ext = (flags & 4) ? u32(s, p + 3 + ((flags & 8) ? 2 : 0)) : 0;
            off += header;
            bool high = flags & 1;
            qsizetype left = cch;
            while (left > 0) {
                if (room() == 0) {
                    ++seg;
                    off = 0;
                    if (seg >= segments.size()) break;
                    high = s[segments[seg].first] & 1;
                    off = 1;
                }
                const qsizetype take = std::min(left, room() / (high ? 2 : 1));
                if (take == 0) {
                    fail(QStringLiteral("character split"));
                    return bad;
                }
                off += take * (high ? 2 : 1);
                left -= take;
            }
            qsizetype rest = qsizetype(runs) * 4 + ext;
            while (rest > 0 && seg < segments.size()) {
                if (room() == 0) {
                    ++seg;
                    off = 0;
                    continue;
                }
                const qsizetype take = std::min(rest, room());
                off += take;
                rest -= take;
            }
            ++strings;
        }
        const std::uint32_t total = u32(s, recs[sst].pos + 4);
        const std::uint32_t unique = u32(s, recs[sst].pos + 8);
        if (unique != strings) fail(QStringLiteral("cstUnique %1 != %2").arg(unique).arg(strings));
        if (total != labelSst) fail(QStringLiteral("cstTotal %1 != %2").arg(total).arg(labelSst));
        std::vector<int> refs(strings, 0);
        for (const std::uint32_t u : used) {
            if (u >= strings) {
                fail(QStringLiteral("isst out of range"));
            } else {
                refs[u] = 1;
            }
        }
        if (std::count(refs.begin(), refs.end(), 0) != 0) fail(QStringLiteral("unused strings"));
        if (k >= recs.size() || recs[k].type != 0x00FF) {
            fail(QStringLiteral("no EXTSST after SST"));
        } else {
            const std::uint16_t dsst = u16(s, recs[k].pos + 4);
            if (dsst != std::max<std::uint32_t>(strings / 128 + 1, 8)) fail(QStringLiteral("dsst"));
            const qsizetype buckets = (recs[k].size - 2) / 8;
            if (buckets != static_cast<qsizetype>((strings + dsst - 1) / dsst)) {
                fail(QStringLiteral("EXTSST bucket count"));
            }
            for (qsizetype b = 0; b < buckets && b * dsst < static_cast<qsizetype>(starts.size());
                 ++b) {
                const qsizetype e = recs[k].pos + 6 + 8 * b;
                const auto& [pos, record] = starts[static_cast<std::size_t>(b * dsst)];
                if (u32(s, e) != pos || u16(s, e + 4) != pos - record) {
                    fail(QStringLiteral("EXTSST bucket %1").arg(b));
                }
            }
        }
    } else if (labelSst != 0) {
        fail(QStringLiteral("LABELSST without SST"));
    }
    // Sheets: INDEX and DBCELL.
    for (std::size_t i = globalsEnd + 1; i < recs.size(); ++i) {
        if (recs[i].type != 0x0809) continue;
        std::size_t end = i;
        int depth = 0;
        for (; end < recs.size(); ++end) {
            if (recs[end].type == 0x0809) ++depth;
            if (recs[end].type == 0x000A && --depth == 0) break;
        }
        std::vector<qsizetype> dbcells;
        qsizetype defColWidth = -1;
        const Rec* index = nullptr;
        for (std::size_t j = i; j < end; ++j) {
            const Rec& r = recs[j];
            if (r.type == 0x020B) index = &r;
            if (r.type == 0x0055) defColWidth = r.pos;
            if (r.type != 0x00D7) continue;
            dbcells.push_back(r.pos);
            const qsizetype firstRow = r.pos - u32(s, r.pos + 4);
            const auto rowIt = at.find(firstRow);
            if (rowIt == at.end() || recs[rowIt->second].type != 0x0208) {
                fail(QStringLiteral("DBCELL row offset"));
                continue;
            }
            std::vector<int> rows;
            std::size_t q = rowIt->second;
            while (q < j && recs[q].type == 0x0208) rows.push_back(u16(s, recs[q++].pos + 4));
            if (static_cast<qsizetype>(rows.size()) != (r.size - 4) / 2) {
                fail(QStringLiteral("DBCELL row count"));
                continue;
            }
            std::map<int, qsizetype> firstCell;
            for (std::size_t c = q; c < j; ++c) {
                if (!isCell(recs[c].type)) continue;
                const int row = u16(s, recs[c].pos + 4);
                if (!firstCell.count(row)) firstCell[row] = recs[c].pos;
            }
            qsizetype base = recs[rowIt->second].end();
            for (std::size_t k = 0; k < rows.size(); ++k) {
                const qsizetype p = base + u16(s, r.pos + 8 + 2 * static_cast<qsizetype>(k));
                if (firstCell.count(rows[k]) && firstCell[rows[k]] != p) {
                    fail(QStringLiteral("DBCELL cell offset of row %1").arg(rows[k]));
                }
                base = p;
            }
        }
        if (index) {
            if (static_cast<qsizetype>(u32(s, index->pos + 4 + 12)) != defColWidth) {
                fail(QStringLiteral("INDEX DEFCOLWIDTH"));
            }
            const qsizetype n2 = (index->size - 16) / 4;
            if (n2 != static_cast<qsizetype>(dbcells.size())) fail(QStringLiteral("INDEX blocks"));
            for (qsizetype b = 0; b < n2 && b < static_cast<qsizetype>(dbcells.size()); ++b) {
                if (u32(s, index->pos + 4 + 16 + 4 * b) != dbcells[static_cast<std::size_t>(b)]) {
                    fail(QStringLiteral("INDEX DBCELL %1").arg(b));
                }
            }
        }
        i = end;
    }
    return bad;
}

// What xlrd made of one file.
struct XlrdBook {
    bool ok = false;
    QString error;
    QString log;
    QStringList sheets;
    std::map<QString, std::map<std::pair<int, int>, QString>> cells;
    std::map<QString, int> merges;
};

// Runs /usr/bin/python3 with xlrd over the files, one process for all of them.
inline std::vector<XlrdBook> readWithXlrd(const QStringList& paths) {
    static const char* script = R"PY(
import io, json, sys
import xlrd
result = []
for path in sys.argv[1:]:
    log = io.StringIO()
    item = {"ok": False}
    try:
        book = xlrd.open_workbook(path, logfile=log, formatting_info=True)
        item["sheets"] = book.sheet_names()
        cells = {}
        merges = {}
        for sheet in book.sheets():
            found = []
            for r in range(sheet.nrows):
                for c in range(sheet.ncols):
                    cell = sheet.cell(r, c)
                    if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                        continue
                    value = cell.value
                    if cell.ctype == xlrd.XL_CELL_NUMBER:
                        value = repr(value)
                    found.append([r, c, str(value)])
            cells[sheet.name] = found
            merges[sheet.name] = len(sheet.merged_cells)
        item["cells"] = cells
        item["merges"] = merges
        item["ok"] = True
    except Exception as e:
        item["error"] = repr(e)
    item["log"] = log.getvalue()
    result.append(item)
print(json.dumps(result))
)PY";
    std::vector<XlrdBook> books;
    QProcess python;
    QStringList args{QStringLiteral("-c"), QString::fromUtf8(script)};
    args << paths;
    python.start(QStringLiteral("/usr/bin/python3"), args);
    if (!python.waitForFinished(120000)) {
        ADD_FAILURE() << "xlrd did not finish";
        return books;
    }
    const QByteArray out = python.readAllStandardOutput();
    const QJsonArray list = QJsonDocument::fromJson(out).array();
    if (list.size() != paths.size()) {
        ADD_FAILURE() << "xlrd output: " << out.left(2000).toStdString()
                      << python.readAllStandardError().toStdString();
        return books;
    }
    for (const QJsonValue& v : list) {
        const QJsonObject o = v.toObject();
        XlrdBook b;
        b.ok = o.value(QStringLiteral("ok")).toBool();
        b.error = o.value(QStringLiteral("error")).toString();
        b.log = o.value(QStringLiteral("log")).toString();
        for (const QJsonValue& name : o.value(QStringLiteral("sheets")).toArray()) {
            b.sheets << name.toString();
        }
        const QJsonObject cells = o.value(QStringLiteral("cells")).toObject();
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            auto& map = b.cells[it.key()];
            for (const QJsonValue& c : it.value().toArray()) {
                const QJsonArray cell = c.toArray();
                map[{cell.at(0).toInt(), cell.at(1).toInt()}] = cell.at(2).toString();
            }
        }
        const QJsonObject merges = o.value(QStringLiteral("merges")).toObject();
        for (auto it = merges.begin(); it != merges.end(); ++it)
            b.merges[it.key()] = it.value().toInt();
        books.push_back(b);
    }
    return books;
}

inline XlrdBook readWithXlrd(const QString& path) {
    std::vector<XlrdBook> books = readWithXlrd(QStringList{path});
    return books.empty() ? XlrdBook{} : books.front();
}

}  // namespace xlstest
