#include "TablePreviewWidget.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

#include "TablePreviewPainter.h"
#include "TfrmOutputSetup.h"

namespace {

constexpr double kZoomStep = 1.25;

// The PDF offered for a table: its title, without what a file name cannot hold.
QString proposedFile(const QString& caption) {
    QString name = caption.isEmpty() ? QStringLiteral("明细表") : caption;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]")),
                 QStringLiteral("_"));
    return QDir(QDir::homePath()).filePath(name + QStringLiteral(".pdf"));
}

}  // namespace

TablePreviewWidget::TablePreviewWidget(Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      prompter_(prompter),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      labelPage(new QLabel),
      btnPrint(new QPushButton(QStringLiteral("打印(&P)"))),
      btnReturn(new QPushButton(QStringLiteral("返回(&R)"))) {
    setObjectName(QStringLiteral("PPreview"));
    printer_->setFullPage(true);
    preview_ = new QPrintPreviewWidget(printer_.get(), this);
    preview_->setZoomMode(QPrintPreviewWidget::FitToWidth);

    // Tool buttons keep the bar within the window's 684 pixels.
    const auto tool = [](const QString& text) {
        auto* button = new QToolButton;
        button->setText(text);
        button->setAutoRaise(true);
        return button;
    };
    QToolButton* first = tool(QStringLiteral("首页"));
    QToolButton* previous = tool(QStringLiteral("上一页"));
    QToolButton* next = tool(QStringLiteral("下一页"));
    QToolButton* last = tool(QStringLiteral("末页"));
    QToolButton* zoomIn = tool(QStringLiteral("放大"));
    QToolButton* zoomOut = tool(QStringLiteral("缩小"));
    QToolButton* width = tool(QStringLiteral("适合宽度"));
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 0);
    bar->setSpacing(2);
    btnPrint->setAutoDefault(false);
    bar->addWidget(btnPrint);
    for (QToolButton* button : {first, previous, next, last, zoomIn, zoomOut, width}) {
        bar->addWidget(button);
    }
    bar->addSpacing(6);
    bar->addWidget(labelPage);
    bar->addStretch(1);
    btnReturn->setAutoDefault(false);
    bar->addWidget(btnReturn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(bar);
    layout->addWidget(preview_, 1);

    connect(preview_, &QPrintPreviewWidget::paintRequested, this,
            &TablePreviewWidget::paintRequested);
    connect(preview_, &QPrintPreviewWidget::previewChanged, this,
            &TablePreviewWidget::updatePageText);
    connect(first, &QToolButton::clicked, this, [this] { preview_->setCurrentPage(1); });
    connect(previous, &QToolButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->currentPage() - 1); });
    connect(next, &QToolButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->currentPage() + 1); });
    connect(last, &QToolButton::clicked, this,
            [this] { preview_->setCurrentPage(preview_->pageCount()); });
    connect(zoomIn, &QToolButton::clicked, this, [this] { preview_->zoomIn(kZoomStep); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { preview_->zoomOut(kZoomStep); });
    connect(width, &QToolButton::clicked, this, [this] { preview_->fitToWidth(); });
    connect(btnPrint, &QPushButton::clicked, this, &TablePreviewWidget::printClick);
    connect(btnReturn, &QPushButton::clicked, this, &TablePreviewWidget::OnReturn);
    btnPrint->setEnabled(false);
}

TablePreviewWidget::~TablePreviewWidget() = default;

void TablePreviewWidget::setPActive(bool active) {
    active_ = active;
    btnPrint->setEnabled(active);
    if (!active) return;
    painter_ = std::make_unique<TablePreviewPainter>(table_);
    printer_->setPageLayout(painter_->pageLayout());
    preview_->updatePreview();
}

int TablePreviewWidget::pageCount() const {
    return preview_->pageCount();
}

int TablePreviewWidget::currentPage() const {
    return preview_->currentPage();
}

QString TablePreviewWidget::pageText() const {
    return labelPage->text();
}

void TablePreviewWidget::paintRequested(QPrinter* printer) {
    if (painter_) painter_->print(*printer);
}

void TablePreviewWidget::printClick() {
    if (!painter_) return;
    // The preview is on screen already; the choice is between paper and a PDF file.
    TfrmOutputSetup setup(prompter_, proposedFile(table_.pCaption()), this);
    setup.printerButton()->setChecked(true);
    setup.previewButton()->setEnabled(false);
    setup.exec();
    if (!setup.result()) return;
    if (setup.result()->destination == OutputSetup::Destination::File) {
        TablePreviewPainter::writePdf(table_, setup.result()->fileName);
        return;
    }
    toPrinter(*setup.result());
}

void TablePreviewWidget::toPrinter(const OutputSetup& setup) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(table_.pCaption());
    printer.setFullPage(true);
    printer.setPageLayout(painter_->pageLayout());
    printer.setCopyCount(setup.copies);
    printer.setCollateCopies(setup.collate);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印"));
    if (dialog.exec() != QDialog::Accepted) return;
    painter_->print(printer);
}

void TablePreviewWidget::updatePageText() {
    labelPage->setText(
        QStringLiteral("第%1页/共%2页").arg(preview_->currentPage()).arg(preview_->pageCount()));
}
