#pragma once

#include <QString>
#include <vector>

class DetailLayout;

// One importable salary column of the import field list.
struct ImportField {
    QString caption;   // 指标名称: the column's title in the detail list
    QString field;     // 字段名称: the TGZ column
    QString type;      // 指标类型
    QString unique;    // 唯一性关键字段
    QString required;  // 必填字段
};

// The text the main window hands to the import: one line per importable column, "caption
// field CHAR N N", lines ended by CR LF. The columns are those the detail list shows from
// DepartName to KK15, the three totals left out.
//
// The last four tokens of a line are split off at its last blanks, and the caption is all
// that stands before them, so a caption holding blanks keeps its field.
class ImportFieldList {
  public:
    static QString Build(const DetailLayout& layout);
    static std::vector<ImportField> Parse(const QString& text);
};
