#pragma once

#include "ReportComponent.h"

// The printable area of a page that holds the bands.
class ReportRegion : public ReportComponent {
  public:
    explicit ReportRegion(const QString& name) : ReportComponent(name) {}
    QString kindName() const override { return QStringLiteral("区域"); }
};
