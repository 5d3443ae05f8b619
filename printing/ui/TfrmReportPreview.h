#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;
class ReportRenderer;

// "打印预览": the pages of a report at 100 %, page by page, with zoom, printing and closing.
class TfrmReportPreview : public QDialog {
    Q_OBJECT

  public:
    // `print` prints the report when the user asks for it and says whether it did.
    TfrmReportPreview(const ReportRenderer& renderer, std::function<bool()> print,
                      QWidget* parent = nullptr);
    ~TfrmReportPreview() override;

    bool printed() const { return printed_; }
    int pageCount() const;
    int currentPage() const;
    double zoomFactor() const;
    QString pageText() const;

    QPrintPreviewWidget* preview() const { return preview_; }
    QPushButton* printButton() const { return btnPrint; }
    QPushButton* closeButton() const { return btnClose; }

  private:
    void paintRequested(QPrinter* printer);
    void printClick();
    void updatePageText();

    const ReportRenderer& renderer_;
    std::function<bool()> print_;
    std::unique_ptr<QPrinter> printer_;
    QPrintPreviewWidget* preview_;
    QLabel* labelPage;
    QPushButton* btnPrint;
    QPushButton* btnClose;
    bool printed_ = false;
};
