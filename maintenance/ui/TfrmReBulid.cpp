#include "TfrmReBulid.h"
#include "LoginPassword.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "DataClearing.h"

namespace {

QPlainTextEdit* warningText(QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QStringLiteral("EditWarm"));
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setPlainText(
        QStringLiteral("    系统重建将会将系统中所有信息清除，本功能仅用\n"
                       "于对期初测试、熟悉系统所产生的测试数据的清除。\n"
                       "    在执行本功能之前，建议首先在服务端备份数据库\n"
                       "。若由于没有备份数据而造成损失，开发商概不负责。"));
    QFont font = memo->font();
    font.setPixelSize(15);
    memo->setFont(font);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Text, Qt::red);
    memo->setPalette(palette);
    // Room for the four lines and a little air, so that no scroll bar appears.
    const int margins = 2 * (memo->frameWidth() + int(memo->document()->documentMargin()));
    memo->setFixedHeight(int(4.6 * QFontMetrics(font).lineSpacing()) + margins);
    return memo;
}

}  // namespace

TfrmReBulid::TfrmReBulid(DataClearing& clearing, QWidget* parent)
    : QDialog(parent), clearing_(clearing) {
    setObjectName(QStringLiteral("frmReBulid"));
    setWindowTitle(QStringLiteral("系统重建"));

    auto* group = new QGroupBox(QStringLiteral("警告！！！"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(warningText(group));

    cmkYW = new QCheckBox(QStringLiteral("清除业务数据"), this);
    cmkYW->setObjectName(QStringLiteral("cmkYW"));

    auto* cmdSH = new QPushButton(QStringLiteral("系统重建"), this);
    cmdSH->setObjectName(QStringLiteral("cmdSH"));
    // Enter must never start the clearing by itself.
    cmdSH->setAutoDefault(false);
    auto* cmdCancel = new QPushButton(QStringLiteral("取消(&X)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdSH, &QPushButton::clicked, this, &TfrmReBulid::cmdSHClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSH);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(cmkYW);
    layout->addLayout(buttons);
    setFixedSize(440, sizeHint().height());
}

void TfrmReBulid::cmdSHClick() {
    if (clearing_.cmdSHClick(cmkYW->isChecked()) != DataClearing::Outcome::Cleared) return;
    cleared_ = true;
    accept();
}

bool ShowReBulid(Database& db, Prompter& prompter, const QString& appPath, const QString& logPass,
                 const PasswordAsker& ask, QWidget* parent) {
    if (!LoginPassword::Check(
            logPass, LoginPassword::adminPrompt(),
            [&ask](const QString& caption, const QString&) { return ask(caption); }, prompter)) {
        return false;
    }
    DataClearing clearing(db, prompter, appPath);
    TfrmReBulid dialog(clearing, parent);
    dialog.exec();
    return dialog.cleared();
}
