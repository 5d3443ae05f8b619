#include "XlsRewriter.h"

#include <QSaveFile>
#include <algorithm>
#include <limits>

#include "FileError.h"
#include "XlsBiff.h"
#include "XlsError.h"
#include "XlsWorkbook.h"

using namespace xls;

namespace {

constexpr qsizetype kMaxCellText = 32767;
constexpr qsizetype kMinStream = 4096;  // keeps the workbook stream out of the mini stream

[[noreturn]] void damaged(const QString& why) {
    throw XlsError(QStringLiteral("Excel 文件已损坏：%1").arg(why));
}

template <typename T>
T clampTo(qint64 v) {
    return static_cast<T>(std::clamp<qint64>(v, 0, std::numeric_limits<T>::max()));
}

}  // namespace

XlsRewriter::XlsRewriter(const QByteArray& templateBytes, const QString& sheet, int firstRow)
    : original_(templateBytes) {
    auto wb = std::make_shared<Workbook>(parseWorkbook(templateBytes));
    const Workbook& book = *wb;

    int target = -1;
    for (std::size_t i = 0; i < book.sheets.size() && target < 0; ++i) {
        if (book.sheets[i].name == sheet) target = static_cast<int>(i);
    }
    for (std::size_t i = 0; i < book.sheets.size() && target < 0; ++i) {
        if (book.sheets[i].name.compare(sheet, Qt::CaseInsensitive) == 0)
            target = static_cast<int>(i);
    }
    if (target < 0) throw XlsError(QStringLiteral("工作簿中没有工作表“%1”").arg(sheet));
    const int targetSub = book.sheets[static_cast<std::size_t>(target)].substream;
    if (targetSub < 0) {
        damaged(QStringLiteral("工作表“%1”的数据缺失").arg(sheet));
    }
    const Substream& sub = book.substreams[static_cast<std::size_t>(targetSub)];

    candidateOf_.assign(book.records.size(), -1);
    int depth = 0;
    for (int i = sub.bof + 1; i < sub.eof; ++i) {
        const Record& r = book.record(i);
        if (r.type == Bof) ++depth;
        if (r.type == Eof) --depth;
        if (depth != 0 || (r.type != LabelSst && r.type != Label && r.type != RString)) continue;
        ByteReader in(book.data(i), r.size);
        const int row = in.u16();
        in.u16();
        in.u16();
        if (row < firstRow) continue;
        Candidate c{i, -1, {}};
        if (r.type == LabelSst) {
            c.isst = in.u32();
            if (c.isst >= static_cast<std::int64_t>(book.strings.size())) {
                damaged(QStringLiteral("共享字符串编号越界"));
            }
            c.text = book.strings[static_cast<std::size_t>(c.isst)].text;
        } else {
            c.text = readString(in, false);
        }
        candidateOf_[static_cast<std::size_t>(i)] = static_cast<int>(candidates_.size());
        candidates_.push_back(std::move(c));
    }

    // Every LABELSST outside the globals refers to the strings table and is renumbered.
    refs_.assign(book.strings.size(), 0);
    for (std::size_t s = 1; s < book.substreams.size(); ++s) {
        for (int i = book.substreams[s].bof; i <= book.substreams[s].eof; ++i) {
            const Record& r = book.record(i);
            if (r.type != LabelSst) continue;
            if (r.size < 10) damaged(QStringLiteral("LABELSST 记录过短"));
            ++labelSstCount_;
            const std::uint32_t isst = get32(book.data(i) + 6);
            if (isst >= book.strings.size()) damaged(QStringLiteral("共享字符串编号越界"));
            if (candidateOf_[static_cast<std::size_t>(i)] < 0) ++refs_[isst];
        }
    }
    for (std::size_t k = 0; k < book.strings.size(); ++k) {
        const SstString& s = book.strings[k];
        if (s.runs.isEmpty() && s.ext.isEmpty() && !plain_.contains(s.text)) {
            plain_.insert(s.text, static_cast<std::uint32_t>(k));
        }
    }
    wb_ = std::move(wb);
}

XlsRewriter XlsRewriter::load(const QString& path, const QString& sheet, int firstRow) {
    const QByteArray bytes = XlsReadFile(path);
    try {
        return XlsRewriter(bytes, sheet, firstRow);
    } catch (const XlsError& e) {
        throw XlsError(QStringLiteral("“%1”：%2").arg(path, e.message()));
    }
}

