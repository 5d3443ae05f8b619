#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// A Windows-style INI file (IIS.INI, comm.ini) read and written in GBK with CR LF, as the
// Windows profile functions do. Section and key names compare without letter case. Saving keeps
// the order of sections and keys, comment lines and lines it does not understand; changed keys
// are written as "key=value", new keys go after the last key of their section and new sections
// at the end.
class IniFile {
  public:
    // Loads `path` when it exists; a missing file is an empty one. Throws FileError when the file
    // exists but cannot be read.
    explicit IniFile(const QString& path);

    const QString& path() const { return path_; }

    // The value, trimmed of surrounding blanks; "key=" gives an empty value, a missing key the
    // default.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // The value as a decimal integer; a missing or unparsable value gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // "0" is false and any other integer true; a missing or unparsable value gives the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    // Writes the whole file. Throws FileError.
    void save() const;

    QStringList sections() const;
    QStringList keys(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;

  private:
    struct Line {
        QString raw;  // the line as read; rebuilt from key and value once the value changes
        QString key;  // empty for comments, blank and unknown lines
        QString value;
        bool changed = false;
    };
    struct Section {
        QString name;
        QString header;  // empty for the lines before the first section
        std::vector<Line> lines;
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    static const Line* findKey(const Section& section, const QString& key);
    static Line* findKey(Section& section, const QString& key);

    QString path_;
    // The first entry holds the lines before any section header; Windows ignores keys there.
    std::vector<Section> sections_;
};
