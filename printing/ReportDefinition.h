#pragma once

#include "ReportComponent.h"

// One report of a template project: its pages, printed in order.
class ReportDefinition : public ReportComponent {
  public:
    explicit ReportDefinition(const QString& name) : ReportComponent(name) {}
    QString kindName() const override { return QStringLiteral("报表"); }
};
