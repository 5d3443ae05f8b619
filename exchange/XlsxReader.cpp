#include "XlsxReader.h"

#include <expat.h>
#include <zip.h>

#include <QFile>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "SpreadsheetError.h"

namespace {

struct Relationship {
    QString type;
    QString target;
};

QString damaged(const QString& path, const QString& detail) {
    return QStringLiteral("文件“%1”已损坏，或不是Excel文件（%2）。").arg(path, detail);
}

// The folder of a part inside the package, "" for the root, else ending in "/".
QString folderOf(const QString& part) {
    const int slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash + 1);
}

// A relationship target as a part name: absolute targets start at the package root, others
// are relative to the folder of the part that names them.
QString resolve(const QString& sourcePart, const QString& target) {
    QString path = target.startsWith(u'/') ? target.mid(1) : folderOf(sourcePart) + target;
    QStringList kept;
    for (const QString& piece : path.split(u'/', Qt::SkipEmptyParts)) {
        if (piece == u".") continue;
        if (piece == u"..") {
            if (!kept.isEmpty()) kept.removeLast();
            continue;
        }
        kept << piece;
    }
    return kept.join(u'/');
}

QString relationshipsPartOf(const QString& part) {
    const int slash = part.lastIndexOf(u'/');
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(slash + 1) +
           QStringLiteral(".rels");
}

// Excel writes characters that XML cannot hold as "_xHHHH_" (a carriage return is "_x000D_").
QString decodeEscapes(const QString& text) {
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

// The relationship id attribute ("r:id"), whatever prefix the file gives its namespace.
QString relationshipId(const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == u"id" && !attribute.prefix().isEmpty())
            return attribute.value().toString();
    }
    return {};
}

// The text of a string item (<si> or <is>), its runs joined and phonetic guides left out.
// The reader stands on the item's start element and ends on its end element.
QString readStringItem(QXmlStreamReader& xml) {
    QString text;
    const QString item = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"rPh") {
                ++phonetic;
            } else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"rPh") --phonetic;
            if (xml.name() == item) break;
        }
    }
    return decodeEscapes(text);
}

}  // namespace

XlsxReader::XlsxReader(const QString& path) : path_(path) {
    int error = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip_) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, error);
        const QString detail = QString::fromLocal8Bit(zip_error_strerror(&zipError));
        zip_error_fini(&zipError);
        throw SpreadsheetError(damaged(path, detail));
    }
    try {
        const QString workbook = officeDocumentPart();
        readWorkbook(workbook);
    } catch (...) {
        zip_discard(zip_);
        zip_ = nullptr;
        throw;
    }
}

XlsxReader::~XlsxReader() {
    if (zip_) zip_discard(zip_);
}

QStringList XlsxReader::sheetNames() const {
    QStringList names;
    for (const Sheet& sheet : sheets_) names << sheet.name;
    return names;
}

QByteArray XlsxReader::part(const QString& name, bool required) const {
    const zip_int64_t index = zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) {
        if (required) throw SpreadsheetError(damaged(path_, QStringLiteral("缺少") + name));
        return {};
    }
    zip_stat_t stat;
    if (zip_stat_index(zip_, zip_uint64_t(index), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        throw SpreadsheetError(damaged(path_, name));
    }
    if (stat.size > zip_uint64_t(MaxPartSize)) {
        throw SpreadsheetError(QStringLiteral("文件“%1”的内容太大，不能读取。").arg(path_));
    }
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) throw SpreadsheetError(damaged(path_, QString::fromUtf8(zip_strerror(zip_))));
    qint64 done = 0;
    while (done < bytes.size()) {
        const zip_int64_t got =
            zip_fread(file, bytes.data() + done, zip_uint64_t(bytes.size() - done));
        if (got <= 0) break;
        done += got;
    }
    // Closed in every case: a part cut short must not keep its reader.
    const bool closed = zip_fclose(file) == 0;
    if (done != bytes.size() || !closed) throw SpreadsheetError(damaged(path_, name));
    return bytes;
}

namespace {

QHash<QString, Relationship> readRelationships(const QByteArray& bytes) {
    QHash<QString, Relationship> relationships;
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        relationships.insert(a.value(QLatin1String("Id")).toString(),
                             {a.value(QLatin1String("Type")).toString(),
                              a.value(QLatin1String("Target")).toString()});
    }
    return relationships;
}

}  // namespace

