#include "TfrmExcelLoadIn.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>

#include "DialogParts.h"
#include "ImportFieldList.h"
#include "Prompter.h"
#include "SheetPreviewModel.h"

namespace {

constexpr int kExcelColumn = 5;

QTableWidgetItem* readOnlyItem(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TfrmExcelLoadIn::TfrmExcelLoadIn(Database& db, Prompter& prompter, const QString& month,
                                 const QString& fieldList, QWidget* parent)
    : QDialog(parent), import_(db, prompter, month, fieldList) {
    PrepareDialog(this, QStringLiteral("frmExcelLoadIn"), QStringLiteral("Excel数据导入工具"),
                  QSize(760, 560));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(6, 6, 748, 262);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(page, QStringLiteral("请选择用于导入的Excel文件"));
    PlaceLabel(page, QStringLiteral("Excel文件所包含表名称"), QRect(8, 10, 136, 22));
    cmbTables = new QComboBox(page);
    cmbTables->setObjectName(QStringLiteral("cmbTables"));
    cmbTables->setGeometry(146, 10, 220, 22);
    cmbTables->setEnabled(false);
    Button6 = MakeButton(page, QStringLiteral("Button6"), QStringLiteral("选择来源Excel数据"));
    Button6->setGeometry(380, 8, 130, 25);
    DBGridEh1 = new QTableView(page);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setGeometry(8, 40, 726, 186);
    DBGridEh1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->verticalHeader()->setDefaultSectionSize(20);
    // Titles wider than their capped column show their beginning.
    DBGridEh1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    preview_ = new SheetPreviewModel(DBGridEh1);
    DBGridEh1->setModel(preview_);

    GroupBox2 = MakeGroupBox(this, QStringLiteral("GroupBox2"), QStringLiteral("字段对应设置"),
                             QRect(6, 274, 748, 236));
    Grid = new QTableWidget(GroupBox2);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setGeometry(8, 18, 386, 210);
    Grid->setColumnCount(6);
    Grid->setHorizontalHeaderLabels({QStringLiteral("指标名称"), QStringLiteral("字段名称"),
                                     QStringLiteral("指标类型"), QStringLiteral("唯一性关键字段"),
                                     QStringLiteral("必填字段"), QStringLiteral("对应Excel列")});
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(20);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->horizontalHeader()->setStretchLastSection(false);
    const int widths[] = {147, 64, 52, 0, 0, 99};
    for (int c = 0; c < 6; ++c) Grid->setColumnWidth(c, widths[c]);
    // The two flags are carried but not shown.
    Grid->setColumnHidden(3, true);
    Grid->setColumnHidden(4, true);
    Button1 = MakeButton(GroupBox2, QStringLiteral("Button1"), QStringLiteral("对应设定"));
    Button1->setGeometry(402, 18, 90, 25);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

    Button4 = MakeButton(this, QStringLiteral("Button4"), QStringLiteral("导入数据"));
    Button3 = MakeButton(this, QStringLiteral("Button3"), QStringLiteral("退出(&X)"));
    PlaceButtonPanel(this, 41, {Button4, Button3});

    connect(Button6, &QPushButton::clicked, this, &TfrmExcelLoadIn::Button6Click);
    connect(cmbTables, &QComboBox::activated, this, &TfrmExcelLoadIn::cmbTablesClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmExcelLoadIn::Button1Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmExcelLoadIn::Button4Click);
    // Escape rejects the dialog, as "退出(&X)" does.
    connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

    showMapping();
    // As in a string grid, there is always a current row for "对应设定" to fill.
    if (Grid->rowCount() > 0) Grid->selectRow(0);
    showButtons();
}

void TfrmExcelLoadIn::showMapping() {
    const auto& mapping = import_.mapping();
    const int current = Grid->currentRow();
    Grid->setRowCount(int(mapping.size()));
    for (int row = 0; row < int(mapping.size()); ++row) {
        const ExcelImport::MappingRow& m = mapping[row];
        const QString texts[] = {m.caption, m.field, m.type, m.unique, m.required, m.excelColumn};
        for (int c = 0; c < 6; ++c) Grid->setItem(row, c, readOnlyItem(texts[c]));
    }
    if (current >= 0 && current < Grid->rowCount()) Grid->selectRow(current);
}

void TfrmExcelLoadIn::showSheets() {
    const QSignalBlocker blocker(cmbTables);
    cmbTables->clear();
    cmbTables->addItems(import_.sheetNames());
    cmbTables->setCurrentIndex(import_.currentSheet());
}

void TfrmExcelLoadIn::showPreview() {
    preview_->setTable(import_.sharedTable());
    DBGridEh1->resizeColumnsToContents();
    for (int c = 0; c < preview_->columnCount(); ++c) {
        if (DBGridEh1->columnWidth(c) > MaxPreviewColumnWidth)
            DBGridEh1->setColumnWidth(c, MaxPreviewColumnWidth);
    }
}

void TfrmExcelLoadIn::showButtons() {
    cmbTables->setEnabled(import_.sheetChoiceEnabled());
    Button4->setEnabled(import_.importEnabled());
}

void TfrmExcelLoadIn::Button6Click() {
    // Cancelled, opened, or refused: the dialog shows what the import holds now.
    import_.Button6Click();
    showSheets();
    showPreview();
    showMapping();
    showButtons();
}

void TfrmExcelLoadIn::cmbTablesClick(int index) {
    import_.cmbTablesClick(index);
    showPreview();
    showMapping();
    showButtons();
}

void TfrmExcelLoadIn::Button1Click() {
    const std::optional<QStringList> columns = import_.Button1Click();
    if (!columns) return;
    PopupMenu1->clear();
    for (const QString& name : *columns) {
        QAction* action = PopupMenu1->addAction(QString(name).replace(u'&', QStringLiteral("&&")));
        action->setData(name);
    }
    QAction* chosen = PopupMenu1->exec(Button1->mapToGlobal(QPoint(Button1->width(), 0)));
    if (!chosen) return;
    const int row = Grid->currentRow();
    if (row < 0) return;
    import_.setExcelColumn(row, chosen->data().toString());
    showMapping();
}

void TfrmExcelLoadIn::Button4Click() {
    const auto summary = import_.Button4Click();
    if (summary) summary_ = summary;
    showButtons();
}

bool ShowExcelLoadIn(Database& db, Prompter& prompter, const QString& month,
                     const QString& fieldList, QWidget* parent,
                     const std::function<void(TfrmExcelLoadIn&)>& setUp) {
    TfrmExcelLoadIn dialog(db, prompter, month, fieldList, parent);
    if (setUp) setUp(dialog);
    dialog.exec();
    return dialog.lastSummary().has_value();
}

bool ExcelLoadInToolButton7Click(Database& db, Prompter& prompter, const QString& month,
                                 const DetailLayout& layout, QWidget* parent,
                                 const std::function<void(TfrmExcelLoadIn&)>& setUp) {
    if (month.isEmpty()) {
        prompter.warning(QStringLiteral("请首先建立/选择工资发放月度！"));
        return false;
    }
    ShowExcelLoadIn(db, prompter, month, ImportFieldList::Build(layout), parent, setUp);
    return true;
}
