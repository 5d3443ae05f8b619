#include "TfrmGZDetailEdit.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "CalculatorProgram.h"
#include "DialogParts.h"
#include "TfrmBMYCalcEdit.h"
#include "UiHelpers.h"

namespace {

constexpr int kColumnX[] = {16, 92, 168, 244, 320};
constexpr int kEarningLabelY[] = {16, 56, 97, 138, 178, 218};
constexpr int kEarningEditY[] = {32, 73, 114, 155, 195, 235};
constexpr int kDeductionLabelY[] = {13, 53, 93};
constexpr int kDeductionEditY[] = {29, 69, 109};
constexpr int kEditWidth = 70;
constexpr int kEditHeight = 20;
constexpr int kBoxHeight = 21;

// The number that names slot `slot` (from 1) of a group: earnings 1-10, 31-40, 51-60;
// deductions 11-15, 41-45, 71-75.
int controlNumber(SalaryRecordEditor::Group group, int slot) {
    if (group == SalaryRecordEditor::Group::Earnings) {
        return slot <= 10 ? slot : (slot <= 20 ? slot + 20 : slot + 30);
    }
    return slot <= 5 ? slot + 10 : (slot <= 10 ? slot + 35 : slot + 60);
}

QLineEdit* makeEdit(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    return edit;
}

QComboBox* makeCombo(QWidget* parent, const QString& name, const QRect& geometry) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    // The lists only offer choices; what is typed must not be added to them.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setGeometry(geometry);
    return combo;
}

void makeReadOnly(QLineEdit* edit) {
    edit->setReadOnly(true);
    SetInfoTipBackground(edit);
}

// Digits, the point and Backspace are all an amount edit takes.
bool isAmountCharacter(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u'\b';
}

void setTextIfDifferent(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) edit->setText(text);
}

}  // namespace

TfrmGZDetailEdit::TfrmGZDetailEdit(TDM& dm, Prompter& prompter, const TAppParams& params,
                                   qint64 recordId, const QString& month, QWidget* parent)
    : QDialog(parent), prompter_(prompter), editor_(dm, prompter, params, recordId, month) {
    PrepareDialog(this, QStringLiteral("frmGZDetailEdit"), QStringLiteral("新增/修改工资明细"),
                  QSize(563, 616));
    build();
}

QString TfrmGZDetailEdit::editName(Group group, int slot) {
    return QStringLiteral("MaskEdit%1").arg(controlNumber(group, slot));
}

QString TfrmGZDetailEdit::labelName(Group group, int slot) {
    return QStringLiteral("Label%1").arg(controlNumber(group, slot));
}

QPoint TfrmGZDetailEdit::labelPosition(Group group, int slot) {
    const int row = (slot - 1) / 5;
    const int x = kColumnX[(slot - 1) % 5];
    return {x, group == Group::Earnings ? kEarningLabelY[row] : kDeductionLabelY[row]};
}

QPoint TfrmGZDetailEdit::editPosition(Group group, int slot) {
    const int row = (slot - 1) / 5;
    const int x = kColumnX[(slot - 1) % 5];
    return {x, group == Group::Earnings ? kEarningEditY[row] : kDeductionEditY[row]};
}

QLineEdit* TfrmGZDetailEdit::amountEdit(Group group, int slot) const {
    return (group == Group::Earnings ? earningEdits_ : deductionEdits_).at(slot - 1);
}

QLabel* TfrmGZDetailEdit::amountLabel(Group group, int slot) const {
    return (group == Group::Earnings ? earningLabels_ : deductionLabels_).at(slot - 1);
}

void TfrmGZDetailEdit::build() {
    buildHeader();
    buildGroup(Group::Earnings, QStringLiteral("应发工资项目"), QRect(6, 90, 402, 266));
    Button3 =
        MakeButton(this, QStringLiteral("Button3"), QStringLiteral("应发工资不满1月自动计算"));
    Button3->setGeometry(414, 100, 143, 28);
    buildGroup(Group::Deductions, QStringLiteral("应扣代扣工资项目"), QRect(6, 360, 402, 140));
    Button4 = MakeButton(this, QStringLiteral("Button4"), QStringLiteral("调用系统计算器"));
    Button4->setGeometry(414, 370, 143, 28);
    buildFooter();
    setFocusOrder();
}

