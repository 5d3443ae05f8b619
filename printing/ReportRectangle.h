#pragma once

#include <QColor>

#include "ReportComponent.h"

// A framed rectangle, optionally filled.
class ReportRectangle : public ReportComponent {
  public:
    explicit ReportRectangle(const QString& name) : ReportComponent(name) {}
    QString kindName() const override { return QStringLiteral("矩形"); }

    // Line width in points.
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double points) { lineWidth_ = points; }
    // Invalid when the rectangle is not filled.
    const QColor& fill() const { return fill_; }
    void setFill(const QColor& fill) { fill_ = fill; }

  private:
    double lineWidth_ = 0.75;
    QColor fill_;
};
