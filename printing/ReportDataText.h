#pragma once

#include "ReportText.h"

// A text whose content comes from a data field of the current row of a data connection. It
// keeps the box it is drawn with; the value is aligned inside the box, `padding` inches from
// its left and right edges, and drawn smaller when it would not fit.
class ReportDataText : public ReportText {
  public:
    explicit ReportDataText(const QString& name) : ReportText(name) {}
    QString kindName() const override { return QStringLiteral("数据文本"); }

    const QString& connection() const { return connection_; }
    void setConnection(const QString& connection) { connection_ = connection; }
    const QString& dataField() const { return dataField_; }
    void setDataField(const QString& field) { dataField_ = field; }
    double padding() const { return padding_; }
    void setPadding(double padding) { padding_ = padding; }

  protected:
    bool sizesToText() const override { return false; }

  private:
    QString connection_;
    QString dataField_;
    double padding_ = 0;
};
