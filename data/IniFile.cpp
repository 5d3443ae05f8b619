#include "IniFile.h"

#include <QFileInfo>
#include <utility>

#include "GbkText.h"

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

IniFile::IniFile(const QString& path) : path_(path) {
    sections_.push_back(Section{});
    if (!QFileInfo::exists(path)) {
        return;
    }
    const QString text = GbkText::readTextFile(path);
    QStringList lines = text.split(u'\n');
    // The last line end does not open another line.
    if (!lines.isEmpty() && lines.constLast().isEmpty()) {
        lines.removeLast();
    }
    for (const QString& raw : lines) {
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.indexOf(u']');
            if (close > 0) {
                sections_.push_back(Section{trimmed.mid(1, close - 1).trimmed(), raw, {}});
                continue;
            }
        }
        Line line;
        line.raw = raw;
        const qsizetype equals = trimmed.indexOf(u'=');
        if (!trimmed.startsWith(u';') && equals > 0) {
            line.key = trimmed.left(equals).trimmed();
            line.value = trimmed.mid(equals + 1).trimmed();
        }
        sections_.back().lines.push_back(line);
    }
}

const IniFile::Section* IniFile::findSection(const QString& name) const {
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        if (SameName(sections_[i].name, name)) {
            return &sections_[i];
        }
    }
    return nullptr;
}

IniFile::Section* IniFile::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const IniFile::Line* IniFile::findKey(const Section& section, const QString& key) {
    for (const Line& line : section.lines) {
        if (!line.key.isEmpty() && SameName(line.key, key)) {
            return &line;
        }
    }
    return nullptr;
}

IniFile::Line* IniFile::findKey(Section& section, const QString& key) {
    return const_cast<Line*>(findKey(std::as_const(section), key));
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const Section* found = findSection(section);
    const Line* line = found ? findKey(*found, key) : nullptr;
    return line ? line->value : defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    bool ok = false;
    const int value = readString(section, key, QString()).toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    Section* target = findSection(section);
    if (!target) {
        sections_.push_back(Section{section, QStringLiteral("[%1]").arg(section), {}});
        target = &sections_.back();
    }
    Line* existing = findKey(*target, key);
    if (existing) {
        existing->value = value.trimmed();
        existing->changed = true;
        return;
    }
    // After the last key of the section, so blank lines and comments that close the section
    // stay in front of the next one.
    auto insertAt = target->lines.begin();
    for (auto it = target->lines.begin(); it != target->lines.end(); ++it) {
        if (!it->key.isEmpty()) {
            insertAt = it + 1;
        }
    }
    target->lines.insert(insertAt, Line{QString(), key, value.trimmed(), true});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::save() const {
    QString text;
    for (const Section& section : sections_) {
        if (!section.header.isEmpty()) {
            text += section.header + u'\n';
        }
        for (const Line& line : section.lines) {
            text += (line.changed ? line.key + u'=' + line.value : line.raw) + u'\n';
        }
    }
    GbkText::writeTextFile(path_, text);
}

QStringList IniFile::sections() const {
    QStringList names;
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        if (!names.contains(sections_[i].name, Qt::CaseInsensitive)) {
            names.append(sections_[i].name);
        }
    }
    return names;
}

QStringList IniFile::keys(const QString& section) const {
    QStringList names;
    if (const Section* found = findSection(section)) {
        for (const Line& line : found->lines) {
            if (!line.key.isEmpty() && !names.contains(line.key, Qt::CaseInsensitive)) {
                names.append(line.key);
            }
        }
    }
    return names;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    const Section* found = findSection(section);
    return found && findKey(*found, key);
}
