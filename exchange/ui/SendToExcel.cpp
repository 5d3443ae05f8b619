#include "SendToExcel.h"

#include <QScopeGuard>
#include <QWidget>

std::optional<QString> SendToExcel(Prompter& prompter, const QString& title,
                                   const DetailLayout& layout, const RecordSet& rows, QWidget* grid,
                                   const GridExcelExport::Opener& open) {
    if (grid) grid->setEnabled(false);
    const auto enable = qScopeGuard([grid] {
        if (grid) grid->setEnabled(true);
    });
    return GridExcelExport::ExportGridToExcel(prompter, title, layout, rows,
                                              GridExcelExport::exportFolder(), open);
}
