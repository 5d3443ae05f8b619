#pragma once

#include <QString>

// The rows a report prints, by data connection name (RvDataSetConnection1, ...).
class ReportData {
  public:
    virtual ~ReportData() = default;

    // Rows of the connection; 0 for a connection the data does not have.
    virtual int rowCount(const QString& connection) const = 0;
    // What a data text bound to `field` shows for row `row` of the connection. A blank field
    // name shows nothing. Throws ReportError for a field the connection does not have.
    virtual QString text(const QString& connection, int row, const QString& field) const = 0;
};
