#pragma once

#include <QDialog>
#include <QString>

#include "DetailTable.h"

class DetailGrid;
class DetailList;
class Prompter;
class TablePreviewWidget;

// "打印预览窗口": the table preview control filling the window. The window closes when the
// user leaves the preview.
class TfrmPreview : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmPreview(Prompter& prompter, QWidget* parent = nullptr);

    // Fills the control from a list grid and its rows.
    void ReadyData1(const QString& title, const DetailGrid& grid, const DetailList& list);
    static int GetMaxTitleRow(const QString& title) { return DetailTable::GetMaxTitleRow(title); }

    TablePreviewWidget* PPreview;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void PPreviewReturn();
};

// Opens the preview of a list grid titled `title` and returns once it was closed: true when the
// window was shown, false with "无查询结果！" when the list is not loaded.
bool ShowGridPreview(Prompter& prompter, const QString& title, const DetailGrid& grid,
                     const DetailList& list, QWidget* parent);
