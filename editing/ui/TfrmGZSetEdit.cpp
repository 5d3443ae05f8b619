#include "TfrmGZSetEdit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "DialogParts.h"
#include "SalaryItemEditor.h"

TfrmGZSetEdit::TfrmGZSetEdit(Prompter& prompter, const QString& caption, int state, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    PrepareDialog(this, QStringLiteral("frmGZSetEdit"), QStringLiteral("修改工资设置"),
                  QSize(375, 118));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    PlaceLabel(this, QStringLiteral("工资项目名称"), QRect(12, 14, 80, 21), right);
    EditName = new QLineEdit(caption, this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setGeometry(98, 14, 260, 21);
    PlaceLabel(this, QStringLiteral("是否启用"), QRect(12, 44, 80, 21), right);
    cmbShowStu = new QComboBox(this);
    cmbShowStu->setObjectName(QStringLiteral("cmbShowStu"));
    cmbShowStu->addItems(SalaryItemEditor::stateNames());
    cmbShowStu->setCurrentIndex(state == 0 ? 0 : 1);
    cmbShowStu->setGeometry(98, 44, 100, 21);

    auto* save = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("保存(&S)"));
    auto* cancel = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 41, {save, cancel});
    connect(save, &QPushButton::clicked, this, &TfrmGZSetEdit::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(EditName, cmbShowStu);
    setTabOrder(cmbShowStu, save);
    setTabOrder(save, cancel);
    EditName->setFocus();
}

QString TfrmGZSetEdit::caption() const {
    return EditName->text();
}

int TfrmGZSetEdit::state() const {
    return cmbShowStu->currentIndex();
}

void TfrmGZSetEdit::Button1Click() {
    if (!SalaryItemEditor::CheckItemName(prompter_, EditName->text())) return;
    saved_ = true;
    accept();
}

bool ShowGZSetEdit(Prompter& prompter, QString& caption, int& state, QWidget* parent) {
    TfrmGZSetEdit dialog(prompter, caption, state, parent);
    dialog.exec();
    caption = dialog.caption();
    state = dialog.state();
    return dialog.saved();
}
