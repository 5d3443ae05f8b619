#include "SheetTable.h"

int FindField(const SheetTable& table, const QString& name) {
    for (int i = 0; i < table.columns.size(); ++i) {
        if (table.columns.at(i).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}
