#include "TfrmSelectHisMonth.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "PayMonths.h"

TfrmSelectHisMonth::TfrmSelectHisMonth(const QStringList& months, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    setWindowTitle(QStringLiteral("选择历史发放月度"));
    setObjectName(QStringLiteral("frmSelectHisMonth"));
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("发放月度"), this);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    list_->addItems(months);
    if (!months.isEmpty()) list_->setCurrentRow(0);
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* choose =
        buttons->addButton(QStringLiteral("选中(&S)"), QDialogButtonBox::AcceptRole);
    choose->setObjectName(QStringLiteral("btnChoose"));
    choose->setDefault(true);
    buttons->addButton(QStringLiteral("取消(&X)"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("btnCancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmSelectHisMonth::choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &TfrmSelectHisMonth::choose);
    setFixedSize(240, 320);
}

void TfrmSelectHisMonth::choose() {
    // With nothing to choose the dialog stays open, as the user asked for a month.
    const QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    chosen_ = item->text();
    accept();
}

std::optional<QString> SelectHisMonth(Database& db, Prompter& prompter, QWidget* parent) {
    const std::optional<QStringList> months = PayMonths::HistoryMonths(db, prompter);
    if (!months) return std::nullopt;
    TfrmSelectHisMonth dialog(*months, parent);
    dialog.exec();
    return dialog.chosen();
}
