#include "XlsWorkbook.h"

#include <QFile>
#include <algorithm>

#include "XlsBiff.h"
#include "XlsError.h"

using namespace xls;

namespace {

QString errorText(std::uint8_t code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#N/A");
    }
}

QString boolText(std::uint8_t value) {
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

}  // namespace

QString XlsSheetText::text(int row, int column) const {
    const auto it = cells.find({row, column});
    return it == cells.end() ? QString() : it->second;
}

int XlsSheetText::rowCount() const {
    return cells.empty() ? 0 : cells.rbegin()->first.first + 1;
}

int XlsSheetText::columnCount() const {
    int columns = 0;
    for (const auto& [key, value] : cells) columns = std::max(columns, key.second + 1);
    return columns;
}

QList<QStringList> XlsSheetText::grid() const {
    const int columns = columnCount();
    QList<QStringList> rows(rowCount());
    for (QStringList& row : rows) {
        for (int c = 0; c < columns; ++c) row << QString();
    }
    for (const auto& [key, value] : cells) rows[key.first][key.second] = value;
    return rows;
}

QByteArray XlsReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw XlsError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw XlsError(QStringLiteral("无法读取文件“%1”：%2").arg(path, file.errorString()));
    }
    return bytes;
}

XlsWorkbook XlsWorkbook::load(const QString& path) {
    const QByteArray bytes = XlsReadFile(path);
    try {
        return fromBytes(bytes);
    } catch (const XlsError& e) {
        throw XlsError(QStringLiteral("“%1”：%2").arg(path, e.message()));
    }
}

XlsWorkbook XlsWorkbook::fromBytes(const QByteArray& fileBytes) {
    XlsWorkbook book;
    book.book_ = std::make_shared<const Workbook>(parseWorkbook(fileBytes));
    return book;
}

QStringList XlsWorkbook::sheetNames() const {
    QStringList names;
    for (const SheetEntry& s : book_->sheets) names << s.name;
    return names;
}

int XlsWorkbook::sheetIndex(const QString& name) const {
    const std::vector<SheetEntry>& sheets = book_->sheets;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].name == name) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    }
    return -1;
}

QString XlsWorkbook::streamName() const {
    return book_->file.entries[static_cast<std::size_t>(book_->streamEntry)].name;
}

XlsSheetText XlsWorkbook::sheet(const QString& name) const {
    const int index = sheetIndex(name);
    if (index < 0) throw XlsError(QStringLiteral("工作簿中没有工作表“%1”").arg(name));
    return sheet(index);
}

XlsSheetText XlsWorkbook::sheet(int index) const {
    const Workbook& wb = *book_;
    if (index < 0 || index >= static_cast<int>(wb.sheets.size())) {
        throw XlsError(QStringLiteral("工作簿中没有第 %1 个工作表").arg(index + 1));
    }
    const SheetEntry& entry = wb.sheets[static_cast<std::size_t>(index)];
    XlsSheetText result;
    result.name = entry.name;
    if (entry.substream < 0) {
        throw XlsError(QStringLiteral("Excel 文件已损坏：工作表“%1”的数据缺失").arg(entry.name));
    }
    const Substream& sub = wb.substreams[static_cast<std::size_t>(entry.substream)];
    const auto set = [&](int row, int col, const QString& text) {
        result.cells[{row, col}] = text;
    };

    int depth = 0;
    // A FORMULA whose result is a string: the STRING record after it holds the text.
    int pendingRow = -1;
    int pendingCol = -1;
    for (int i = sub.bof + 1; i < sub.eof; ++i) {
        const Record& r = wb.record(i);
        if (r.type == Bof) {
            ++depth;
            continue;
        }
        if (r.type == Eof) {
            --depth;
            continue;
        }
        if (depth != 0) continue;  // an embedded chart
        ByteReader in(wb.data(i), r.size);
        switch (r.type) {
            case LabelSst: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                const std::uint32_t isst = in.u32();
                if (isst >= wb.strings.size()) {
                    throw XlsError(QStringLiteral("Excel 文件已损坏：共享字符串编号越界"));
                }
                set(row, col, wb.strings[isst].text);
                break;
            }
            case Label:
            case RString: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                set(row, col, readString(in, false));
                break;
            }
            case Number: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                set(row, col, numberText(in.f64()));
                break;
            }
            case Rk: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                set(row, col, numberText(rkValue(in.u32())));
                break;
            }
            case MulRk: {
                const int row = in.u16();
                const int first = in.u16();
                const qsizetype count = (r.size - 6) / 6;
                for (qsizetype k = 0; k < count; ++k) {
                    in.u16();
                    set(row, first + static_cast<int>(k), numberText(rkValue(in.u32())));
                }
                break;
            }
            case BoolErr: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                const std::uint8_t value = in.u8();
                const std::uint8_t isError = in.u8();
                set(row, col, isError ? errorText(value) : boolText(value));
                break;
            }
            case Formula: {
                const int row = in.u16();
                const int col = in.u16();
                in.u16();
                const QByteArray value = in.bytes(8);
                pendingRow = -1;
                if (static_cast<unsigned char>(value[6]) == 0xFF &&
                    static_cast<unsigned char>(value[7]) == 0xFF) {
                    switch (value[0]) {
                        case 0:
                            pendingRow = row;
                            pendingCol = col;
                            break;
                        case 1:
                            set(row, col, boolText(static_cast<std::uint8_t>(value[2])));
                            break;
                        case 2:
                            set(row, col, errorText(static_cast<std::uint8_t>(value[2])));
                            break;
                        default:
                            set(row, col, QString());
                            break;
                    }
                } else {
                    ByteReader number(value.constData(), 8);
                    set(row, col, numberText(number.f64()));
                }
                break;
            }
            case String: {
                if (pendingRow < 0) break;
                ByteReader text(wb.data(i), r.size);
                for (int k = i + 1; k < sub.eof && wb.record(k).type == Continue; ++k) {
                    text.addSegment(wb.data(k), wb.record(k).size);
                }
                set(pendingRow, pendingCol, readString(text, false));
                pendingRow = -1;
                break;
            }
            default:
                break;
        }
    }
    return result;
}

QString XlsNumberText(double value) {
    return numberText(value);
}
