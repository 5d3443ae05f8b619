#include "TfrmOutputSetup.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "Prompter.h"

TfrmOutputSetup::TfrmOutputSetup(Prompter& prompter, const QString& proposedFile, QWidget* parent)
    : QDialog(parent),
      prompter_(prompter),
      rbPreview(new QRadioButton(QStringLiteral("打印预览(&V)"))),
      rbPrinter(new QRadioButton(QStringLiteral("打印机(&P)"))),
      rbFile(new QRadioButton(QStringLiteral("PDF文件(&F)"))),
      editFile(new QLineEdit(proposedFile)),
      btnBrowse(new QPushButton(QStringLiteral("浏览(&B)..."))),
      spinCopies(new QSpinBox),
      checkCollate(new QCheckBox(QStringLiteral("逐份打印(&C)"))),
      btnOk(new QPushButton(QStringLiteral("确认(&E)"))),
      btnCancel(new QPushButton(QStringLiteral("取消(&X)"))) {
    setWindowTitle(QStringLiteral("打印设置"));
    setObjectName(QStringLiteral("frmOutputSetup"));

    auto* destination = new QGroupBox(QStringLiteral("输出到"));
    auto* destinationLayout = new QGridLayout(destination);
    destinationLayout->addWidget(rbPreview, 0, 0, 1, 3);
    destinationLayout->addWidget(rbPrinter, 1, 0, 1, 3);
    destinationLayout->addWidget(rbFile, 2, 0);
    destinationLayout->addWidget(editFile, 2, 1);
    destinationLayout->addWidget(btnBrowse, 2, 2);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* button : {rbPreview, rbPrinter, rbFile}) group->addButton(button);
    rbPreview->setChecked(true);

    auto* copies = new QGroupBox(QStringLiteral("份数"));
    auto* copiesLayout = new QHBoxLayout(copies);
    spinCopies->setRange(1, 999);
    spinCopies->setValue(1);
    checkCollate->setChecked(true);
    copiesLayout->addWidget(new QLabel(QStringLiteral("打印份数：")));
    copiesLayout->addWidget(spinCopies);
    copiesLayout->addWidget(checkCollate);
    copiesLayout->addStretch(1);

    auto* panel = new QHBoxLayout;
    panel->addStretch(1);
    panel->addWidget(btnOk);
    panel->addWidget(btnCancel);
    btnOk->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(destination);
    layout->addWidget(copies);
    layout->addLayout(panel);

    connect(group, &QButtonGroup::buttonToggled, this, &TfrmOutputSetup::destinationChanged);
    connect(editFile, &QLineEdit::textChanged, this, &TfrmOutputSetup::destinationChanged);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmOutputSetup::browseClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmOutputSetup::confirmClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    destinationChanged();
    setFixedSize(420, 240);
}

void TfrmOutputSetup::destinationChanged() {
    const bool toFile = rbFile->isChecked();
    editFile->setEnabled(toFile);
    btnBrowse->setEnabled(toFile);
    // Copies only mean something on paper; a file is written once.
    spinCopies->setEnabled(!toFile);
    checkCollate->setEnabled(!toFile);
    btnOk->setEnabled(!toFile || !editFile->text().trimmed().isEmpty());
}

void TfrmOutputSetup::browseClick() {
    const std::optional<QString> chosen = prompter_.chooseSaveFile(
        QStringLiteral("保存为PDF文件"), editFile->text(), QStringLiteral("PDF文件|*.pdf"));
    if (chosen && !chosen->isEmpty()) editFile->setText(*chosen);
}

void TfrmOutputSetup::confirmClick() {
    OutputSetup setup;
    if (rbPrinter->isChecked()) setup.destination = OutputSetup::Destination::Printer;
    if (rbFile->isChecked()) {
        setup.destination = OutputSetup::Destination::File;
        setup.fileName = editFile->text().trimmed();
        if (setup.fileName.isEmpty()) return;
    }
    setup.copies = spinCopies->value();
    setup.collate = checkCollate->isChecked();
    result_ = setup;
    accept();
}

std::optional<OutputSetup> ShowOutputSetup(Prompter& prompter, const QString& proposedFile,
                                           QWidget* parent) {
    TfrmOutputSetup dialog(prompter, proposedFile, parent);
    dialog.exec();
    return dialog.result();
}
