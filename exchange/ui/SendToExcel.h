#pragma once

#include <QString>
#include <optional>

#include "GridExcelExport.h"

class DetailLayout;
class Prompter;
class QWidget;
class RecordSet;

// "发送到&Excel" and "发送Excel" of the main window, "发送Excel" of the statistics window: the
// grid showing `rows` is disabled while GridExcelExport::ExportGridToExcel writes them into the
// export folder and hands the file to the desktop's spreadsheet program, and enabled again
// afterwards. Gives the written file's path, nothing when no file was written (the user has
// been told why).
std::optional<QString> SendToExcel(
    Prompter& prompter, const QString& title, const DetailLayout& layout, const RecordSet& rows,
    QWidget* grid, const GridExcelExport::Opener& open = GridExcelExport::openWithDesktop);
