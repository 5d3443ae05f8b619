#pragma once

#include <QString>
#include <QStringList>

#include "SheetReader.h"

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
};
