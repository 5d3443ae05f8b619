#include "TfrmGZBaseSet.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <algorithm>

#include "DialogParts.h"
#include "TfrmGZSetEdit.h"

namespace {

// Shown: 序号, 工资项目名称, 是否启用; kept but hidden: ID, GZField1, GZType.
enum Column { SortIdx, GZName, ShowStu, ID, GZField1, GZType, ColumnCount };

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

TfrmGZBaseSet::TfrmGZBaseSet(Database& db, Prompter& prompter, const QString& month,
                             QWidget* parent)
    : QDialog(parent), prompter_(prompter), editor_(db, prompter, month) {
    PrepareDialog(this, QStringLiteral("frmGZBaseSet"), QStringLiteral("基本工资项目设置"),
                  QSize(890, 464));
    PlaceLabel(this, QStringLiteral("所属月度"), QRect(12, 12, 52, 21));
    EditMonth = new QLineEdit(month, this);
    EditMonth->setObjectName(QStringLiteral("EditMonth"));
    EditMonth->setReadOnly(true);
    SetInfoTipBackground(EditMonth);
    EditMonth->setGeometry(68, 12, 110, 21);
    PlaceLabel(
        this,
        QStringLiteral("BASE为基本的工资项，新增月度后，则可为指定月度设置与基本项不同的工资项。"),
        QRect(196, 12, 680, 21));
    DBGridEarnings = buildGroup(Group::Earnings, QStringLiteral("应发工资项目(最多30项)"), 8);
    DBGridDeductions =
        buildGroup(Group::Deductions, QStringLiteral("应扣(代扣)工资项目(最多15项)"), 449);

    auto* save = MakeButton(this, QStringLiteral("Button1"), QStringLiteral("保存(&S)"));
    auto* cancel = MakeButton(this, QStringLiteral("Button2"), QStringLiteral("取消(&X)"));
    PlaceButtonPanel(this, 41, {save, cancel});
    connect(save, &QPushButton::clicked, this, &TfrmGZBaseSet::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QTableWidget* TfrmGZBaseSet::buildGroup(Group group, const QString& caption, int x) {
    const bool earnings = group == Group::Earnings;
    auto* box =
        MakeGroupBox(this, earnings ? QStringLiteral("GroupBox1") : QStringLiteral("GroupBox2"),
                     caption, QRect(x, 42, 433, 372));

    auto* grid = new QTableWidget(0, ColumnCount, box);
    grid->setObjectName(earnings ? QStringLiteral("DBGridEh1") : QStringLiteral("DBGridEh2"));
    grid->setGeometry(10, 20, 300, 342);
    grid->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("工资项目名称"),
                                     QStringLiteral("是否启用"), QStringLiteral("ID"),
                                     QStringLiteral("GZField1"), QStringLiteral("GZType")});
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setColumnWidth(SortIdx, 35);
    grid->setColumnWidth(GZName, 148);
    grid->setColumnWidth(ShowStu, 57);
    for (int hidden : {ID, GZField1, GZType}) grid->setColumnHidden(hidden, true);
    connect(grid, &QTableWidget::cellDoubleClicked, this, [this, group] { modify(group); });

    auto* button = MakeButton(box, earnings ? QStringLiteral("Button3") : QStringLiteral("Button4"),
                              QStringLiteral("修改(&E)"));
    button->setGeometry(322, 20, 90, 25);
    connect(button, &QPushButton::clicked, this, [this, group] { modify(group); });
    return grid;
}

QTableWidget* TfrmGZBaseSet::grid(Group group) const {
    return group == Group::Earnings ? DBGridEarnings : DBGridDeductions;
}

bool TfrmGZBaseSet::ReadyData() {
    if (!editor_.ReadyData()) return false;
    EditMonth->setText(editor_.month());
    showItems(Group::Earnings);
    showItems(Group::Deductions);
    return true;
}

void TfrmGZBaseSet::showItems(Group group) {
    QTableWidget* table = grid(group);
    const int current = table->currentRow();
    const std::vector<EditableSalaryItem>& items = editor_.items(group);
    table->setRowCount(int(items.size()));
    for (int row = 0; row < int(items.size()); ++row) {
        const EditableSalaryItem& item = items[row];
        table->setItem(row, SortIdx, cell(QString::number(item.sortIdx)));
        table->setItem(row, GZName, cell(item.name));
        table->setItem(row, ShowStu, cell(SalaryItemEditor::stateText(item.showStu)));
        table->setItem(row, ID, cell(QString::number(item.id)));
        table->setItem(row, GZField1, cell(item.field));
        table->setItem(row, GZType, cell(QString::number(item.type)));
    }
    if (!items.empty()) table->selectRow(std::clamp(current, 0, int(items.size()) - 1));
}

void TfrmGZBaseSet::modify(Group group) {
    const int row = grid(group)->currentRow();
    const auto dialog = [this](QString& caption, int& state) {
        return ShowGZSetEdit(prompter_, caption, state, this);
    };
    if (editor_.modify(group, row, dialog)) showItems(group);
}

void TfrmGZBaseSet::Button1Click() {
    if (editor_.SaveData()) accept();
}

bool ShowGZBaseSet(Database& db, Prompter& prompter, const QString& month, QWidget* parent) {
    TfrmGZBaseSet dialog(db, prompter, month, parent);
    if (!dialog.ReadyData()) return false;
    dialog.exec();
    return dialog.saved();
}
