#include "TfrmPreview.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include "DetailGrid.h"
#include "DetailList.h"
#include "Prompter.h"
#include "TablePreviewWidget.h"

TfrmPreview::TfrmPreview(Prompter& prompter, QWidget* parent)
    : QDialog(parent), PPreview(new TablePreviewWidget(prompter, this)) {
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("打印预览窗口"));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PPreview);
    resize(684, 424);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    connect(PPreview, &TablePreviewWidget::OnReturn, this, &TfrmPreview::PPreviewReturn);
}

void TfrmPreview::ReadyData1(const QString& title, const DetailGrid& grid, const DetailList& list) {
    DetailTable::ReadyData1(PPreview->table(), title, list,
                            grid.view()->verticalHeader()->defaultSectionSize());
}

void TfrmPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PPreview->setPActive(true);
}

void TfrmPreview::PPreviewReturn() {
    accept();
}

bool ShowGridPreview(Prompter& prompter, const QString& title, const DetailGrid& grid,
                     const DetailList& list, QWidget* parent) {
    if (!list.loaded()) {
        prompter.warning(QStringLiteral("无查询结果！"));
        return false;
    }
    TfrmPreview preview(prompter, parent);
    preview.ReadyData1(title, grid, list);
    preview.exec();
    return true;
}
