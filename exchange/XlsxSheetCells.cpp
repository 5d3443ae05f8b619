#include "XlsxSheetCells.h"

#include <expat.h>

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "SpreadsheetError.h"

namespace {

// The part of an element name after its prefix ("x:c" gives "c"). Only local names matter
// here, so the parser resolves no namespaces.
std::string_view localName(std::string_view full) {
    const std::size_t colon = full.rfind(':');
    return colon == std::string_view::npos ? full : full.substr(colon + 1);
}

const char* attribute(const XML_Char** attributes, std::string_view name) {
    for (int i = 0; attributes[i]; i += 2) {
        if (std::string_view(attributes[i]) == name) return attributes[i + 1];
    }
    return nullptr;
}

// Column number (0 for "A") of a cell reference such as "AB12"; -1 when it has no letters.
int columnOf(std::string_view reference) {
    int column = 0;
    int letters = 0;
    for (const char c : reference) {
        if (c >= 'A' && c <= 'Z') {
            column = column * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            column = column * 26 + (c - 'a' + 1);
        } else {
            break;
        }
        if (++letters > 3) return -1;
    }
    return letters == 0 ? -1 : column - 1;
}

// One expat parser over a worksheet part, or over a half of one given as pieces.
class SheetParser {
  public:
    SheetParser(const QString& sheetName, const QStringList& sharedStrings)
        : sheetName_(sheetName), sharedStrings_(sharedStrings) {}

