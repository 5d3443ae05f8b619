#include "FooterBar.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTableView>

#include "DetailList.h"

namespace {

constexpr qreal kSmallestPointSize = 6.5;

}  // namespace

FooterBar::FooterBar(DetailList& list, QTableView* view, QWidget* parent)
    : QWidget(parent), list_(list), view_(view) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QHeaderView* header = view_->horizontalHeader();
    const auto repaint = [this] { update(); };
    connect(header, &QHeaderView::sectionResized, this, repaint);
    connect(header, &QHeaderView::geometriesChanged, this, repaint);
    connect(header, &QHeaderView::sectionMoved, this, repaint);
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, this, repaint);
    // The header narrows with the viewport when the vertical scroll bar appears.
    header->installEventFilter(this);
    refresh();
}

void FooterBar::refresh() {
    texts_.clear();
    for (int position = 0; position < list_.layout.size(); ++position) {
        texts_ << list_.footerText(position);
    }
    update();
}

QString FooterBar::text(int position) const {
    return texts_.value(position);
}

int FooterBar::viewportLeft() const {
    return mapFromGlobal(view_->horizontalHeader()->viewport()->mapToGlobal(QPoint(0, 0))).x();
}

int FooterBar::viewportRight() const {
    return viewportLeft() + view_->horizontalHeader()->viewport()->width();
}

QRect FooterBar::cellRect(int position) const {
    const QHeaderView* header = view_->horizontalHeader();
    if (position < 0 || position >= header->count() || header->isSectionHidden(position)) {
        return {};
    }
    return QRect(viewportLeft() + header->sectionViewportPosition(position), 0,
                 header->sectionSize(position), height());
}

QSize FooterBar::sizeHint() const {
    return QSize(200, fontMetrics().height() + 8);
}

void FooterBar::drawFitted(QPainter& painter, const QRect& area, Qt::Alignment alignment,
                           const QString& text) const {
    // Sums often outgrow the narrow amount columns; a cut-off number would mislead, so the
    // text first shrinks to fit and is elided only below a legible size.
    QFont small = font();
    const qreal normal = small.pointSizeF();
    qreal size = normal;
    const int wide = QFontMetrics(small).horizontalAdvance(text);
    if (wide > area.width() && area.width() > 0 && normal > 0) {
        size = qMax(normal * area.width() / wide, kSmallestPointSize);
        small.setPointSizeF(size);
        // Hinting keeps widths from scaling exactly; step down until the text fits.
        while (size > kSmallestPointSize &&
               QFontMetrics(small).horizontalAdvance(text) > area.width()) {
            size = qMax(size - 0.25, kSmallestPointSize);
            small.setPointSizeF(size);
        }
    }
    painter.save();
    painter.setFont(small);
    painter.drawText(area, alignment,
                     QFontMetrics(small).elidedText(text, Qt::ElideRight, area.width()));
    painter.restore();
}

bool FooterBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Move) update();
    return QWidget::eventFilter(watched, event);
}

void FooterBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const int left = viewportLeft();
    const int right = viewportRight();
    painter.fillRect(rect(), palette().window());
    const QRect strip(left, 0, right - left, height());
    painter.setClipRect(strip.intersected(event->rect()));

    QStyleOptionHeader option;
    option.initFrom(this);
    option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
    option.orientation = Qt::Horizontal;
    // The strip beyond the last column looks like the empty header area above it.
    option.rect = strip;
    style()->drawControl(QStyle::CE_HeaderEmptyArea, &option, &painter, this);

    const QHeaderView* header = view_->horizontalHeader();
    const int margin = 2;
    for (int visual = header->visualIndexAt(0); visual >= 0 && visual < header->count(); ++visual) {
        const int position = header->logicalIndex(visual);
        if (header->isSectionHidden(position)) continue;
        const QRect cell = cellRect(position);
        if (cell.left() >= right) break;
        option.rect = cell;
        option.section = position;
        style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, this);
        const QString text = texts_.value(position);
        if (text.isEmpty()) continue;
        const DetailColumn& column = list_.layout.column(position);
        const Qt::Alignment alignment = column.footer == DetailColumn::Footer::Sum
                                            ? Qt::AlignRight | Qt::AlignVCenter
                                            : Qt::AlignCenter;
        const QRect area = cell.adjusted(margin, 0, -margin, 0);
        painter.setPen(palette().color(QPalette::ButtonText));
        drawFitted(painter, area, alignment, text);
    }
}
