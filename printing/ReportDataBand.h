#pragma once

#include "ReportComponent.h"

// A band printed once per row of its data connection, stacked down its region.
class ReportDataBand : public ReportComponent {
  public:
    explicit ReportDataBand(const QString& name) : ReportComponent(name) {}
    QString kindName() const override { return QStringLiteral("数据带"); }

    const QString& connection() const { return connection_; }
    void setConnection(const QString& connection) { connection_ = connection; }

  private:
    QString connection_;
};
