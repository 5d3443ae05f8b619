#include "PosSlipText.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "AppState.h"
#include "DetailList.h"
#include "GbkText.h"
#include "Prompter.h"
#include "Pub.h"

namespace {

constexpr int kMinimumLabelWidth = 10;
const QString kTotalRule = QStringLiteral("-----------");
const QString kSlipRule = QStringLiteral("-----------------------------------");

// The slip columns run from the second of the grid (after ID) to the second to last (before
// LOGTime).
constexpr int kFirstColumn = 1;
int lastColumn(const DetailLayout& layout) {
    return layout.size() - 2;
}

// The attendance and amount columns are floating-point fields; they print in the amount
// format whatever the grid's display format.
bool isFloatColumn(const DetailLayout& layout, int position) {
    return position >= layout.GetCol(QStringLiteral("WorkDays")) &&
           position <= DetailLayout::NetPay;
}

QString padToBytes(const QString& text, int bytes) {
    const int missing = bytes - GbkText::byteLength(text);
    return missing > 0 ? PadSpaceRight(text, int(text.size()) + missing) : text;
}

QString value(const DetailList& list, int row, int position, const QString& amountFormat) {
    const DetailColumn& column = list.layout.column(position);
    if (column.field == u"SortIdx") return QString::number(row + 1);
    const QVariant stored = list.dsGZDetail.value(row, column.field);
    if (isFloatColumn(list.layout, position)) {
        return FormatFloat(amountFormat, VariantToDouble(stored));
    }
    return stored.isValid() && !stored.isNull() ? stored.toString() : QString();
}

}  // namespace

QString PosSlipText::filePath(const QString& appPath) {
    return QDir(appPath).filePath(QStringLiteral("tmp.Txt"));
}

int PosSlipText::labelWidth(const DetailLayout& layout) {
    int width = kMinimumLabelWidth;
    for (int i = kFirstColumn; i <= lastColumn(layout); ++i) {
        width = std::max(width, GbkText::byteLength(layout.column(i).title));
    }
    return width;
}

QString PosSlipText::label(const DetailColumn& column) {
    const int bar = column.title.indexOf(u'|');
    return bar < 0 ? column.title : column.title.mid(bar + 1);
}

QStringList PosSlipText::lines(const DetailList& list, const QString& amountFormat) {
    QStringList text;
    if (!list.loaded()) return text;
    const DetailLayout& layout = list.layout;
    const int width = labelWidth(layout);
    const QString header = PadSpaceRight(QString(), (width - 3) / 2) + QStringLiteral("   工资条");
    for (int row = 0; row < list.dsGZDetail.recordCount(); ++row) {
        text << header;
        for (int i = kFirstColumn; i <= lastColumn(layout); ++i) {
            if (!layout.column(i).visible) continue;
            const QString padded = padToBytes(label(layout.column(i)), width);
            text << padded + u'\t' + value(list, row, i, amountFormat);
            if (padded.contains(QStringLiteral("合计"))) text << kTotalRule;
        }
        text << QString() << kSlipRule << QString();
    }
    return text;
}

bool PosSlipText::writeFile(Prompter& prompter, const DetailList& list, const QString& amountFormat,
                            const QString& appPath) {
    if (!list.loaded()) {
        prompter.warning(QStringLiteral("没有用于打印的工资数据！"));
        return false;
    }
    const QString path = filePath(appPath);
    // A file that cannot be deleted is overwritten below, or the write reports the failure.
    if (QFile::exists(path)) QFile::remove(path);
    const QStringList text = lines(list, amountFormat);
    GbkText::writeTextFile(path, text.isEmpty() ? QString() : text.join(u'\n') + u'\n');
    return true;
}

bool PosSlipText::writeMonthFile(Database& db, Prompter& prompter, const TAppParams& params,
                                 const QString& month, const QString& appPath) {
    DetailList list(db, prompter);
    list.layout.setAmountFormat(AmountFormat(params));
    list.ReadyGZList(month, params.PrintDays);
    return writeFile(prompter, list, AmountFormat(params), appPath);
}
