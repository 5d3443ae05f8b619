#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "SheetReader.h"
#include "XlsWorkbook.h"

// Reads Excel 97-2003 workbooks (.xls) through FreeXL. The whole file is parsed on opening;
// sheets are then read from memory. A file is first checked by the xls module (XlsWorkbook),
// since FreeXL itself is not safe against damaged files.
class FreexlReader : public SheetReader {
  public:
    explicit FreexlReader(const QString& path);
    ~FreexlReader() override;
    FreexlReader(const FreexlReader&) = delete;
    FreexlReader& operator=(const FreexlReader&) = delete;

    QStringList sheetNames() const override { return names_; }
    SheetTable readSheet(int index) override;

  private:
    QString path_;
    const void* handle_ = nullptr;
    QStringList names_;
    // Set when FreeXL lists fewer sheets than the file holds (it loses a workbook whose shared
    // strings run over several records, as a text of thousands of characters does); the
    // sheets are then read with the xls module.
    std::optional<XlsWorkbook> own_;
};
