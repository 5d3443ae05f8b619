#include "TfrmPassSet.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "DialogParts.h"

namespace {

QLineEdit* passwordEdit(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setGeometry(geometry);
    return edit;
}

}  // namespace

TfrmPassSet::TfrmPassSet(Database& db, Prompter& prompter, TAppParams& params, QWidget* parent)
    : QDialog(parent), settings_(db, prompter, params) {
    PrepareDialog(this, QStringLiteral("frmPassSet"), QStringLiteral("参数修改密码设置"),
                  QSize(615, 139));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    PlaceLabel(this, QStringLiteral("原密码"), QRect(6, 14, 64, 21), right);
    EditOldPass = passwordEdit(this, QStringLiteral("EditOldPass"), QRect(74, 14, 81, 21));
    PlaceLabel(this, QStringLiteral("初始密码为746"), QRect(162, 14, 90, 21));
    PlaceLabel(this, QStringLiteral("新密码"), QRect(6, 42, 64, 21), right);
    EditNewPass = passwordEdit(this, QStringLiteral("EditNewPass"), QRect(74, 42, 160, 21));
    PlaceLabel(this, QStringLiteral("确认新密码"), QRect(6, 70, 64, 21), right);
    EditConfirm = passwordEdit(this, QStringLiteral("EditConfirm"), QRect(74, 70, 160, 21));

    auto* hint = MakeGroupBox(this, QStringLiteral("GroupBox1"), QStringLiteral("提示"),
                              QRect(252, 4, 357, 92));
    auto* text = new QPlainTextEdit(hint);
    text->setObjectName(QStringLiteral("Memo1"));
    text->setReadOnly(true);
    text->setFocusPolicy(Qt::NoFocus);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont larger = text->font();
    larger.setPointSize(11);
    text->setFont(larger);
    text->setPlainText(PasswordSettings::hintLines().join(u'\n'));
    text->setGeometry(6, 18, 345, 68);

    auto* ok = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("确认(&E)"));
    auto* cancel = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 41, {ok, cancel});
    connect(ok, &QPushButton::clicked, this, &TfrmPassSet::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(EditOldPass, EditNewPass);
    setTabOrder(EditNewPass, EditConfirm);
    setTabOrder(EditConfirm, ok);
    setTabOrder(ok, cancel);
    EditOldPass->setFocus();
}

void TfrmPassSet::Button1Click() {
    using Outcome = PasswordSettings::Outcome;
    switch (settings_.CheckPass(EditOldPass->text(), EditNewPass->text(), EditConfirm->text())) {
        case Outcome::Close:
            accept();
            return;
        case Outcome::ClearNew:
            EditNewPass->clear();
            EditConfirm->clear();
            return;
        case Outcome::ClearOld:
            EditOldPass->clear();
            EditOldPass->setFocus();
            return;
        case Outcome::Stay:
            return;
    }
}

bool ShowPassSet(Database& db, Prompter& prompter, TAppParams& params, QWidget* parent) {
    TfrmPassSet dialog(db, prompter, params, parent);
    dialog.exec();
    return true;
}
