#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One sheet of a spreadsheet file read as a table: the field names from its heading row and
// its rows as text, every row holding exactly one text per field.
struct SheetTable {
    QString name;
    QStringList columns;
    std::vector<QStringList> rows;
};

// Index of the table's first field whose name equals `name` without regard to letter case, or
// -1.
int FindField(const SheetTable& table, const QString& name);
