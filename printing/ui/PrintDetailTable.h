#pragma once

#include <QString>

class DetailGrid;
class DetailList;
class Prompter;
class QWidget;

// "打印明细表" (Button7): narrows the amount columns GZ1 to KK2 of the list, and of `grid` on
// screen, to their captions; previews the list's table titled `title` (the caption of the
// list's group box); then sets those columns to 52 pixels, also when the list is not loaded
// ("无查询结果！").
void PrintDetailTable(Prompter& prompter, const QString& title, DetailList& list, DetailGrid& grid,
                      QWidget* parent);

// "列表打印-打印选定行" (N6): the rows selected in `grid`, every row when none is selected, as a
// table in Qt's print preview, from which the user prints. The footer row counts and sums the
// rows printed. Returns the number of rows in the preview.
int PrintSelectedGridRows(const DetailGrid& grid, const DetailList& list, QWidget* parent);