    // The rows of the pieces read one after the other as one text; throws SpreadsheetError.
    XlsxSheetCells::Rows read(std::initializer_list<std::string_view> pieces) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        if (!parser) throw fail(QStringLiteral("内存不足"));
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &SheetParser::started, &SheetParser::ended);
        XML_SetCharacterDataHandler(parser, &SheetParser::characters);
        parser_ = parser;
        XML_Status status = XML_STATUS_OK;
        std::size_t left = pieces.size();
        for (const std::string_view piece : pieces) {
            status = XML_Parse(parser, piece.data(), int(piece.size()), --left == 0);
            if (status != XML_STATUS_OK) break;
        }
        QString detail;
        if (status != XML_STATUS_OK && !error_) {
            detail = QStringLiteral("%1，第%2行")
                         .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser))))
                         .arg(XML_GetCurrentLineNumber(parser));
        }
        XML_ParserFree(parser);
        parser_ = nullptr;
        if (error_) throw fail(*error_);
        if (!detail.isEmpty()) throw fail(detail);
        return std::move(rows_);
    }

    // Whether the first row read gave its number: a half read from the middle of a part only
    // numbers its rows as the whole part would when it does.
    bool firstRowNumbered() const { return firstRowNumbered_; }

  private:
    SpreadsheetError fail(const QString& detail) const {
        return SpreadsheetError(
            QStringLiteral("工作表“%1”的内容已损坏（%2）。").arg(sheetName_, detail));
    }
    // Stops the parser from a handler: no exception may pass through the C library.
    void stop(const QString& detail) {
        if (!error_) error_ = detail;
        XML_StopParser(parser_, XML_FALSE);
    }

    static void started(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<SheetParser*>(self)->start(localName(name), attributes);
    }
    static void ended(void* self, const XML_Char* name) {
        static_cast<SheetParser*>(self)->end(localName(name));
    }
    static void characters(void* self, const XML_Char* text, int length) {
        static_cast<SheetParser*>(self)->addText(std::string_view(text, std::size_t(length)));
    }

    void start(std::string_view name, const XML_Char** attributes) {
        ++depth_;
        if (textDepth_ >= 0) {
            stop(QStringLiteral("值中不应有元素 ") + QString::fromUtf8(name.data(), name.size()));
            return;
        }
        if (cellDepth_ >= 0) {
            startInCell(name);
        } else if (rowDepth_ >= 0) {
            if (depth_ == rowDepth_ + 1 && name == "c") startCell(attributes);
        } else if (name == "row") {
            startRow(attributes);
        }
    }

    void startRow(const XML_Char** attributes) {
        rowDepth_ = depth_;
        bool ok = false;
        const char* r = attribute(attributes, "r");
        const qint64 given =
            r ? QByteArray::fromRawData(r, qsizetype(std::strlen(r))).toLongLong(&ok) : 0;
        if (!sawRow_) firstRowNumbered_ = ok;
        sawRow_ = true;
        rowNumber_ = ok ? given : rowNumber_ + 1;
        cells_.clear();
        nextColumn_ = 0;
    }

    void startCell(const XML_Char** attributes) {
        const char* reference = attribute(attributes, "r");
        const int column =
            !reference || !*reference ? nextColumn_ : columnOf(std::string_view(reference));
        if (column < 0 || column > 16383) {
            stop(QString::fromUtf8(reference));
            return;
        }
        const char* type = attribute(attributes, "t");
        cellDepth_ = depth_;
        column_ = column;
        type_ = type ? type : "";
        raw_.clear();
        inlineText_.clear();
    }

    void startInCell(std::string_view name) {
        if (itemDepth_ >= 0) {
            // Inside an inline string: its runs' texts, phonetic guides left out.
            if (name == "rPh") {
                ++phonetic_;
            } else if (name == "t" && phonetic_ == 0) {
                textDepth_ = depth_;
                text_ = &item_;
            }
            return;
        }
        if (depth_ != cellDepth_ + 1) return;
        if (name == "v") {
            raw_.clear();
            textDepth_ = depth_;
            text_ = &raw_;
        } else if (name == "is") {
            itemDepth_ = depth_;
            item_.clear();
            phonetic_ = 0;
        }
    }

    void addText(std::string_view text) {
        if (textDepth_ == depth_) text_->append(text);
    }

    void end(std::string_view name) {
        if (textDepth_ == depth_) textDepth_ = -1;
        if (itemDepth_ >= 0) {
            if (name == "rPh") --phonetic_;
            if (depth_ == itemDepth_) {
                itemDepth_ = -1;
                inlineText_ = XlsxSheetCells::decodeEscapes(
                    QString::fromUtf8(item_.data(), qsizetype(item_.size())));
            }
        }
        if (depth_ == cellDepth_) endCell();
        if (depth_ == rowDepth_) {
            if (!cells_.empty()) rows_.emplace_back(rowNumber_, std::move(cells_));
            cells_ = {};
            rowDepth_ = -1;
        }
        --depth_;
    }

    QString rawText() const { return QString::fromUtf8(raw_.data(), qsizetype(raw_.size())); }

    void endCell() {
        cellDepth_ = -1;
        QString text;
        if (type_ == "s") {
            bool ok = false;
            const int item =
                QByteArray::fromRawData(raw_.data(), qsizetype(raw_.size())).toInt(&ok);
            if (!ok || item < 0 || item >= sharedStrings_.size()) {
                stop(QStringLiteral("共享字符串 ") + rawText());
                return;
            }
            text = sharedStrings_.at(item);
        } else if (type_ == "inlineStr") {
            text = inlineText_;
        } else if (type_ == "str") {
            text = XlsxSheetCells::decodeEscapes(rawText());
        } else if (type_ == "b") {
            text = raw_.empty() ? QString()
                                : (raw_ == "0" ? QStringLiteral("FALSE") : QStringLiteral("TRUE"));
        } else if (type_ == "e" || type_ == "d") {
            text = rawText();
        } else if (std::optional<QString> same = SheetReader::sameNumberText(raw_)) {
            text = std::move(*same);
        } else if (const std::optional<double> number = SheetReader::plainNumber(raw_)) {
            text = SheetReader::numberText(*number);
        } else {
            bool ok = false;
            const QString raw = rawText();
            const double value = raw.toDouble(&ok);
            text = ok ? SheetReader::numberText(value) : raw;
        }
        if (!text.isEmpty()) cells_.push_back({column_, std::move(text)});
        nextColumn_ = column_ + 1;
    }

    const QString& sheetName_;
    const QStringList& sharedStrings_;
    XML_Parser parser_ = nullptr;
    std::optional<QString> error_;
    XlsxSheetCells::Rows rows_;
    int depth_ = 0;
    int rowDepth_ = -1;
    int cellDepth_ = -1;
    int itemDepth_ = -1;
    int textDepth_ = -1;
    int phonetic_ = 0;
    qint64 rowNumber_ = 0;
    bool sawRow_ = false;
    bool firstRowNumbered_ = true;
    int nextColumn_ = 0;
    SheetReader::RowCells cells_;
    int column_ = 0;
    std::string type_;
    std::string raw_;
    std::string item_;
    std::string* text_ = nullptr;
    QString inlineText_;
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The name of the last end tag of a sheetData element ("x:sheetData" for "</x:sheetData >") and
// where it starts. Each place the name occurs is looked at only near it, so that a crafted part
// cannot make this search slow.
std::optional<std::pair<std::string_view, std::size_t>> sheetDataEnd(std::string_view part) {
    constexpr std::string_view local = "sheetData";
    constexpr std::size_t longestPrefix = 64;
    for (std::size_t at = part.rfind(local); at != std::string_view::npos && at > 0;
         at = part.rfind(local, at - 1)) {
        std::size_t after = at + local.size();
        while (after < part.size() && isSpace(part[after])) ++after;
        if (after >= part.size() || part[after] != '>') continue;
        std::size_t open = at;
        while (open > 0 && at - open < longestPrefix && part[open - 1] != '<' &&
               part[open - 1] != '/' && part[open - 1] != '>' && !isSpace(part[open - 1])) {
            --open;
        }
        if (open < 2 || part[open - 1] != '/' || part[open - 2] != '<') continue;
        const std::string_view name = part.substr(open, at + local.size() - open);
        if (name.size() > local.size() && name[name.size() - local.size() - 1] != ':') continue;
        return std::pair{name, open - 2};
    }
    return std::nullopt;
}