std::vector<QString> XlsRewriter::candidateTexts() const {
    std::vector<QString> texts;
    texts.reserve(candidates_.size());
    for (const Candidate& c : candidates_) texts.push_back(c.text);
    return texts;
}

QByteArray XlsRewriter::rewrite(const CellTransform& transform) const {
    const Workbook& wb = *wb_;

    // The new text of each candidate; the same text means unchanged.
    std::vector<QString> newText(candidates_.size());
    std::vector<char> changed(candidates_.size(), 0);
    bool any = false;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        QString t = transform(candidates_[k].text);
        if (t.size() > kMaxCellText) t.truncate(kMaxCellText);
        if (t != candidates_[k].text) {
            newText[k] = std::move(t);
            changed[k] = 1;
            any = true;
        }
    }
    if (!any) return original_;

    // The strings that stay in use, in their old order, then the new ones.
    std::vector<std::uint32_t> refs = refs_;
    std::vector<std::int64_t> target(candidates_.size(), -1);  // old index, or -(new + 2)
    std::vector<SstString> added;
    QHash<QString, std::int64_t> addedIndex;
    std::uint32_t converted = 0;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        const Candidate& c = candidates_[k];
        if (!changed[k]) {
            if (c.isst >= 0) ++refs[static_cast<std::size_t>(c.isst)];
            continue;
        }
        if (c.isst < 0) ++converted;
        const auto old = plain_.constFind(newText[k]);
        if (old != plain_.constEnd()) {
            target[k] = old.value();
            ++refs[old.value()];
            continue;
        }
        auto it = addedIndex.find(newText[k]);
        if (it == addedIndex.end()) {
            it = addedIndex.insert(newText[k], static_cast<std::int64_t>(added.size()));
            added.push_back(SstString{newText[k], {}, {}});
        }
        target[k] = -(it.value() + 2);
    }
    std::vector<std::uint32_t> remap(wb.strings.size(), 0);
    std::vector<const SstString*> table;
    table.reserve(wb.strings.size() + added.size());
    for (std::size_t s = 0; s < wb.strings.size(); ++s) {
        if (refs[s] == 0) continue;
        remap[s] = static_cast<std::uint32_t>(table.size());
        table.push_back(&wb.strings[s]);
    }
    const auto keptCount = static_cast<std::uint32_t>(table.size());
    for (const SstString& s : added) table.push_back(&s);
    const auto newIndex = [&](std::int64_t t) {
        return t >= 0 ? remap[static_cast<std::size_t>(t)]
                      : keptCount + static_cast<std::uint32_t>(-t - 2);
    };
    const std::uint32_t total = labelSstCount_ + converted;
    const bool needSst = wb.sst >= 0 || !table.empty();

    // The new stream, record by record, noting where each old record went.
    const Substream& globals = wb.substreams[0];
    QByteArray out;
    out.reserve(wb.stream.size() + 1024 + static_cast<qsizetype>(added.size()) * 32);
    std::vector<qsizetype> newPos(wb.records.size() + 1, 0);
    const int count = static_cast<int>(wb.records.size());
    // Records copied as they are go out in runs: most of a sheet stays unchanged.
    qsizetype runStart = 0;
    qsizetype runEnd = 0;
    const auto flushRun = [&] {
        out.append(wb.stream.constData() + runStart, runEnd - runStart);
        runStart = runEnd = 0;
    };
    for (int i = 0; i < count; ++i) {
        const Record& r = wb.record(i);
        const char* data = wb.data(i);
        const int c = candidateOf_[static_cast<std::size_t>(i)];
        const bool asItIs = i != wb.sst && i != wb.extSst &&
                            !(wb.sst < 0 && needSst && i == globals.eof) &&
                            !(r.type == LabelSst && i > globals.eof) &&
                            !(c >= 0 && changed[static_cast<std::size_t>(c)]);
        if (asItIs) {
            if (r.pos != runEnd) {
                flushRun();
                runStart = runEnd = r.pos;
            }
            newPos[static_cast<std::size_t>(i)] = out.size() + (runEnd - runStart);
            runEnd = r.pos + 4 + r.size;
            continue;
        }
        flushRun();
        if (i == wb.sst) {
            newPos[static_cast<std::size_t>(i)] = out.size();
            appendSst(out, table, total);
            for (int j = i + 1; j < wb.sstEnd; ++j)
                newPos[static_cast<std::size_t>(j)] = out.size();
            i = wb.sstEnd - 1;
            continue;
        }
        if (i == wb.extSst) {
            newPos[static_cast<std::size_t>(i)] = out.size();
            continue;
        }
        if (wb.sst < 0 && needSst && i == globals.eof) appendSst(out, table, total);
        newPos[static_cast<std::size_t>(i)] = out.size();
        if (r.type == LabelSst && i > globals.eof) {
            const qsizetype at = out.size();
            out.append(wb.stream.constData() + r.pos, 4 + r.size);
            const std::uint32_t isst = c >= 0 && changed[static_cast<std::size_t>(c)]
                                           ? newIndex(target[static_cast<std::size_t>(c)])
                                           : remap[get32(data + 6)];
            put32(out.data() + at + 4 + 6, isst);
        } else if (c >= 0 && changed[static_cast<std::size_t>(c)]) {
            QByteArray cell(data, 6);  // rw, col, ixfe
            append32(cell, newIndex(target[static_cast<std::size_t>(c)]));
            appendRecord(out, LabelSst, cell);
        } else {
            out.append(wb.stream.constData() + r.pos, 4 + r.size);  // the EOF after a new table
        }
    }
    flushRun();
    newPos[static_cast<std::size_t>(count)] = out.size();
    const qsizetype oldEnd = count ? wb.record(count - 1).end() : 0;

    // Old stream position -> new one: the same place in the record that held it.
    std::vector<qsizetype> oldStarts(wb.records.size());
    for (int i = 0; i < count; ++i) oldStarts[static_cast<std::size_t>(i)] = wb.record(i).pos;
    const auto mapPos = [&](qint64 old) -> qint64 {
        if (old < 0) return old;
        if (old >= oldEnd) return out.size() + (old - oldEnd);
        const auto it = std::upper_bound(oldStarts.begin(), oldStarts.end(), old);
        const auto idx = static_cast<std::size_t>(it - oldStarts.begin()) - 1;
        const qint64 offset = old - oldStarts[idx];
        const qint64 length = newPos[idx + 1] - newPos[idx];
        return newPos[idx] + std::min(offset, length);
    };

    for (int i = 0; i < count; ++i) {
        const Record& r = wb.record(i);
        char* p = out.data() + newPos[static_cast<std::size_t>(i)] + 4;
        if (r.type == BoundSheet && i > globals.bof && i < globals.eof && r.size >= 4) {
            put32(p, clampTo<std::uint32_t>(mapPos(get32(p))));
        } else if (r.type == Index && i > globals.eof && r.size >= 16) {
            for (qsizetype f = 12; f + 4 <= r.size; f += 4) {
                put32(p + f, clampTo<std::uint32_t>(mapPos(get32(p + f))));
            }
        } else if (r.type == DbCell && i > globals.eof && r.size >= 4) {
            const qint64 oldDb = r.pos;
            const qint64 firstRow = oldDb - get32(p);
            put32(p,
                  clampTo<std::uint32_t>(newPos[static_cast<std::size_t>(i)] - mapPos(firstRow)));
            // The first offset counts from the end of the block's first ROW record.
            qint64 base = firstRow + 20;
            const auto rowIt = std::lower_bound(oldStarts.begin(), oldStarts.end(), firstRow);
            if (rowIt != oldStarts.end() && *rowIt == firstRow) {
                base = wb.record(static_cast<int>(rowIt - oldStarts.begin())).end();
            }
            for (qsizetype f = 4; f + 2 <= r.size; f += 2) {
                const qint64 old = base + get16(p + f);
                put16(p + f, clampTo<std::uint16_t>(mapPos(old) - mapPos(base)));
                base = old;
            }
        }
    }
    if (out.size() < kMinStream) out.append(QByteArray(kMinStream - out.size(), '\0'));

    XlsCompoundFile file = wb.file;
    file.entries[static_cast<std::size_t>(wb.streamEntry)].data = out;
    return file.serialize();
}

void XlsRewriter::rewriteToFile(const QString& path, const CellTransform& transform) const {
    const QByteArray bytes = rewrite(transform);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        throw FileError(QStringLiteral("无法写入文件“%1”：%2").arg(path, file.errorString()));
    }
}