void TfrmGZDetailEdit::buildHeader() {
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    PlaceLabel(this, QStringLiteral("月度"), QRect(6, 10, 28, kBoxHeight), right);
    EditMonth = makeEdit(this, QStringLiteral("EditMonth"), QRect(38, 10, 96, kBoxHeight));
    makeReadOnly(EditMonth);
    PlaceLabel(this, QStringLiteral("部门"), QRect(142, 10, 28, kBoxHeight), right);
    cmbDepart = makeCombo(this, QStringLiteral("cmbDepart"), QRect(174, 10, 130, kBoxHeight));
    PlaceLabel(this, QStringLiteral("编码"), QRect(312, 10, 28, kBoxHeight), right);
    EditBM = makeEdit(this, QStringLiteral("EditBM"), QRect(344, 10, 96, kBoxHeight));

    PlaceLabel(this, QStringLiteral("姓名"), QRect(6, 37, 28, kBoxHeight), right);
    cmbEmpName = makeCombo(this, QStringLiteral("cmbEmpName"), QRect(38, 37, 96, kBoxHeight));
    PlaceLabel(this, QStringLiteral("职务"), QRect(142, 37, 28, kBoxHeight), right);
    cmbZWName = makeCombo(this, QStringLiteral("cmbZWName"), QRect(174, 37, 130, kBoxHeight));

    LabelCount = PlaceLabel(this, QStringLiteral("出勤天数"), QRect(6, 64, 52, kBoxHeight), right,
                            QStringLiteral("LabelCount"));
    EditWorkDays = makeEdit(this, QStringLiteral("EditWorkDays"), QRect(62, 64, 54, kBoxHeight));
    PlaceLabel(this, QStringLiteral("出勤小时"), QRect(120, 64, 52, kBoxHeight), right);
    EditWorkHours = makeEdit(this, QStringLiteral("EditWorkHours"), QRect(176, 64, 58, kBoxHeight));
    LabelRate = PlaceLabel(this, QStringLiteral("工资/天"), QRect(236, 64, 70, kBoxHeight), right,
                           QStringLiteral("LabelRate"));
    EditOneDayMOney =
        makeEdit(this, QStringLiteral("EditOneDayMOney"), QRect(310, 64, 74, kBoxHeight));
    EditOneDayMOney->setAttribute(Qt::WA_InputMethodEnabled, false);
    Button5 =
        MakeButton(this, QStringLiteral("Button5"), QStringLiteral("第一应发项目=出勤时间X单价"));
    Button5->setGeometry(390, 62, 167, 25);
}

QGroupBox* TfrmGZDetailEdit::buildGroup(Group group, const QString& caption,
                                        const QRect& geometry) {
    auto* box = MakeGroupBox(
        this,
        group == Group::Earnings ? QStringLiteral("GroupBoxYF") : QStringLiteral("GroupBoxKK"),
        caption, geometry);
    auto& edits = group == Group::Earnings ? earningEdits_ : deductionEdits_;
    auto& labels = group == Group::Earnings ? earningLabels_ : deductionLabels_;
    for (int slot = 1; slot <= SalaryRecordEditor::slotCount(group); ++slot) {
        auto* label = PlaceLabel(box, QString(), QRect(labelPosition(group, slot), QSize(74, 15)),
                                 Qt::AlignLeft | Qt::AlignVCenter, labelName(group, slot));
        auto* edit = makeEdit(box, editName(group, slot),
                              QRect(editPosition(group, slot), QSize(kEditWidth, kEditHeight)));
        // An amount takes digits only; an input method would bypass the key filter.
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        labels.push_back(label);
        edits.push_back(edit);
    }
    return box;
}

void TfrmGZDetailEdit::buildFooter() {
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    PlaceLabel(this, QStringLiteral("应发合计"), QRect(6, 508, 52, kBoxHeight), right);
    EditYF = makeEdit(this, QStringLiteral("EditYF"), QRect(62, 508, 90, kBoxHeight));
    PlaceLabel(this, QStringLiteral("应扣合计"), QRect(158, 508, 52, kBoxHeight), right);
    EditKK = makeEdit(this, QStringLiteral("EditKK"), QRect(214, 508, 90, kBoxHeight));
    PlaceLabel(this, QStringLiteral("实发工资"), QRect(310, 508, 52, kBoxHeight), right);
    EditSF = makeEdit(this, QStringLiteral("EditSF"), QRect(366, 508, 90, kBoxHeight));
    for (QLineEdit* total : {EditYF, EditKK, EditSF}) makeReadOnly(total);

    PlaceLabel(this, QStringLiteral("备注信息"), QRect(6, 534, 52, kBoxHeight), right);
    EditQM = makeEdit(this, QStringLiteral("EditQM"), QRect(62, 534, 349, kBoxHeight));
    PlaceLabel(this, QStringLiteral("电子邮件"), QRect(6, 560, 52, kBoxHeight), right);
    EditEMail = makeEdit(this, QStringLiteral("EditEMail"), QRect(62, 560, 210, kBoxHeight));
    PlaceLabel(this, QStringLiteral("需要自动发送电子工资条时设定"),
               QRect(278, 560, 200, kBoxHeight));

    Button1 = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("保存(&S)"));
    Button2 = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 32, {Button1, Button2});
    connect(Button1, &QPushButton::clicked, this, &TfrmGZDetailEdit::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, &TfrmGZDetailEdit::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmGZDetailEdit::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TfrmGZDetailEdit::Button5Click);
}