// A part cut before rows into pieces that parsers can read at the same time. The first piece
// is read followed by `closing`, which ends the worksheet and its sheetData just there; the last
// after `declaration` and `opening` (the worksheet and sheetData start tags); the others with
// both.
struct Cuts {
    std::string_view declaration;
    std::string opening;
    std::string closing;
    std::vector<std::string_view> pieces;
};

// Cuts at the starts of rows spread over a worksheet: a root "worksheet" and, before the last
// end tag of a "sheetData", its rows. A part with a document type declaration is never cut:
// its entities and default attributes are known only to a parser that read it. The cuts are
// found by text alone; whether each lies between rows of that sheetData is shown by the parser
// of the piece before it reading its closing tags without error.
std::optional<Cuts> cutsOf(std::string_view part, std::size_t count) {
    std::size_t at = part.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    if (part.substr(at, 5) == "<?xml") {
        const std::size_t end = part.find("?>", at);
        if (end == std::string_view::npos) return std::nullopt;
        at = end + 2;
    }
    Cuts cuts;
    cuts.declaration = part.substr(0, at);
    // The prologue: comments and processing instructions up to the root's start tag.
    for (;;) {
        while (at < part.size() && isSpace(part[at])) ++at;
        const std::string_view rest = part.substr(at);
        if (rest.substr(0, 4) == "<!--") {
            const std::size_t end = part.find("-->", at + 4);
            if (end == std::string_view::npos) return std::nullopt;
            at = end + 3;
        } else if (rest.substr(0, 2) == "<?") {
            const std::size_t end = part.find("?>", at + 2);
            if (end == std::string_view::npos) return std::nullopt;
            at = end + 2;
        } else {
            break;
        }
    }
    if (part.substr(at, 1) != "<" || part.substr(at, 2) == "<!") return std::nullopt;
    std::size_t nameEnd = at + 1;
    while (nameEnd < part.size() && !isSpace(part[nameEnd]) && part[nameEnd] != '>' &&
           part[nameEnd] != '/') {
        ++nameEnd;
    }
    const std::string root(part.substr(at + 1, nameEnd - at - 1));
    if (localName(root) != "worksheet") return std::nullopt;
    const auto data = sheetDataEnd(part);
    if (!data) return std::nullopt;
    const std::size_t limit = data->second;
    const std::string sheetData(data->first);
    cuts.opening = '<' + root + "><" + sheetData + '>';
    cuts.closing = "</" + sheetData + "></" + root + '>';
    const std::string rowTag =
        '<' + sheetData.substr(0, sheetData.size() - std::string_view("sheetData").size()) + "row";
    std::size_t begin = 0;
    for (std::size_t k = 1; k < count; ++k) {
        std::size_t cut =
            part.find(rowTag, std::max({nameEnd, begin + 1, part.size() * k / count}));
        for (; cut != std::string_view::npos && cut < limit; cut = part.find(rowTag, cut + 1)) {
            const char next = part[cut + rowTag.size()];
            if (isSpace(next) || next == '>' || next == '/') break;
        }
        if (cut == std::string_view::npos || cut >= limit) break;
        cuts.pieces.push_back(part.substr(begin, cut - begin));
        begin = cut;
    }
    if (cuts.pieces.empty()) return std::nullopt;
    cuts.pieces.push_back(part.substr(begin));
    return cuts;
}

