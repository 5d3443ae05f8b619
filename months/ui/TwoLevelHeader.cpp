#include "TwoLevelHeader.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTextLayout>

#include "DetailListModel.h"

namespace {

// Room kept at the right of a sorted section for the style's arrow.
constexpr int kArrowSize = 8;

QStringList wrapTitle(const QString& text, const QFont& font, int width, int maxLines) {
    const QFontMetrics metrics(font);
    if (maxLines <= 1 || metrics.horizontalAdvance(text) <= width) {
        return {metrics.elidedText(text, Qt::ElideRight, width)};
    }
    // Chinese titles have no blanks, so lines may break between any two characters.
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    int rest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            rest = line.textStart();
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
        rest = line.textStart() + line.textLength();
    }
    layout.endLayout();
    if (rest < text.size()) {
        lines << metrics.elidedText(text.mid(rest).trimmed(), Qt::ElideRight, width);
    }
    return lines;
}

}  // namespace

TwoLevelHeader::TwoLevelHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    // Whole-row selection touches every column; highlighted titles would all turn bold.
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
}

QString TwoLevelHeader::groupOf(int logicalIndex) const {
    if (!model()) return QString();
    return model()->headerData(logicalIndex, orientation(), DetailListModel::GroupRole).toString();
}

QList<TwoLevelHeader::GroupSpan> TwoLevelHeader::groupSpans() const {
    QList<GroupSpan> spans;
    bool open = false;
    for (int visual = 0; visual < count(); ++visual) {
        const int logical = logicalIndex(visual);
        if (isSectionHidden(logical)) continue;
        const QString group = groupOf(logical);
        if (group.isEmpty()) {
            open = false;
        } else if (open && spans.back().text == group) {
            spans.back().last = logical;
            spans.back().width += sectionSize(logical);
        } else {
            spans.append(
                {group, logical, logical, sectionViewportPosition(logical), sectionSize(logical)});
            open = true;
        }
    }
    return spans;
}

QSize TwoLevelHeader::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    size.setHeight(2 * (fontMetrics().height() + margin + 2));
    return size;
}

void TwoLevelHeader::paintEvent(QPaintEvent* event) {
    QHeaderView::paintEvent(event);
    // The upper cells go over the sections' upper halves, which paintSection leaves free.
    QPainter painter(viewport());
    for (const GroupSpan& span : groupSpans()) {
        const QRect cell(span.x, 0, span.width, groupHeight());
        if (!event->rect().intersects(cell)) continue;
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = cell;
        option.section = span.first;
        option.position = QStyleOptionHeader::Middle;
        option.state |= QStyle::State_Raised;
        style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
        drawTitle(&painter, cell.adjusted(margin, 0, -margin, 0), span.text, 1, option);
    }
}

void TwoLevelHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QStyleOptionHeaderV2 option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    const bool grouped = !groupOf(logicalIndex).isEmpty();
    option.rect = grouped ? rect.adjusted(0, groupHeight(), 0, 0) : rect;
    const QString text = option.text;
    option.text.clear();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    QRect label = option.rect.adjusted(margin, 0, -margin, 0);
    if (option.sortIndicator != QStyleOptionHeader::None) {
        QStyleOptionHeader arrow = option;
        arrow.rect = QRect(label.right() - kArrowSize + 1,
                           label.top() + (label.height() - kArrowSize) / 2, kArrowSize, kArrowSize);
        style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
        label.setRight(arrow.rect.left() - 1);
    }
    drawTitle(painter, label, text, grouped ? 1 : 2, option);
}

void TwoLevelHeader::drawTitle(QPainter* painter, const QRect& rect, const QString& text,
                               int maxLines, const QStyleOptionHeader& option) const {
    if (text.isEmpty() || rect.width() <= 0) return;
    const QFontMetrics metrics(painter->font());
    const int fitting = qMax(1, rect.height() / metrics.lineSpacing());
    const QStringList lines =
        wrapTitle(text, painter->font(), rect.width(), qMin(maxLines, fitting));
    const int lineHeight = metrics.lineSpacing();
    int y = rect.top() + (rect.height() - lineHeight * int(lines.size())) / 2;
    painter->save();
    painter->setPen(option.palette.color(QPalette::ButtonText));
    for (const QString& line : lines) {
        painter->drawText(QRect(rect.left(), y, rect.width(), lineHeight), Qt::AlignCenter, line);
        y += lineHeight;
    }
    painter->restore();
}
