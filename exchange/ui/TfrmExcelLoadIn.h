#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "ExcelImport.h"

class Database;
class DetailLayout;
class Prompter;
class QComboBox;
class QGroupBox;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class SheetPreviewModel;

// "Excel数据导入工具": imports salary rows of one month from a sheet of an .xls or .xlsx file.
// The work is ExcelImport's; this dialog shows the file's sheets, the preview of the chosen
// sheet, the mapping grid, and forwards its buttons.
class TfrmExcelLoadIn : public QDialog {
    Q_OBJECT

  public:
    TfrmExcelLoadIn(Database& db, Prompter& prompter, const QString& month,
                    const QString& fieldList, QWidget* parent = nullptr);

    ExcelImport& logic() { return import_; }
    // The counts of the last import; nothing before one ran.
    const std::optional<ExcelImport::Summary>& lastSummary() const { return summary_; }

    // "选择来源Excel数据".
    void Button6Click();
    // A sheet chosen in "Excel文件所包含表名称".
    void cmbTablesClick(int index);
    // "对应设定": the sheet's columns pop up beside the button.
    void Button1Click();
    // "导入数据".
    void Button4Click();

    QTabWidget* PageControl1;
    QComboBox* cmbTables;
    QTableView* DBGridEh1;
    QGroupBox* GroupBox2;
    QTableWidget* Grid;
    QPushButton* Button1;
    QPushButton* Button6;
    QPushButton* Button4;
    QPushButton* Button3;
    QMenu* PopupMenu1;

    static constexpr int MaxPreviewColumnWidth = 100;

  private:
    void showMapping();
    void showSheets();
    void showPreview();
    void showButtons();

    ExcelImport import_;
    SheetPreviewModel* preview_;
    std::optional<ExcelImport::Summary> summary_;
};

// Opens the dialog for `month` with the field list, modally, and destroys it when it closes.
// True when rows were imported (an import ran). `setUp`, when given, sees the dialog before it
// is shown (tests).
bool ShowExcelLoadIn(Database& db, Prompter& prompter, const QString& month,
                     const QString& fieldList, QWidget* parent,
                     const std::function<void(TfrmExcelLoadIn&)>& setUp = {});

// The main window's "从Excel导入" (ToolButton7Click): with no month selected tells the user
// "请首先建立/选择工资发放月度！"; otherwise builds the field list from the detail list's layout
// and opens the dialog. True when the dialog was opened; the main window then reloads the
// month's list and recomputes its totals.
bool ExcelLoadInToolButton7Click(Database& db, Prompter& prompter, const QString& month,
                                 const DetailLayout& layout, QWidget* parent,
                                 const std::function<void(TfrmExcelLoadIn&)>& setUp = {});
