#pragma once

#include "ReportComponent.h"

// A page of a report: its width and height are the paper's.
class ReportPage : public ReportComponent {
  public:
    explicit ReportPage(const QString& name) : ReportComponent(name) {}
    QString kindName() const override { return QStringLiteral("页面"); }
};
