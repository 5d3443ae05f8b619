#pragma once

#include <QDialog>

#include "ReportRenderer.h"

class QLabel;
class QPushButton;

// "状态": shows which page is being generated or printed, and lets the user stop the output.
class TfrmReportStatus : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmReportStatus(QWidget* parent = nullptr);

    // A progress report for the renderer that shows `pattern` with %p replaced by the page
    // number ("Generating page %p", "Printing page %p") and says stop once cancelled.
    ReportRenderer::Progress progress(const QString& pattern);

    QString statusText() const;
    bool cancelled() const { return cancelled_; }
    QPushButton* cancelButton() const { return btnCancel; }

    // Escape and the close button stop the output like the cancel button; the window stays
    // until its owner is done.
    void reject() override { cancelled_ = true; }

  private:
    QLabel* labelStatus;
    QPushButton* btnCancel;
    bool cancelled_ = false;
};
