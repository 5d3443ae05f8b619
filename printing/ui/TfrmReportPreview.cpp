#include "TfrmReportPreview.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "ReportRenderer.h"
#include "TfrmReportStatus.h"

namespace {

constexpr double kZoomStep = 1.25;

}  // namespace

TfrmReportPreview::TfrmReportPreview(const ReportRenderer& renderer, std::function<bool()> print,
                                     QWidget* parent)
    : QDialog(parent),
      renderer_(renderer),
      print_(std::move(print)),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      labelPage(new QLabel),
      btnPrint(new QPushButton(QStringLiteral("打印(&P)"))),
      btnClose(new QPushButton(QStringLiteral("关闭(&C)"))) {
    setWindowTitle(QStringLiteral("打印预览"));
    setObjectName(QStringLiteral("frmReportPreview"));
    setModal(true);
    printer_->setFullPage(true);
    if (renderer_.pageCount() > 0) printer_->setPageLayout(renderer_.pageLayout(0));
    preview_ = new QPrintPreviewWidget(printer_.get(), this);
    preview_->setZoomMode(QPrintPreviewWidget::CustomZoom);
    preview_->setZoomFactor(1.0);

    auto* first = new QPushButton(QStringLiteral("首页"));
    auto* previous = new QPushButton(QStringLiteral("上一页"));
    auto* next = new QPushButton(QStringLiteral("下一页"));
    auto* last = new QPushButton(QStringLiteral("末页"));
    auto* zoomIn = new QPushButton(QStringLiteral("放大"));
    auto* zoomOut = new QPushButton(QStringLiteral("缩小"));
    auto* actual = new QPushButton(QStringLiteral("100%"));
    auto* bar = new QHBoxLayout;
    for (QPushButton* button : {btnPrint, first, previous, next, last, zoomIn, zoomOut, actual}) {
        bar->addWidget(button);
    }
    bar->addWidget(labelPage);
    bar->addStretch(1);
    bar->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(preview_, 1);

    connect(preview_, &QPrintPreviewWidget::paintRequested, this,
            &TfrmReportPreview::paintRequested);
    connect(preview_, &QPrintPreviewWidget::previewChanged, this,
            &TfrmReportPreview::updatePageText);
    connect(first, &QPushButton::clicked, this, [this] { preview_->setCurrentPage(1); });
    connect(previous, &QPushButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
    connect(next, &QPushButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
    connect(last, &QPushButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->pageCount()); });
    connect(zoomIn, &QPushButton::clicked, this, [this] { preview_->zoomIn(kZoomStep); });
    connect(zoomOut, &QPushButton::clicked, this, [this] { preview_->zoomOut(kZoomStep); });
    connect(actual, &QPushButton::clicked, this, [this] {
        preview_->setZoomMode(QPrintPreviewWidget::CustomZoom);
        preview_->setZoomFactor(1.0);
    });
    connect(btnPrint, &QPushButton::clicked, this, &TfrmReportPreview::printClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(1000, screen.width() * 9 / 10), std::min(800, screen.height() * 9 / 10));
}

TfrmReportPreview::~TfrmReportPreview() = default;

int TfrmReportPreview::pageCount() const {
    return preview_->pageCount();
}

int TfrmReportPreview::currentPage() const {
    return preview_->currentPage();
}

double TfrmReportPreview::zoomFactor() const {
    return preview_->zoomFactor();
}

QString TfrmReportPreview::pageText() const {
    return labelPage->text();
}

void TfrmReportPreview::paintRequested(QPrinter* printer) {
    TfrmReportStatus status(this);
    renderer_.print(*printer, status.progress(QStringLiteral("Generating page %p")));
}

void TfrmReportPreview::printClick() {
    // The preview stays open after printing, so further copies can follow.
    if (print_ && print_()) printed_ = true;
}

void TfrmReportPreview::updatePageText() {
    labelPage->setText(
        QStringLiteral("第%1页/共%2页").arg(preview_->currentPage()).arg(preview_->pageCount()));
}