QString XlsxReader::officeDocumentPart() const {
    const QByteArray bytes = part(QStringLiteral("_rels/.rels"), false);
    const auto relationships = readRelationships(bytes);
    for (const Relationship& r : relationships) {
        if (r.type.endsWith(QStringLiteral("/officeDocument"))) return resolve(QString(), r.target);
    }
    return QStringLiteral("xl/workbook.xml");
}

void XlsxReader::readWorkbook(const QString& workbookPart) {
    const QByteArray workbook = part(workbookPart, true);
    const auto relationships = readRelationships(part(relationshipsPartOf(workbookPart), true));
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"sheet") continue;
        const auto found = relationships.constFind(relationshipId(xml.attributes()));
        // Chart sheets and macro sheets hold no table.
        if (found == relationships.cend() || !found->type.endsWith(QStringLiteral("/worksheet")))
            continue;
        sheets_.push_back({xml.attributes().value(QLatin1String("name")).toString(),
                           resolve(workbookPart, found->target)});
    }
    if (xml.hasError()) throw SpreadsheetError(damaged(path_, xml.errorString()));
    for (const Relationship& r : relationships) {
        if (r.type.endsWith(QStringLiteral("/sharedStrings"))) {
            readSharedStrings(resolve(workbookPart, r.target));
            break;
        }
    }
}

void XlsxReader::readSharedStrings(const QString& partName) {
    const QByteArray bytes = part(partName, false);
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            sharedStrings_ << readStringItem(xml);
    }
    if (xml.hasError()) throw SpreadsheetError(damaged(path_, xml.errorString()));
}

SheetTable XlsxReader::readSheet(int index) {
    requireSheet(index);
    const Sheet& sheet = sheets_.at(index);
    return makeTable(sheet.name, readCells(sheet));
}

namespace {

// The part of an element name after its prefix ("x:c" gives "c"). Only local names matter
// here, so the parser resolves no namespaces.
std::string_view localName(const XML_Char* name) {
    const std::string_view full(name);
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

// Reads the cells of a worksheet part with expat: a sheet holds most of a workbook's bytes, and
// a streaming parser that hands over UTF-8 spans reads it several times faster than building
// tokens and strings for every element. Rows are found at any depth, their cells are their
// children "c", a cell's value its child "v" or its inline string "is".
class SheetCells {
  public:
    SheetCells(const QString& sheetName, const QStringList& sharedStrings)
        : sheetName_(sheetName), sharedStrings_(sharedStrings) {}

    std::vector<std::pair<qint64, SheetReader::RowCells>> read(const QByteArray& bytes) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        if (!parser) throw fail(QStringLiteral("内存不足"));
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &SheetCells::started, &SheetCells::ended);
        XML_SetCharacterDataHandler(parser, &SheetCells::characters);
        parser_ = parser;
        const XML_Status status = XML_Parse(parser, bytes.constData(), int(bytes.size()), 1);
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
        static_cast<SheetCells*>(self)->start(localName(name), attributes);
    }
    static void ended(void* self, const XML_Char* name) {
        static_cast<SheetCells*>(self)->end(localName(name));
    }
    static void characters(void* self, const XML_Char* text, int length) {
        static_cast<SheetCells*>(self)->addText(std::string_view(text, std::size_t(length)));
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
                inlineText_ =
                    decodeEscapes(QString::fromUtf8(item_.data(), qsizetype(item_.size())));
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
            text = decodeEscapes(rawText());
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
    std::vector<std::pair<qint64, SheetReader::RowCells>> rows_;
    int depth_ = 0;
    int rowDepth_ = -1;
    int cellDepth_ = -1;
    int itemDepth_ = -1;
    int textDepth_ = -1;
    int phonetic_ = 0;
    qint64 rowNumber_ = 0;
    int nextColumn_ = 0;
    SheetReader::RowCells cells_;
    int column_ = 0;
    std::string type_;
    std::string raw_;
    std::string item_;
    std::string* text_ = nullptr;
    QString inlineText_;
};

}  // namespace

std::vector<SheetReader::RowCells> XlsxReader::readCells(const Sheet& sheet) const {
    const QByteArray bytes = part(sheet.part, true);
    std::vector<std::pair<qint64, RowCells>> rows =
        SheetCells(sheet.name, sharedStrings_).read(bytes);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RowCells> ordered;
    ordered.reserve(rows.size());
    for (auto& row : rows) ordered.push_back(std::move(row.second));
    return ordered;
}
