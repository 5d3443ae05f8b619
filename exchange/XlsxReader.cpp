#include "XlsxReader.h"

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
#include "XlsxSheetCells.h"

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
    return XlsxSheetCells::decodeEscapes(text);
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

std::vector<SheetReader::RowCells> XlsxReader::readCells(const Sheet& sheet) const {
    const QByteArray bytes = part(sheet.part, true);
    XlsxSheetCells::Rows rows = XlsxSheetCells::read(sheet.name, sharedStrings_, bytes);
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RowCells> ordered;
    ordered.reserve(rows.size());
    for (auto& row : rows) ordered.push_back(std::move(row.second));
    return ordered;
}
