#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include "DetailList.h"
#include "PasswordAsker.h"
#include "PayMonths.h"

class Prompter;
class QAbstractButton;
class QAction;
class QGroupBox;
class QMenu;
class DetailGrid;
class QTableView;
class RecordSetModel;
class QToolBar;
class TDM;

// The main window: the toolbar, the pay months on the left and the salary rows of the selected
// month on the right. Every other function is a modal dialog opened from here; afterwards the
// window reloads what the dialog may have changed.
class TfrmMainGZT : public QMainWindow {
    Q_OBJECT

  public:
    // Reads the vendor texts from IIS.INI below AppPath and the parameters from `dm`; AppPath is
    // set before the window is built.
    TfrmMainGZT(TDM& dm, Prompter& prompter, QWidget* parent = nullptr);
    ~TfrmMainGZT() override;

    // Display format of the amounts, "0" or "0.00", for the detail grid.
    QString floatFormat() const { return floatFormat_; }
    bool firstActivation() const { return FirstActivation; }

    QString detailCaption() const;
    void setDetailCaption(const QString& month);
    // Texts of the toolbar's commands, left to right, without separators.
    QStringList toolbarCaptions() const;

    QToolBar* toolBar() const { return ToolBar1; }
    QMenu* databaseMenu() const { return PopupMenuDatabase; }
    QMenu* helpMenu() const { return PopupMenuHelp; }
    QMenu* printMenu() const { return PopupMenu4; }
    QMenu* detailMenu() const { return PopupMenuDetail; }
    QGroupBox* monthBox() const { return GroupBox1; }
    QGroupBox* detailBox() const { return GroupBox2; }
    QTableView* monthGrid() const { return DBGridEh1; }
    DetailGrid* detailGrid() const { return DBGridEh2; }
    PayMonths& months() { return months_; }
    DetailList& detailList() { return list_; }
    // The buttons below the detail grid, left to right.
    QList<QAbstractButton*> detailButtons() const { return detailButtons_; }

  private:
    void buildToolBar();
    QWidget* buildMonthBox();
    QWidget* buildDetailBox();
    QAction* addToolAction(const QString& objectName, const QString& text, QIcon icon);

    // Vendor texts, caption, parameters: the steps of the window's creation.
    void FormCreate();
    void SetFloatFormat();
    void N13Click();

    // The selected month changed: its rows are loaded and the list re-captioned.
    void dsGZMonthAfterScroll();
    void showMonths(bool loadRows);
    void showDetail();
    std::optional<QString> chooseHistoryMonth();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button9Click();
    void deleteDetailClick();
    void copyEmployeeClick();
    void batchDeleteClick();
    void titleClick(int position);
    bool requireMonth();
    void openRecordEditor(qint64 id);
    void addDetailClick();
    void editDetailClick();
    void ToolButton21Click();
    void ToolButton1Click();
    void ToolButton8Click();
    void MenuItem1Click();
    void MenuItem2Click();
    void N2Click();
    void printPayslips(bool selectedOnly);
    void Button7Click();
    void Button14Click();
    void Button13Click();
    void sendToExcel();
    void ToolButton7Click();
    PasswordAsker passwordBox();
    // Restore and data clearing end the program; a refused login too.
    void endProgram();
    // The first activation asks for the login password.
    void FormActivate();

  protected:
    bool event(QEvent* event) override;

  private:
    TDM& dm_;
    Prompter& prompter_;
    QString floatFormat_;
    bool FirstActivation = false;

    QToolBar* ToolBar1 = nullptr;
    QMenu* PopupMenuDatabase = nullptr;
    QMenu* PopupMenuHelp = nullptr;
    QMenu* PopupMenu4 = nullptr;
    QMenu* PopupMenuDetail = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QTableView* DBGridEh1 = nullptr;
    DetailGrid* DBGridEh2 = nullptr;
    PayMonths months_;
    DetailList list_;
    RecordSetModel* monthModel_ = nullptr;
    QList<QAbstractButton*> detailButtons_;
};
