#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "AppState.h"
#include "GZCount.h"

class Database;
class DetailGrid;
class Prompter;
class QListWidget;
class QPushButton;

// Exports a grid titled `title` to a spreadsheet; whatever it throws is the export's failure.
using GridExport = std::function<void(const QString& title, DetailGrid& grid, DetailList& list)>;

// "工资统计": the pay months to check on the left ("工资月度选择"), the rows of every checked
// month in the grid of the detail list with the sums in its footer, "打印明细表" (the table
// preview titled "工资统计"), "发送Excel" (the export, when one is given) and "关闭(&X)".
class TfrmGZCount : public QDialog {
    Q_OBJECT

  public:
    TfrmGZCount(Database& db, Prompter& prompter, const TAppParams& params,
                GridExport exportGrid = {}, QWidget* parent = nullptr);
    ~TfrmGZCount() override;

    // Fills the month list, newest first, nothing checked.
    void ReadyMonth();
    // The checked months from the top of the list down.
    QStringList checkedMonths() const;

    GZCount& count() { return count_; }
    QListWidget* chkList;
    DetailGrid* grid;
    QPushButton* btnPrint;
    QPushButton* btnExcel;
    QPushButton* btnClose;

  private:
    void rebuild();
    void printClick();
    void excelClick();

    Prompter& prompter_;
    TAppParams params_;
    GridExport export_;
    GZCount count_;
};

// The toolbar's "工资统计": opens the window modally and frees it when it closes. `exportGrid`
// makes "发送Excel" work; without it the button stays disabled.
void ShowGZCount(Database& db, Prompter& prompter, const TAppParams& params, QWidget* parent,
                 GridExport exportGrid = {});
