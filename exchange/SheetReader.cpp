#include "SheetReader.h"

#include <QFile>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "FreexlReader.h"
#include "SpreadsheetError.h"
#include "XlsxReader.h"

namespace {

const QByteArray kZipSignature("PK\x03\x04", 4);
const QByteArray kCompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

bool isNumber(const QString& text) {
    bool ok = false;
    QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

bool isHeadingRow(const SheetReader::RowCells& row) {
    return std::any_of(row.begin(), row.end(),
                       [](const SheetReader::Cell& cell) { return !isNumber(cell.text); });
}

QStringList fieldNames(const SheetReader::RowCells* heading, int first, int width) {
    QStringList names;
    QSet<QString> seen;
    QStringList texts(width);
    if (heading) {
        for (const SheetReader::Cell& cell : *heading) texts[cell.column - first] = cell.text;
    }
    for (int i = 0; i < width; ++i) {
        const QString number = QString::number(i + 1);
        QString name = texts.at(i).trimmed();
        if (name.isEmpty()) name = QStringLiteral("F") + number;
        while (seen.contains(name.toCaseFolded())) name += u'_' + number;
        seen.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value in general format from its shortest round-trip digits, or nothing when those are
// more than 15. With 15 digits or fewer, rounding the value to 15 significant digits gives the
// same digits back (they lie on the 15-digit grid, nearer than half a step of it), so this is
// the general format's result at a fraction of the cost of its exact rounding.
std::optional<QString> shortNumberText(double value) {
    char buffer[40];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (error != std::errc()) return std::nullopt;
    std::string_view text(buffer, std::size_t(end - buffer));
    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    const std::size_t e = text.find('e');
    if (e == std::string_view::npos || e + 2 > text.size()) return std::nullopt;
    char digits[24];
    int count = 0;
    for (const char c : text.substr(0, e)) {
        if (c == '.') continue;
        if (count == 15) return std::nullopt;
        digits[count++] = c;
    }
    std::string_view power = text.substr(e + 1);
    const bool negativePower = power.front() == '-';
    power.remove_prefix(1);
    int exponent = 0;
    if (std::from_chars(power.data(), power.data() + power.size(), exponent).ec != std::errc())
        return std::nullopt;
    if (negativePower) exponent = -exponent;

    QString out;
    out.reserve(count + 8);
    if (negative) out += u'-';
    const auto addDigits = [&](int from, int to) {
        for (int i = from; i < to; ++i) out += QLatin1Char(digits[i]);
    };
    if (exponent < -4 || exponent >= 15) {
        addDigits(0, 1);
        if (count > 1) {
            out += u'.';
            addDigits(1, count);
        }
        out += exponent < 0 ? QLatin1String("e-") : QLatin1String("e+");
        const int magnitude = std::abs(exponent);
        if (magnitude < 10) out += u'0';
        out += QString::number(magnitude);
    } else if (exponent < 0) {
        out += QLatin1String("0.");
        out += QString(-exponent - 1, u'0');
        addDigits(0, count);
    } else if (count <= exponent + 1) {
        addDigits(0, count);
        out += QString(exponent + 1 - count, u'0');
    } else {
        addDigits(0, exponent + 1);
        out += u'.';
        addDigits(exponent + 1, count);
    }
    return out;
}

}  // namespace

std::unique_ptr<SheetReader> SheetReader::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw SpreadsheetError(
            QStringLiteral("不能打开文件“%1”：%2").arg(path, file.errorString()));
    }
    const QByteArray start = file.read(8);
    file.close();
    if (start.startsWith(kZipSignature)) return std::make_unique<XlsxReader>(path);
    if (start == kCompoundFileSignature) return std::make_unique<FreexlReader>(path);
    throw SpreadsheetError(QStringLiteral("文件“%1”不是Excel文件。").arg(path));
}

void SheetReader::requireSheet(int index) const {
    if (index < 0 || index >= sheetNames().size()) {
        throw SpreadsheetError(QStringLiteral("文件中没有第%1个工作表。").arg(index + 1));
    }
}

QString SheetReader::numberText(double value) {
    if (value == 0) return QStringLiteral("0");
    // Subnormal values have too few bits for that reasoning.
    if (std::isnormal(value)) {
        if (std::optional<QString> text = shortNumberText(value)) return std::move(*text);
    }
    return QString::number(value, 'g', 15);
}

std::optional<double> SheetReader::plainNumber(std::string_view text) {
    std::size_t i = text.starts_with('-') ? 1 : 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && isDigit(text[i])) ++i;
        return i > from;
    };
    if (!digits()) return std::nullopt;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits()) return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return std::nullopt;
    }
    if (i != text.size()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<QString> SheetReader::sameNumberText(std::string_view text) {
    std::size_t i = text.starts_with('-') ? 1 : 0;
    const std::size_t integerStart = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    const std::size_t integerDigits = i - integerStart;
    if (integerDigits == 0) return std::nullopt;
    const bool zeroInteger = text[integerStart] == '0';
    if (zeroInteger && integerDigits > 1) return std::nullopt;  // "007"
    std::size_t significant = zeroInteger ? 0 : integerDigits;
    if (i == text.size()) {
        // "0" and "-0" are both written "0".
        if (zeroInteger) return std::nullopt;
    } else {
        if (text[i] != '.') return std::nullopt;
        const std::size_t fractionStart = ++i;
        while (i < text.size() && isDigit(text[i])) ++i;
        if (i != text.size() || i == fractionStart || text.back() == '0') return std::nullopt;
        std::size_t fraction = fractionStart;
        if (zeroInteger) {
            while (text[fraction] == '0') ++fraction;
            // Below 0.0001 the general format takes an exponent.
            if (fraction - fractionStart > 3) return std::nullopt;
        }
        significant += i - fraction;
    }
    if (significant > 15) return std::nullopt;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

SheetTable SheetReader::makeTable(const QString& name, const std::vector<RowCells>& rows) {
    std::vector<const RowCells*> used;
    int first = std::numeric_limits<int>::max();
    int last = -1;
    for (const RowCells& row : rows) {
        bool any = false;
        for (const Cell& cell : row) {
            if (cell.text.isEmpty()) continue;
            any = true;
            first = std::min(first, cell.column);
            last = std::max(last, cell.column);
        }
        if (any) used.push_back(&row);
    }
    if (used.empty()) throw SpreadsheetError(QStringLiteral("工作表“%1”中没有数据。").arg(name));
    const int width = last - first + 1;
    if (qint64(width) * qint64(used.size()) > MaxCells) {
        throw SpreadsheetError(QStringLiteral("工作表“%1”太大（%2行×%3列），不能读取。")
                                   .arg(name)
                                   .arg(used.size())
                                   .arg(width));
    }
    const bool heading = isHeadingRow(*used.front());
    SheetTable table;
    table.name = name;
    table.columns = fieldNames(heading ? used.front() : nullptr, first, width);
    table.rows.reserve(used.size());
    for (std::size_t i = heading ? 1 : 0; i < used.size(); ++i) {
        QStringList texts(width);
        for (const Cell& cell : *used[i]) {
            if (!cell.text.isEmpty()) texts[cell.column - first] = cell.text;
        }
        table.rows.push_back(std::move(texts));
    }
    return table;
}
