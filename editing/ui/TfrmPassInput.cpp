#include "TfrmPassInput.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DialogParts.h"

TfrmPassInput::TfrmPassInput(const QString& caption, const QString& prompt, QWidget* parent)
    : QDialog(parent) {
    PrepareDialog(this, QStringLiteral("frmPassInput"), caption, QSize(380, 96));
    LabelPrompt = PlaceLabel(this, prompt, QRect(6, 8, 369, 16), Qt::AlignLeft | Qt::AlignVCenter,
                             QStringLiteral("Label1"));
    EditPass = new QLineEdit(this);
    EditPass->setObjectName(QStringLiteral("EditPass"));
    EditPass->setEchoMode(QLineEdit::Password);
    EditPass->setGeometry(6, 28, 369, 21);

    auto* ok = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("确认(&E)"));
    auto* cancel = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    ok->setGeometry(212, 62, 75, 25);
    cancel->setGeometry(295, 62, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(EditPass, ok);
    setTabOrder(ok, cancel);
    EditPass->setFocus();
}

QString TfrmPassInput::text() const {
    return EditPass->text();
}

QString InputPass(const QString& caption, const QString& prompt, QWidget* parent) {
    TfrmPassInput box(caption, prompt, parent);
    box.exec();
    return box.text();
}

LoginPassword::Asker PasswordBox(QWidget* parent) {
    return [parent](const QString& caption, const QString& prompt) {
        return InputPass(caption, prompt, parent);
    };
}