XlsxSheetCells::Rows readWhole(const QString& sheetName, const QStringList& sharedStrings,
                               std::string_view part) {
    return SheetParser(sheetName, sharedStrings).read({part});
}

// The rows of one piece; nothing when it cannot stand for its place in the whole part.
std::optional<XlsxSheetCells::Rows> readPiece(const QString& sheetName,
                                              const QStringList& sharedStrings, const Cuts& cuts,
                                              std::size_t index) {
    const std::string_view piece = cuts.pieces[index];
    const bool first = index == 0;
    const bool last = index + 1 == cuts.pieces.size();
    SheetParser parser(sheetName, sharedStrings);
    try {
        XlsxSheetCells::Rows rows =
            first  ? parser.read({piece, cuts.closing})
            : last ? parser.read({cuts.declaration, cuts.opening, piece})
                   : parser.read({cuts.declaration, cuts.opening, piece, cuts.closing});
        if (!first && !parser.firstRowNumbered()) return std::nullopt;
        return rows;
    } catch (const SpreadsheetError&) {
        return std::nullopt;
    }
}

// The pieces read by two threads, each taking the next piece when done with one (the two
// processors need not be equally fast); nothing when any piece cannot stand for its place.
std::optional<XlsxSheetCells::Rows> readPieces(const QString& sheetName,
                                               const QStringList& sharedStrings, const Cuts& cuts) {
    std::vector<std::optional<XlsxSheetCells::Rows>> read(cuts.pieces.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&]() {
        for (std::size_t i = next++; i < read.size(); i = next++) {
            read[i] = readPiece(sheetName, sharedStrings, cuts, i);
        }
    };
    std::future<void> helper;
    try {
        helper = std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        // No second thread: this one reads every piece.
    }
    work();
    if (helper.valid()) helper.get();
    XlsxSheetCells::Rows rows;
    for (std::optional<XlsxSheetCells::Rows>& piece : read) {
        if (!piece) return std::nullopt;
        rows.insert(rows.end(), std::make_move_iterator(piece->begin()),
                    std::make_move_iterator(piece->end()));
    }
    return rows;
}

}  // namespace

XlsxSheetCells::Rows XlsxSheetCells::read(const QString& sheetName,
                                          const QStringList& sharedStrings, const QByteArray& part,
                                          qsizetype splitSize, std::size_t* pieces) {
    const std::string_view bytes(part.constData(), std::size_t(part.size()));
    if (pieces) *pieces = 1;
    const bool split =
        splitSize == 0 || (part.size() >= splitSize && std::thread::hardware_concurrency() > 1);
    if (split) {
        if (const std::optional<Cuts> cuts = cutsOf(bytes, PieceCount)) {
            if (std::optional<Rows> rows = readPieces(sheetName, sharedStrings, *cuts)) {
                if (pieces) *pieces = cuts->pieces.size();
                return std::move(*rows);
            }
        }
    }
    return readWhole(sheetName, sharedStrings, bytes);
}

QString XlsxSheetCells::decodeEscapes(const QString& text) {
    if (!text.contains(QStringLiteral("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'_' && i + 6 < text.size() && text.at(i + 1) == u'x' &&
            text.at(i + 6) == u'_') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}
