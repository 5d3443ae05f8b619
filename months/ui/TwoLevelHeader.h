#pragma once

#include <QHeaderView>
#include <QList>
#include <QString>

class QStyleOptionHeader;

// A horizontal header drawing two-level titles. A section whose model gives a group
// (DetailListModel::GroupRole) shows its caption in the lower half; neighbouring shown sections
// of one group share one upper cell with the group text. Other sections use the full height.
class TwoLevelHeader : public QHeaderView {
    Q_OBJECT

  public:
    // One upper cell: the group text, the first and last shown section it covers (logical
    // indexes) and its place in viewport coordinates.
    struct GroupSpan {
        QString text;
        int first = -1;
        int last = -1;
        int x = 0;
        int width = 0;
    };

    explicit TwoLevelHeader(QWidget* parent = nullptr);

    // The upper cells as they stand now: follows scrolling, resizing and hidden sections.
    QList<GroupSpan> groupSpans() const;
    // Height of the upper level; the lower level takes the rest.
    int groupHeight() const { return height() / 2; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    QString groupOf(int logicalIndex) const;
    // Draws `text` centred in `rect`, wrapped onto at most `maxLines` lines and elided beyond.
    void drawTitle(QPainter* painter, const QRect& rect, const QString& text, int maxLines,
                   const QStyleOptionHeader& option) const;
};