void TfrmGZDetailEdit::setFocusOrder() {
    std::vector<QWidget*> order{EditMonth, cmbDepart, EditBM, cmbEmpName, cmbZWName};
    order.insert(order.end(), earningEdits_.begin(), earningEdits_.end());
    order.insert(order.end(), deductionEdits_.begin(), deductionEdits_.end());
    order.insert(order.end(),
                 {EditYF, EditKK, EditSF, Button1, Button2, Button3, Button4, EditWorkDays,
                  EditWorkHours, EditOneDayMOney, Button5, EditQM, EditEMail});
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
    // The form sees every key first: Enter moves on, amount edits drop what is no amount.
    for (QWidget* control : order) {
        control->installEventFilter(this);
        if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->lineEdit()->installEventFilter(this);
    }
}

void TfrmGZDetailEdit::connectBoxes() {
    auto& form = editor_.form;
    const auto bindCombo = [this](QComboBox* combo, QString& target) {
        connect(combo, &QComboBox::editTextChanged, this,
                [&target](const QString& text) { target = text; });
    };
    const auto bindEdit = [this](QLineEdit* edit, QString& target) {
        connect(edit, &QLineEdit::textChanged, this,
                [&target](const QString& text) { target = text; });
    };
    bindCombo(cmbDepart, form.department);
    bindCombo(cmbEmpName, form.name);
    bindCombo(cmbZWName, form.position);
    bindEdit(EditBM, form.code);
    bindEdit(EditQM, form.remark);
    bindEdit(EditEMail, form.email);
    bindEdit(EditWorkDays, form.count);
    bindEdit(EditWorkHours, form.hours);
    bindEdit(EditOneDayMOney, form.rate);
    for (Group group : {Group::Earnings, Group::Deductions}) {
        for (int slot = 1; slot <= SalaryRecordEditor::slotCount(group); ++slot) {
            const int index = slot - 1;
            connect(
                amountEdit(group, slot), &QLineEdit::textChanged, this,
                [this, group, index](const QString& text) { amountChanged(group, index, text); });
        }
    }
}

bool TfrmGZDetailEdit::ReadyData() {
    if (!editor_.ReadyData()) return false;
    const AttendanceFormat& attendance = editor_.attendance();
    LabelRate->setText(attendance.rateCaption);
    LabelCount->setText(attendance.countCaption);
    EditWorkDays->setInputMask(attendance.countMask);
    EditWorkHours->setInputMask(attendance.hoursMask);
    EditWorkHours->setEnabled(attendance.hoursEnabled);
    SetBaseColour(EditWorkHours,
                  attendance.hoursEnabled ? QColor(Qt::white) : QColor(128, 128, 128));
    SetEditFormat();
    // The boxes are filled first and only then report their changes, so that setting a mask or
    // a pick list cannot overwrite a loaded value.
    loadForm();
    connectBoxes();
    pullForm();
    cmbDepart->setFocus();
    return true;
}

void TfrmGZDetailEdit::SetEditFormat() {
    const QString& mask = editor_.amountMask();
    EditOneDayMOney->setInputMask(mask);
    for (auto* edits : {&earningEdits_, &deductionEdits_}) {
        for (QLineEdit* edit : *edits) edit->setInputMask(mask);
    }
}

void TfrmGZDetailEdit::loadForm() {
    const SalaryRecordEditor::Form& form = editor_.form;
    EditMonth->setText(form.month);
    const auto fill = [](QComboBox* combo, const QStringList& items, const QString& text) {
        combo->clear();
        combo->addItems(items);
        combo->setEditText(text);
    };
    fill(cmbDepart, editor_.departments(), form.department);
    fill(cmbEmpName, editor_.names(), form.name);
    fill(cmbZWName, editor_.positions(), form.position);
    EditBM->setText(form.code);
    EditEMail->setText(form.email);
    EditQM->setText(form.remark);
    EditOneDayMOney->setText(form.rate);
    EditWorkHours->setText(form.hours);
    EditWorkDays->setText(form.count);
    showSlots();
}

