#pragma once

#include <QWidget>
#include <memory>

#include "TablePreview.h"

class Prompter;
class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;
class TablePreviewPainter;
struct OutputSetup;

// The table preview control: holds the table its caller fills through table(), shows its pages
// once it is made active, prints them ("打印设置": the printer or a PDF file) and raises OnReturn
// when the user leaves the preview.
class TablePreviewWidget : public QWidget {
    Q_OBJECT

  public:
    explicit TablePreviewWidget(Prompter& prompter, QWidget* parent = nullptr);
    ~TablePreviewWidget() override;

    TablePreview& table() { return table_; }
    const TablePreview& table() const { return table_; }

    // True lays the table out as it stands and shows its pages.
    void setPActive(bool active);
    bool pActive() const { return active_; }

    // The layout shown, or none before the control was made active.
    const TablePreviewPainter* pages() const { return painter_.get(); }
    int pageCount() const;
    int currentPage() const;
    QString pageText() const;

    QPrintPreviewWidget* preview() const { return preview_; }
    QPushButton* printButton() const { return btnPrint; }
    QPushButton* returnButton() const { return btnReturn; }

  signals:
    void OnReturn();

  private:
    void paintRequested(QPrinter* printer);
    void printClick();
    void toPrinter(const OutputSetup& setup);
    void updatePageText();

    Prompter& prompter_;
    TablePreview table_;
    std::unique_ptr<TablePreviewPainter> painter_;
    std::unique_ptr<QPrinter> printer_;
    QPrintPreviewWidget* preview_;
    QLabel* labelPage;
    QPushButton* btnPrint;
    QPushButton* btnReturn;
    bool active_ = false;
};
