#include "TfrmBMYCalcEdit.h"

#include <QLineEdit>
#include <QPushButton>

#include "AttendanceDays.h"
#include "DialogParts.h"

TfrmBMYCalcEdit::TfrmBMYCalcEdit(Prompter& prompter, double worked, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    PrepareDialog(this, QStringLiteral("frmBMYCalcEdit"),
                  QStringLiteral("应发工资不满1月自动计算参数"), QSize(408, 126));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    PlaceLabel(this, QStringLiteral("本月应上班天数"), QRect(40, 18, 110, 21), right);
    EditTotalDay = new QLineEdit(this);
    EditTotalDay->setObjectName(QStringLiteral("EditTotalDay"));
    EditTotalDay->setGeometry(158, 18, 60, 21);
    EditTotalDay->setInputMask(QStringLiteral("00;_"));
    EditTotalDay->setText(AttendanceDays::initialRequiredText());

    PlaceLabel(this, QStringLiteral("本月实际上班天数"), QRect(40, 50, 110, 21), right);
    EditTrueDay = new QLineEdit(this);
    EditTrueDay->setObjectName(QStringLiteral("EditTrueDay"));
    EditTrueDay->setGeometry(158, 50, 60, 21);
    EditTrueDay->setInputMask(QStringLiteral("00.00;_"));
    EditTrueDay->setText(AttendanceDays::workedText(worked));

    auto* ok = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("确认(&E)"));
    auto* cancel = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 41, {ok, cancel});
    connect(ok, &QPushButton::clicked, this, &TfrmBMYCalcEdit::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(EditTotalDay, EditTrueDay);
    setTabOrder(EditTrueDay, ok);
    setTabOrder(ok, cancel);
    EditTotalDay->setFocus();
    // The proposed days are typed over, not added to.
    EditTotalDay->selectAll();
}

double TfrmBMYCalcEdit::requiredDays() const {
    return AttendanceDays::value(EditTotalDay->text());
}

double TfrmBMYCalcEdit::workedDays() const {
    return AttendanceDays::value(EditTrueDay->text());
}

void TfrmBMYCalcEdit::Button1Click() {
    if (!AttendanceDays::Button1Click(prompter_, EditTotalDay->text(), EditTrueDay->text())) {
        return;
    }
    confirmed_ = true;
    accept();
}

bool ShowBMYCalcEdit(Prompter& prompter, double& required, double& worked, QWidget* parent) {
    TfrmBMYCalcEdit dialog(prompter, worked, parent);
    dialog.exec();
    required = dialog.requiredDays();
    worked = dialog.workedDays();
    return dialog.confirmed();
}
