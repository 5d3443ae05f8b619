#include "PosSlipText.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <bit>
#include <vector>

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

// One slip line: where its value comes from, measured once for all rows.
struct SlipLine {
    int field;  // index in the rows, -1 for the running number
    bool isFloat;
    QString label;
    bool totalRule;
};

// Amounts repeat down a column and across columns (a base pay, a rate, 0): each distinct value
// is formatted once. Keyed by the bits of the double, so 0 and -0 stay apart.
class AmountTexts {
  public:
    explicit AmountTexts(const QString& format) : format_(format) {}

    const QString& text(double amount) {
        const auto bits = std::bit_cast<quint64>(amount);
        auto known = texts_.find(bits);
        if (known == texts_.end()) known = texts_.insert(bits, FormatFloat(format_, amount));
        return *known;
    }

  private:
    const QString& format_;
    QHash<quint64, QString> texts_;
};

QString value(const DetailList& list, int row, const SlipLine& line, AmountTexts& amounts) {
    if (line.field < 0) return QString::number(row + 1);
    const QVariant stored = list.dsGZDetail.value(row, line.field);
    if (line.isFloat) return amounts.text(VariantToDouble(stored));
    return stored.isValid() && !stored.isNull() ? stored.toString() : QString();
}

std::vector<SlipLine> slipLines(const DetailList& list, int width) {
    const DetailLayout& layout = list.layout;
    std::vector<SlipLine> lines;
    for (int i = kFirstColumn; i <= lastColumn(layout); ++i) {
        const DetailColumn& column = layout.column(i);
        if (!column.visible) continue;
        const int field =
            column.field == u"SortIdx" ? -1 : list.dsGZDetail.requireField(column.field);
        const QString padded = padToBytes(PosSlipText::label(column), width) + u'\t';
        lines.push_back(
            {field, isFloatColumn(layout, i), padded, padded.contains(QStringLiteral("合计"))});
    }
    return lines;
}

// Gives every line of the slips (without its line end) to `take`, in order, as two texts to be
// put one after the other.
template <typename Take>
void forEachLine(const DetailList& list, const QString& amountFormat, Take take) {
    const int width = PosSlipText::labelWidth(list.layout);
    const QString header = PadSpaceRight(QString(), (width - 3) / 2) + QStringLiteral("   工资条");
    // The labels and fields are the same on every slip: look them up once, not once a row.
    const std::vector<SlipLine> lines = slipLines(list, width);
    AmountTexts amounts(amountFormat);
    const int rows = list.dsGZDetail.recordCount();
    for (int row = 0; row < rows; ++row) {
        take(header, QString());
        for (const SlipLine& line : lines) {
            take(line.label, value(list, row, line, amounts));
            if (line.totalRule) take(kTotalRule, QString());
        }
        take(QString(), QString());
        take(kSlipRule, QString());
        take(QString(), QString());
    }
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
    forEachLine(list, amountFormat,
                [&text](const QString& first, const QString& second) { text << first + second; });
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
    // The slips as one text, each line ended by LF: 10,000 slips are 10 MB, so no list of
    // lines is made and joined first.
    QString text;
    forEachLine(list, amountFormat, [&text](const QString& first, const QString& second) {
        text += first;
        text += second;
        text += u'\n';
    });
    GbkText::writeTextFile(path, text);
    return true;
}

bool PosSlipText::writeMonthFile(Database& db, Prompter& prompter, const TAppParams& params,
                                 const QString& month, const QString& appPath) {
    DetailList list(db, prompter);
    list.layout.setAmountFormat(AmountFormat(params));
    list.ReadyGZList(month, params.PrintDays);
    return writeFile(prompter, list, AmountFormat(params), appPath);
}
