#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

class DetailList;
class QPainter;
class QTableView;

// The footer line under the detail table: "合计", the row count and the column sums, each drawn
// under its column and following the columns while they scroll, resize or hide.
class FooterBar : public QWidget {
    Q_OBJECT

  public:
    FooterBar(DetailList& list, QTableView* view, QWidget* parent = nullptr);

    // Reads the footer texts anew; the sums walk every row, so painting uses the texts kept here.
    void refresh();
    QString text(int position) const;
    // The cell of a layout position in this widget's coordinates, lined up with its header
    // section; empty for hidden columns.
    QRect cellRect(int position) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Left and right edge of the table's viewport in this widget's coordinates.
    int viewportLeft() const;
    int viewportRight() const;
    void drawFitted(QPainter& painter, const QRect& area, Qt::Alignment alignment,
                    const QString& text) const;

    DetailList& list_;
    QTableView* view_;
    QStringList texts_;
};
