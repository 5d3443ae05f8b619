#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class DetailLayout;
class Prompter;
class RecordSet;

// A list exported to a spreadsheet: the visible columns of a detail layout and every row of
// its record set, as the detail list and the statistics window show them.
//
// The sheet: row 1 holds a single-level title in a cell merged with the one below it, and the
// group of a two-level title ("应发工资|基本工资": the text before the first bar); row 2 the
// rest of a two-level title. The earnings group is merged across row 1 from its first column
// to "应发工资|合计", the deductions group likewise to "应扣/代扣工资|合计". Rows from 3 hold
// the records in the order shown; amounts are numbers, so the user can sum them. Hidden
// columns leave no gap. Every cell is styled as XlsxWorkbookWriter describes.
//
// The group merges follow the spreadsheet's own rule: a group whose total column is hidden
// cannot be merged, and that failure also leaves the merges after it undone. A group range
// that would overlap a cell merged before it fails the same way.
class GridExcelExport {
  public:
    using Opener = std::function<bool(const QString& path)>;

    // Writes the workbook to `path`, replacing a file there only once the new one is
    // complete. `title` becomes the document title. Throws SpreadsheetError.
    static void write(const QString& path, const QString& title, const DetailLayout& layout,
                      const RecordSet& rows);

    // The export command: a closed record set tells the user
    // "查询过程没有执行，没有数据库可以发送！"; otherwise the workbook is written into `folder`
    // under a new name made from `title` and handed to `open`. When that fails the user is told
    // "系统不能连接到Excel,请确认Excel是否安装！" with the file's path. A file that cannot be
    // written is told with the reason. Gives the written file's path.
    static std::optional<QString> ExportGridToExcel(Prompter& prompter, const QString& title,
                                                    const DetailLayout& layout,
                                                    const RecordSet& rows, const QString& folder,
                                                    const Opener& open);

    // The temporary folder the window program exports into.
    static QString exportFolder();
    // The desktop's program for .xlsx files opens the file; false when none could be started.
    static bool openWithDesktop(const QString& path);
    // A file in `folder` not there yet: the title (characters not allowed in file names
    // replaced by "_"), the time and ".xlsx".
    static QString fileNameFor(const QString& folder, const QString& title, const QDateTime& at);
};
