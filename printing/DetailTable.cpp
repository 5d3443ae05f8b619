#include "DetailTable.h"

#include <algorithm>
#include <functional>

#include "AppState.h"
#include "DetailList.h"
#include "Prompter.h"
#include "Pub.h"
#include "TablePreview.h"
#include "TablePreviewPainter.h"

namespace {

constexpr int kDefaultRowHeight = 16;

// Number formats hold digit placeholders and separators only; those columns are right-aligned
// as in the grid, everything else (texts, the entry time) left-aligned.
bool isNumberFormat(const QString& format) {
    if (format.isEmpty()) return false;
    return std::all_of(format.begin(), format.end(),
                       [](QChar c) { return c == u'0' || c == u'#' || c == u'.' || c == u','; });
}

using FooterText = std::function<QString(int position)>;

void fill(TablePreview& preview, const QString& title, const DetailList& list, int rowHeight,
          const std::vector<int>& rows, const FooterText& footer) {
    const DetailLayout& layout = list.layout;
    preview.setPPrintType(1);
    preview.setPRowHeight(rowHeight == 0 ? kDefaultRowHeight : rowHeight);
    preview.setPCaption(title);
    preview.setPColCount(layout.size());
    preview.setPHeaderRowCount(1);
    preview.setPDataRowCount(int(rows.size()));
    preview.setPCountRowCount(0);

    int titleRows = 1;
    for (int i = 0; i < layout.size(); ++i) {
        const DetailColumn& column = layout.column(i);
        preview.SetColWidth(i, column.width);
        preview.SetTitleCell(i, 0, column.title);
        titleRows = std::max(titleRows, DetailTable::GetMaxTitleRow(column.title));
        preview.SetColAlign(
            i, isNumberFormat(column.format) ? TablePreview::AlignRight : TablePreview::AlignLeft);
        if (!column.visible) preview.SetColWidth(i, 0);
    }
    preview.setPHeaderRowCount(titleRows);

    // A title with fewer levels than the deepest repeats its last level below.
    for (int i = 0; i < layout.size(); ++i) {
        QString rest = layout.column(i).title;
        for (int j = 0; j < titleRows; ++j) {
            const int bar = rest.indexOf(u'|');
            if (bar < 0) {
                preview.SetTitleCell(i, j, rest);
                continue;
            }
            preview.SetTitleCell(i, j, rest.left(bar));
            rest = rest.mid(bar + 1);
        }
    }
    preview.setPShowCount(false);

    for (int r = 0; r < int(rows.size()); ++r) {
        for (int i = 0; i < layout.size(); ++i) {
            preview.SetDataCell(i, r, list.displayText(rows[r], i));
        }
    }
    const int footerRow = int(rows.size());
    for (int i = 0; i < layout.size(); ++i) {
        if (layout.column(i).footer != DetailColumn::Footer::None) {
            preview.SetDataCell(i, footerRow, footer(i));
        }
    }
}

}  // namespace

int DetailTable::GetMaxTitleRow(const QString& title) {
    return CountSubStr(QStringLiteral("|"), title) + 1;
}

void DetailTable::ReadyData1(TablePreview& preview, const QString& title, const DetailList& list,
                             int rowHeight) {
    std::vector<int> rows(list.loaded() ? list.dsGZDetail.recordCount() : 0);
    for (int r = 0; r < int(rows.size()); ++r) rows[r] = r;
    fill(preview, title, list, rowHeight, rows,
         [&list](int position) { return list.footerText(position); });
}

void DetailTable::ReadyRows(TablePreview& preview, const QString& title, const DetailList& list,
                            int rowHeight, const std::vector<int>& rows) {
    const auto footer = [&list, &rows](int position) {
        const DetailColumn& column = list.layout.column(position);
        switch (column.footer) {
            case DetailColumn::Footer::Count:
                return QStringLiteral("%1条").arg(rows.size());
            case DetailColumn::Footer::Sum: {
                double total = 0;
                for (int row : rows)
                    total += VariantToDouble(list.dsGZDetail.value(row, column.field));
                return FormatFloat(column.format, total);
            }
            default:
                return list.footerText(position);
        }
    };
    fill(preview, title, list, rowHeight, rows, footer);
}

int DetailTable::narrowedWidth(const QString& title, int width) {
    const int bar = title.indexOf(u'|');
    const QString caption = bar < 0 ? title : title.mid(bar + 1);
    if (caption != u"合计") width = PixelsPerCharacter * int(caption.size());
    return std::max(width, MinimumWidth);
}

void DetailTable::narrowAmountColumns(DetailLayout& layout) {
    for (int i = FirstNarrowed; i <= LastNarrowed; ++i) {
        DetailColumn& column = layout.column(i);
        column.width = narrowedWidth(column.title, column.width);
    }
}

void DetailTable::restoreAmountColumns(DetailLayout& layout) {
    for (int i = FirstNarrowed; i <= LastNarrowed; ++i) layout.column(i).width = RestoredWidth;
}

int DetailTable::writeMonthPdf(Database& db, Prompter& prompter, const TAppParams& params,
                               const QString& month, const QString& path) {
    DetailList list(db, prompter);
    list.layout.setAmountFormat(AmountFormat(params));
    if (!list.ReadyGZList(month, params.PrintDays)) {
        prompter.warning(QStringLiteral("无查询结果！"));
        return 0;
    }
    narrowAmountColumns(list.layout);
    TablePreview preview;
    ReadyData1(preview, list.caption(), list, GridRowHeight);
    return TablePreviewPainter::writePdf(preview, path);
}
