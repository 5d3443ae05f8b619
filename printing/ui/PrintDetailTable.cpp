#include "PrintDetailTable.h"

#include <QHeaderView>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTableView>
#include <vector>

#include "DetailGrid.h"
#include "DetailList.h"
#include "DetailTable.h"
#include "TablePreview.h"
#include "TablePreviewPainter.h"
#include "TfrmPreview.h"

namespace {

// The screen follows the list's widths for the narrowed columns while the preview is open.
void showWidths(DetailGrid& grid, const DetailList& list) {
    for (int i = DetailTable::FirstNarrowed; i <= DetailTable::LastNarrowed; ++i) {
        if (list.layout.column(i).visible) {
            grid.view()->setColumnWidth(i, list.layout.column(i).width);
        }
    }
}

}  // namespace

void PrintDetailTable(Prompter& prompter, const QString& title, DetailList& list, DetailGrid& grid,
                      QWidget* parent) {
    DetailTable::narrowAmountColumns(list.layout);
    showWidths(grid, list);
    ShowGridPreview(prompter, title, grid, list, parent);
    DetailTable::restoreAmountColumns(list.layout);
    showWidths(grid, list);
}

int PrintSelectedGridRows(const DetailGrid& grid, const DetailList& list, QWidget* parent) {
    std::vector<int> rows = grid.selectedRows();
    if (rows.empty() && list.loaded()) {
        rows.resize(list.dsGZDetail.recordCount());
        for (int r = 0; r < int(rows.size()); ++r) rows[r] = r;
    }
    TablePreview table;
    DetailTable::ReadyRows(table, QString(), list,
                           grid.view()->verticalHeader()->defaultSectionSize(), rows);
    const TablePreviewPainter pages(table);

    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(pages.pageLayout());
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&pages](QPrinter* target) { pages.print(*target); });
    preview.exec();
    return int(rows.size());
}
