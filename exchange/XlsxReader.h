#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "SheetReader.h"

struct zip;

// Reads Excel 2007 and later workbooks (.xlsx): the ZIP package through libzip, its parts
// with QXmlStreamReader. Opening reads the sheet list and the shared strings; a sheet's cells
// are read when the sheet is asked for.
class XlsxReader : public SheetReader {
  public:
    explicit XlsxReader(const QString& path);
    ~XlsxReader() override;
    XlsxReader(const XlsxReader&) = delete;
    XlsxReader& operator=(const XlsxReader&) = delete;

    QStringList sheetNames() const override;
    SheetTable readSheet(int index) override;

    // A part of the package is read only up to this size, so that a damaged or crafted file
    // cannot take all memory.
    static constexpr qint64 MaxPartSize = qint64(1) << 30;

  private:
    struct Sheet {
        QString name;
        QString part;
    };

    // The part's bytes; empty when the package has no such part and it is not `required`.
    QByteArray part(const QString& name, bool required) const;
    QString officeDocumentPart() const;
    void readWorkbook(const QString& workbookPart);
    void readSharedStrings(const QString& partName);
    std::vector<RowCells> readCells(const Sheet& sheet) const;

    QString path_;
    struct zip* zip_ = nullptr;
    std::vector<Sheet> sheets_;
    QStringList sharedStrings_;
};
