#pragma once

#include <QString>
#include <vector>

class Database;
class DetailList;
class Prompter;
class QWidget;
struct TAppParams;

// "打印工资条" of the main window: "全部打印" (N7) with `selectedOnly` false, "打印选定行" (N8)
// with it set and the rows selected in the detail grid (view positions of the list; none
// means the current row). Shows "打印设置", then the preview, printer or file. True when
// something was printed. ReportError and DatabaseError reach the caller for the general error
// box.
bool PrintPayslips(Database& db, Prompter& prompter, const QString& appPath, DetailList& list,
                   const TAppParams& params, const std::vector<int>& selectedRows,
                   bool selectedOnly, QWidget* parent);