// The boxes may have reshaped what they received (a mask keeps the digits it has room for):
// what they show now is the row as opened.
void TfrmGZDetailEdit::pullForm() {
    auto& form = editor_.form;
    form.department = cmbDepart->currentText();
    form.name = cmbEmpName->currentText();
    form.position = cmbZWName->currentText();
    form.code = EditBM->text();
    form.email = EditEMail->text();
    form.remark = EditQM->text();
    form.rate = EditOneDayMOney->text();
    form.hours = EditWorkHours->text();
    form.count = EditWorkDays->text();
    for (Group group : {Group::Earnings, Group::Deductions}) {
        for (int slot = 1; slot <= SalaryRecordEditor::slotCount(group); ++slot) {
            editor_.setSlotText(group, slot - 1, amountEdit(group, slot)->text());
        }
    }
    editor_.markTextsAsLoaded();
    showTotals();
}

void TfrmGZDetailEdit::showSlots() {
    for (Group group : {Group::Earnings, Group::Deductions}) {
        for (int slot = 1; slot <= SalaryRecordEditor::slotCount(group); ++slot) {
            const AmountSlot& amount = editor_.slot(group, slot - 1);
            QLabel* label = amountLabel(group, slot);
            QLineEdit* edit = amountEdit(group, slot);
            label->setText(amount.caption);
            label->setVisible(amount.bound);
            edit->setVisible(amount.bound);
            setTextIfDifferent(edit, amount.text);
        }
    }
    showTotals();
}

void TfrmGZDetailEdit::showTotals() {
    EditYF->setText(editor_.earningsTotal());
    EditKK->setText(editor_.deductionsTotal());
    EditSF->setText(editor_.netPay());
}

void TfrmGZDetailEdit::amountChanged(Group group, int index, const QString& text) {
    editor_.setSlotText(group, index, text);
    showTotals();
}

void TfrmGZDetailEdit::Button1Click() {
    const bool saved = editor_.SaveData();
    // An empty position became one blank, also when the save then failed.
    if (cmbZWName->currentText() != editor_.form.position) {
        cmbZWName->setEditText(editor_.form.position);
    }
    showTotals();
    if (saved) accept();
}

void TfrmGZDetailEdit::Button3Click() {
    const bool changed = editor_.Button3Click([this](double& required, double& worked) {
        return ShowBMYCalcEdit(prompter_, required, worked, this);
    });
    if (changed) showSlots();
}

void TfrmGZDetailEdit::Button4Click() {
    // Without a calculator program on this computer the button simply does nothing.
    CalculatorProgram::start();
}

void TfrmGZDetailEdit::Button5Click() {
    if (editor_.Button5Click()) showSlots();
}

bool TfrmGZDetailEdit::filterAmountKey(QObject* watched, QKeyEvent* event) const {
    const bool amountBox =
        watched == EditOneDayMOney ||
        std::find(earningEdits_.begin(), earningEdits_.end(), watched) != earningEdits_.end() ||
        std::find(deductionEdits_.begin(), deductionEdits_.end(), watched) != deductionEdits_.end();
    if (!amountBox) return false;
    for (const QChar c : event->text()) {
        // Control characters (Backspace, Ctrl+C and the like) are keys, not characters typed.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) continue;
        if (!isAmountCharacter(c)) return true;
    }
    return false;
}

bool TfrmGZDetailEdit::FormKeyDown(QObject* watched, QKeyEvent* key) {
    QWidget* control = qobject_cast<QWidget*>(watched);
    // The line edit of a combo box moves on as its combo box.
    if (control && qobject_cast<QComboBox*>(control->parentWidget())) {
        control = control->parentWidget();
    }
    // Buttons keep Enter for pressing themselves.
    if (control && !qobject_cast<QPushButton*>(control) && EnterToNextControl(control, key)) {
        return true;
    }
    return filterAmountKey(watched, key);
}

bool TfrmGZDetailEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        return FormKeyDown(watched, static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::FocusIn) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A masked box would put the cursor on its first blank; taking the whole text lets the
        // clerk type the new amount over the old one.
        if (edit && !edit->inputMask().isEmpty() && reason != Qt::MouseFocusReason) {
            QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool ShowGZDetailEdit(TDM& dm, Prompter& prompter, const TAppParams& params, qint64 recordId,
                      const QString& month, QWidget* parent) {
    TfrmGZDetailEdit dialog(dm, prompter, params, recordId, month, parent);
    if (!dialog.ReadyData()) return false;
    dialog.exec();
    return dialog.saved();
}
