#include "TfrmParaSet.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include "DialogParts.h"

namespace {

constexpr int kRowHeight = 21;
constexpr int kRowStep = 30;
constexpr int kFieldX = 150;

QComboBox* makeList(QWidget* parent, const QString& name, const QStringList& items,
                    const QRect& geometry) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    list->setGeometry(geometry);
    // Long entries are read in full in the open list.
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
    return list;
}

QRect row(int index, int x, int width) {
    return QRect(x, 14 + index * kRowStep, width, kRowHeight);
}

}  // namespace

TfrmParaSet::TfrmParaSet(TDM& dm, Prompter& prompter, TAppParams& params, QWidget* parent)
    : QDialog(parent), settings_(dm, prompter, params) {
    PrepareDialog(this, QStringLiteral("frmParaSet"), QStringLiteral("基本参数设置"),
                  QSize(419, 314));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const auto label = [&](int index, const QString& text) {
        PlaceLabel(this, text, row(index, 6, kFieldX - 12), right);
    };
    label(0, QStringLiteral("公司名称"));
    EditEntName = new QLineEdit(this);
    EditEntName->setObjectName(QStringLiteral("EditEntName"));
    EditEntName->setGeometry(row(0, kFieldX, 255));

    label(1, QStringLiteral("纸张高度"));
    EditBillHeight = new QLineEdit(this);
    EditBillHeight->setObjectName(QStringLiteral("EditBillHeight"));
    EditBillHeight->setInputMask(QStringLiteral("000.00;_"));
    EditBillHeight->setGeometry(row(1, kFieldX, 62));
    PlaceLabel(this, QStringLiteral("毫米"), row(1, kFieldX + 66, 30));
    Button1 = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("标准高度"));
    Button1->setGeometry(row(1, kFieldX + 100, 75).adjusted(0, -2, 0, 2));
    PopupMenu1 = new QMenu(this);
    for (const PaperPreset& preset : ParameterSettings::paperPresets()) {
        const double height = preset.height;
        PopupMenu1->addAction(preset.name, this, [this, height] {
            EditBillHeight->setText(ParameterSettings::heightText(height));
        });
    }
    connect(Button1, &QPushButton::clicked, this, &TfrmParaSet::Button1Click);

    label(2, QStringLiteral("打印出勤时间及单价"));
    cmbPrintDays = makeList(this, QStringLiteral("cmbPrintDays"),
                            ParameterSettings::printDaysItems(), row(2, kFieldX, 182));
    PlaceLabel(this, QStringLiteral("单位"), row(2, kFieldX + 184, 28), right);
    cmbJJUnit = new QComboBox(this);
    cmbJJUnit->setObjectName(QStringLiteral("cmbJJUnit"));
    cmbJJUnit->setEditable(true);
    cmbJJUnit->setInsertPolicy(QComboBox::NoInsert);
    cmbJJUnit->addItems(ParameterSettings::unitSuggestions());
    cmbJJUnit->setGeometry(row(2, kFieldX + 214, 55));

    label(3, QStringLiteral("是否显示和打印小数"));
    cmbShowFloat = makeList(this, QStringLiteral("cmbShowFloat"),
                            ParameterSettings::showFloatItems(), row(3, kFieldX, 255));
    label(4, QStringLiteral("是否显示和打印序号"));
    cmbShowXH = makeList(this, QStringLiteral("cmbShowXH"), ParameterSettings::showXHItems(),
                         row(4, kFieldX, 255));
    label(5, QStringLiteral("标题上打印部门以及姓名"));
    cmbNameOnTitle = makeList(this, QStringLiteral("cmbNameOnTitle"),
                              ParameterSettings::nameOnTitleItems(), row(5, kFieldX, 255));

    label(6, QStringLiteral("顶 边 距"));
    UpDownTopPos = new QSpinBox(this);
    UpDownTopPos->setObjectName(QStringLiteral("UpDownTopPos"));
    UpDownTopPos->setRange(ParameterSettings::MinTopPos, ParameterSettings::MaxTopPos);
    UpDownTopPos->setSingleStep(1);
    UpDownTopPos->setGeometry(row(6, kFieldX, 62));
    PlaceLabel(this, QStringLiteral("X 0.1英寸"), row(6, kFieldX + 66, 80));

    auto* save = MakeButton(this, QStringLiteral("cmdSH"), QStringLiteral("保存(&S)"));
    auto* cancel = MakeButton(this, QStringLiteral("cmdCancel"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 41, {save, cancel});
    connect(save, &QPushButton::clicked, this, &TfrmParaSet::cmdSHClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // EditEntNameKeyDown: Enter in the name saves.
    connect(EditEntName, &QLineEdit::returnPressed, this, &TfrmParaSet::cmdSHClick);

    FormCreate();
    EditEntName->setFocus();
}

void TfrmParaSet::FormCreate() {
    showValues(settings_.FormCreate());
}

void TfrmParaSet::showValues(const ParameterValues& values) {
    EditEntName->setText(values.EntName);
    EditBillHeight->setText(values.BillHeight);
    cmbPrintDays->setCurrentIndex(values.PrintDays);
    cmbJJUnit->setEditText(values.JJUnit);
    cmbShowFloat->setCurrentIndex(values.ShowFloat);
    cmbShowXH->setCurrentIndex(values.ShowXH);
    cmbNameOnTitle->setCurrentIndex(values.NameOnTitle);
    UpDownTopPos->setValue(values.TopPos);
}

ParameterValues TfrmParaSet::values() const {
    ParameterValues values;
    values.EntName = EditEntName->text();
    values.BillHeight = EditBillHeight->text();
    values.PrintDays = cmbPrintDays->currentIndex();
    values.JJUnit = cmbJJUnit->currentText();
    values.ShowFloat = cmbShowFloat->currentIndex();
    values.ShowXH = cmbShowXH->currentIndex();
    values.NameOnTitle = cmbNameOnTitle->currentIndex();
    values.TopPos = UpDownTopPos->value();
    return values;
}

void TfrmParaSet::Button1Click() {
    PopupMenu1->popup(Button1->mapToGlobal(QPoint(0, Button1->height())));
}

void TfrmParaSet::cmdSHClick() {
    ParameterValues shown = values();
    const bool stored = settings_.cmdSHClick(shown);
    // The trimmed name and a blank unit show even when the save was refused.
    EditEntName->setText(shown.EntName);
    if (cmbJJUnit->currentText() != shown.JJUnit) cmbJJUnit->setEditText(shown.JJUnit);
    if (!stored) return;
    saved_ = true;
    accept();
}

void ShowParaSet(TDM& dm, Prompter& prompter, TAppParams& params, QWidget* parent) {
    TfrmParaSet dialog(dm, prompter, params, parent);
    dialog.exec();
}
