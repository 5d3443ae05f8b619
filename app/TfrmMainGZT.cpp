#include "TfrmMainGZT.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <QCoreApplication>
#include <QEvent>

#include <QScopeGuard>

#include "AppState.h"
#include "DatabaseBackup.h"
#include "DatabaseRestore.h"
#include "DetailGrid.h"
#include "MonthCopy.h"
#include "PrintDetailTable.h"
#include "PrintPayslips.h"
#include "Prompter.h"
#include "Pub.h"
#include "RecordSetModel.h"
#include "RunLogin.h"
#include "SalaryStructure.h"
#include "SendToExcel.h"
#include "TDM.h"
#include "TfrmAbout.h"
#include "TfrmEleEleGZBill.h"
#include "TfrmExcelLoadIn.h"
#include "TfrmGZBaseSet.h"
#include "TfrmGZCount.h"
#include "TfrmGZDetailEdit.h"
#include "TfrmParaSet.h"
#include "TfrmPassInput.h"
#include "TfrmPassSet.h"
#include "TfrmPosPrint.h"
#include "TfrmReBulid.h"
#include "TfrmSelectHisMonth.h"
#include "Updater.h"

namespace {

QAction* addMenuAction(QMenu* menu, const QString& objectName, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(objectName);
    return action;
}

QPushButton* addButton(QWidget* parent, const QString& objectName, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

void configureGrid(QTableView* grid, QAbstractItemView::SelectionMode mode) {
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(mode);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->verticalHeader()->hide();
}

}  // namespace

TfrmMainGZT::TfrmMainGZT(TDM& dm, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent),
      dm_(dm),
      prompter_(prompter),
      floatFormat_(QStringLiteral("0")),
      months_(dm.ADOLocal, prompter),
      list_(dm.ADOLocal, prompter) {
    setObjectName(QStringLiteral("frmMainGZT"));
    buildToolBar();

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(buildMonthBox());
    layout->addWidget(buildDetailBox(), 1);
    setCentralWidget(central);
    resize(1024, 700);

    FormCreate();
}

TfrmMainGZT::~TfrmMainGZT() {
    // The grids read months_ and list_ until they are gone. ~QWidget would delete them only
    // after those members, and closing a shown window there still measures the grids' titles.
    delete takeCentralWidget();
}

void TfrmMainGZT::FormCreate() {
    AppParams.TopPos = 2;
    VendorInfo = ReadyPara(AppPath);
    const QString caption = VendorInfo.Brand + QStringLiteral("工资条制作打印软件");
    // The display name first: the platform appends it to window titles that differ from it.
    QGuiApplication::setApplicationDisplayName(caption);
    setWindowTitle(caption);
    AppParams.LogPass.clear();
    SalaryStructure::StructUpdate(dm_.ADOLocal);
    // When the parameters cannot be read at all, the grid keeps its own whole-number format.
    if (LoadRegPara(dm_, AppParams)) SetFloatFormat();
    months_.ReadyMonth();
    // Opening the list loads the newest month; an empty list loads nothing.
    showMonths(!months_.isEmpty());
    FirstActivation = true;
}

void TfrmMainGZT::SetFloatFormat() {
    floatFormat_ = AmountFormat(AppParams);
    list_.layout.setAmountFormat(floatFormat_);
    DBGridEh2->refresh();
}

void TfrmMainGZT::showMonths(bool loadRows) {
    monthModel_->reload();
    if (!months_.isEmpty()) {
        const QSignalBlocker blocker(DBGridEh1->selectionModel());
        DBGridEh1->selectRow(months_.dsGZMonth.recNo());
    }
    if (loadRows) dsGZMonthAfterScroll();
}

void TfrmMainGZT::dsGZMonthAfterScroll() {
    // A month list that could not be opened loads nothing, so a missing database is told once.
    if (months_.dsGZMonth.isOpen()) list_.ReadyGZList(months_.currentMonth(), AppParams.PrintDays);
    showDetail();
}

void TfrmMainGZT::showDetail() {
    DBGridEh2->refresh();
    GroupBox2->setTitle(list_.caption());
}

std::optional<QString> TfrmMainGZT::chooseHistoryMonth() {
    return SelectHisMonth(dm_.ADOLocal, prompter_, this);
}

void TfrmMainGZT::Button1Click() {
    if (months_.Button1Click([this] { return chooseHistoryMonth(); })) showMonths(true);
}

void TfrmMainGZT::Button2Click() {
    if (months_.Button2Click()) showMonths(true);
}

void TfrmMainGZT::Button3Click() {
    // Even when no month is left: the list then shows the empty month "月度[]".
    if (months_.Button3Click()) showMonths(true);
}

void TfrmMainGZT::Button9Click() {
    const bool hasRows = list_.loaded() && !list_.dsGZDetail.isEmpty();
    if (MonthCopy::Button9Click(dm_.ADOLocal, prompter_, months_.currentMonth(), hasRows,
                                [this] { return chooseHistoryMonth(); })) {
        dsGZMonthAfterScroll();
    }
}

bool TfrmMainGZT::requireMonth() {
    if (!months_.isEmpty()) return true;
    prompter_.warning(QStringLiteral("请首先增加月度！"));
    return false;
}

void TfrmMainGZT::openRecordEditor(qint64 id) {
    if (ShowGZDetailEdit(dm_, prompter_, AppParams, id, months_.currentMonth(), this)) {
        const int row = list_.dsGZDetail.recNo();
        dsGZMonthAfterScroll();
        if (row >= 0 && row < list_.dsGZDetail.recordCount()) DBGridEh2->setCurrentRow(row);
    }
}

void TfrmMainGZT::addDetailClick() {
    if (requireMonth()) openRecordEditor(-1);
}

void TfrmMainGZT::editDetailClick() {
    if (!requireMonth()) return;
    // An empty list opens the editor on no row, which then works as for a new one.
    const bool hasRow = list_.loaded() && !list_.dsGZDetail.isEmpty();
    openRecordEditor(hasRow ? list_.dsGZDetail.fieldValue(QStringLiteral("ID")).toLongLong() : 0);
}

void TfrmMainGZT::ToolButton21Click() {
    const QString month = months_.isEmpty() ? QStringLiteral("BASE") : months_.currentMonth();
    ShowGZBaseSet(dm_.ADOLocal, prompter_, month, this);
    if (months_.isEmpty()) {
        list_.ReadyGrid(QStringLiteral("BASE"), AppParams.PrintDays);
    } else {
        dsGZMonthAfterScroll();
    }
    list_.ReCalcAll();
    showDetail();
}

void TfrmMainGZT::ToolButton1Click() {
    ShowParaSet(dm_, prompter_, AppParams, this);
    if (LoadRegPara(dm_, AppParams)) SetFloatFormat();
    dsGZMonthAfterScroll();
}

void TfrmMainGZT::ToolButton8Click() {
    ShowPassSet(dm_.ADOLocal, prompter_, AppParams, this);
}

void TfrmMainGZT::MenuItem1Click() {
    BackupDatabase(dm_, prompter_, AppPath);
}

PasswordAsker TfrmMainGZT::passwordBox() {
    return [this](const QString& caption) { return InputPass(caption, caption, this); };
}

void TfrmMainGZT::MenuItem2Click() {
    if (RestoreDatabase(dm_, prompter_, AppPath, AppParams.LogPass, passwordBox())) endProgram();
}

void TfrmMainGZT::N2Click() {
    if (ShowReBulid(dm_.ADOLocal, prompter_, AppPath, AppParams.LogPass, passwordBox(), this)) {
        endProgram();
        return;
    }
    months_.ReadyMonth();
    showMonths(true);
}

void TfrmMainGZT::endProgram() {
    // The connection may be closed already; nothing may read from it on the way out.
    list_.clear();
    hide();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

bool TfrmMainGZT::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && FirstActivation) FormActivate();
    return QMainWindow::event(event);
}

void TfrmMainGZT::FormActivate() {
    FirstActivation = false;
    // No salary row is in sight while the password is asked for. The rows loaded at creation
    // come back afterwards as they are: nothing can have changed them in between, and reading
    // the month again would double the start-up time.
    list_.withhold();
    showDetail();
    const bool ok = RunLogin(AppPath, AppParams, prompter_, this, [this] {
        if (list_.showWithheld()) showDetail();
    });
    if (!ok) {
        dm_.ADOLocal.close();
        endProgram();
    }
}

void TfrmMainGZT::printPayslips(bool selectedOnly) {
    // The run filters and marks the list while it prints; the grid shows it as it is afterwards,
    // also when the run fails.
    const auto refresh = qScopeGuard([this] { showDetail(); });
    const std::vector<int> rows = selectedOnly ? DBGridEh2->selectedRows() : std::vector<int>{};
    PrintPayslips(dm_.ADOLocal, prompter_, AppPath, list_, AppParams, rows, selectedOnly, this);
}

void TfrmMainGZT::Button7Click() {
    PrintDetailTable(prompter_, GroupBox2->title(), list_, *DBGridEh2, this);
}

void TfrmMainGZT::Button14Click() {
    PrintPosSlips(prompter_, AppPath, list_, floatFormat_, this);
}

void TfrmMainGZT::Button13Click() {
    EleGZBillButton13Click(dm_.ADOLocal, prompter_, AppPath, months_.currentMonth(), AppParams,
                           this);
}

void TfrmMainGZT::sendToExcel() {
    // A closed list has nothing to send; the export says so itself.
    SendToExcel(prompter_, GroupBox2->title(), list_.layout, list_.dsGZDetail, DBGridEh2);
}

void TfrmMainGZT::ToolButton7Click() {
    if (!ExcelLoadInToolButton7Click(dm_.ADOLocal, prompter_, months_.currentMonth(), list_.layout,
                                     this)) {
        return;
    }
    dsGZMonthAfterScroll();
    list_.ReCalcAll();
    showDetail();
}

void TfrmMainGZT::deleteDetailClick() {
    if (list_.deleteCurrent()) showDetail();
}

void TfrmMainGZT::copyEmployeeClick() {
    if (!list_.copyCurrent()) return;
    dsGZMonthAfterScroll();
    list_.ReCalcAll();
    showDetail();
}

void TfrmMainGZT::batchDeleteClick() {
    if (list_.deleteRows(DBGridEh2->selectedRows())) showDetail();
}

void TfrmMainGZT::titleClick(int position) {
    list_.titleClicked(position);
    DBGridEh2->refresh();
}

QString TfrmMainGZT::detailCaption() const {
    return GroupBox2->title();
}

void TfrmMainGZT::setDetailCaption(const QString& month) {
    GroupBox2->setTitle(QStringLiteral("月度[") + month + QStringLiteral("]工资发放明细表"));
}

QStringList TfrmMainGZT::toolbarCaptions() const {
    QStringList captions;
    for (const QAction* action : ToolBar1->actions()) {
        if (!action->isSeparator()) captions << action->text();
    }
    return captions;
}

QAction* TfrmMainGZT::addToolAction(const QString& objectName, const QString& text, QIcon icon) {
    QAction* action = ToolBar1->addAction(icon, text);
    action->setObjectName(objectName);
    return action;
}

void TfrmMainGZT::buildToolBar() {
    ToolBar1 = new QToolBar(QStringLiteral("工具栏"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    QStyle* s = style();

    // The current view: always checked, since there is no other view to switch to.
    QAction* view =
        addToolAction(QStringLiteral("ToolButtonGZEdit"), QStringLiteral("工资编辑与打印"),
                      s->standardIcon(QStyle::SP_FileDialogDetailedView));
    view->setCheckable(true);
    view->setChecked(true);
    auto* views = new QActionGroup(this);
    views->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    views->addAction(view);

    connect(addToolAction(QStringLiteral("ToolButtonGZCount"), QStringLiteral("工资统计"),
                          s->standardIcon(QStyle::SP_FileDialogContentsView)),
            &QAction::triggered, this, [this] {
                ShowGZCount(dm_.ADOLocal, prompter_, AppParams, this,
                            [this](const QString& title, DetailGrid& grid, DetailList& list) {
                                SendToExcel(prompter_, title, list.layout, list.dsGZDetail, &grid);
                            });
            });
    connect(addToolAction(QStringLiteral("ToolButton21"), QStringLiteral("工资项目参数设置"),
                          s->standardIcon(QStyle::SP_FileDialogListView)),
            &QAction::triggered, this, &TfrmMainGZT::ToolButton21Click);
    connect(addToolAction(QStringLiteral("ToolButton1"), QStringLiteral("基本参数"),
                          s->standardIcon(QStyle::SP_ComputerIcon)),
            &QAction::triggered, this, &TfrmMainGZT::ToolButton1Click);
    connect(addToolAction(QStringLiteral("ToolButton8"), QStringLiteral("设置登陆密码"),
                          s->standardIcon(QStyle::SP_MessageBoxWarning)),
            &QAction::triggered, this, &TfrmMainGZT::ToolButton8Click);
    ToolBar1->addSeparator();
    connect(addToolAction(QStringLiteral("ToolButton5"), QStringLiteral("发送Excel"),
                          s->standardIcon(QStyle::SP_DialogSaveButton)),
            &QAction::triggered, this, &TfrmMainGZT::sendToExcel);
    connect(addToolAction(QStringLiteral("ToolButton7"), QStringLiteral("从Excel导入"),
                          s->standardIcon(QStyle::SP_DialogOpenButton)),
            &QAction::triggered, this, &TfrmMainGZT::ToolButton7Click);
    ToolBar1->addSeparator();

    PopupMenuDatabase = new QMenu(QStringLiteral("数据库维护"), this);
    PopupMenuDatabase->setObjectName(QStringLiteral("PopupMenuDatabase"));
    PopupMenuDatabase->setToolTipsVisible(true);
    connect(
        addMenuAction(PopupMenuDatabase, QStringLiteral("MenuItem1"), QStringLiteral("数据库备份")),
        &QAction::triggered, this, &TfrmMainGZT::MenuItem1Click);
    connect(
        addMenuAction(PopupMenuDatabase, QStringLiteral("MenuItem2"), QStringLiteral("数据库还原")),
        &QAction::triggered, this, &TfrmMainGZT::MenuItem2Click);
    PopupMenuDatabase->addSeparator();
    connect(addMenuAction(PopupMenuDatabase, QStringLiteral("N2"), QStringLiteral("数据清除")),
            &QAction::triggered, this, &TfrmMainGZT::N2Click);
    QAction* database = PopupMenuDatabase->menuAction();
    database->setObjectName(QStringLiteral("TBDatabase"));
    database->setIcon(s->standardIcon(QStyle::SP_DriveHDIcon));
    ToolBar1->addAction(database);
    ToolBar1->addSeparator();

    connect(addToolAction(QStringLiteral("ToolButton11"), QStringLiteral("在线升级"),
                          s->standardIcon(QStyle::SP_BrowserReload)),
            &QAction::triggered, this, [] { StartUpdater(AppPath); });

    PopupMenuHelp = new QMenu(QStringLiteral("帮助"), this);
    PopupMenuHelp->setObjectName(QStringLiteral("PopupMenuHelp"));
    PopupMenuHelp->setToolTipsVisible(true);
    // Kept hidden: the help page replaced the written manual.
    addMenuAction(PopupMenuHelp, QStringLiteral("N12"), QStringLiteral("使用说明"))
        ->setVisible(false);
    QAction* tutorial =
        addMenuAction(PopupMenuHelp, QStringLiteral("N13"), QStringLiteral("动画教程"));
    connect(tutorial, &QAction::triggered, this, &TfrmMainGZT::N13Click);
    PopupMenuHelp->addSeparator();
    connect(addMenuAction(PopupMenuHelp, QStringLiteral("N15"), QStringLiteral("关于..")),
            &QAction::triggered, this, [this] { ShowAbout(VendorInfo, dm_, this); });
    QAction* help = PopupMenuHelp->menuAction();
    help->setObjectName(QStringLiteral("TBHelp"));
    help->setIcon(s->standardIcon(QStyle::SP_DialogHelpButton));
    ToolBar1->addAction(help);
    ToolBar1->addSeparator();

    QAction* closeAction = addToolAction(QStringLiteral("ToolButtonClose"), QStringLiteral("关闭"),
                                         s->standardIcon(QStyle::SP_DialogCloseButton));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);

    for (QAction* action : ToolBar1->actions()) {
        auto* button = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(action));
        if (!button) continue;
        button->setMinimumHeight(35);
        // The two menus drop down below their button as soon as it is pressed.
        if (action->menu()) button->setPopupMode(QToolButton::InstantPopup);
    }
}

QWidget* TfrmMainGZT::buildMonthBox() {
    GroupBox1 = new QGroupBox(QStringLiteral("工资发放月度"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFixedWidth(175);
    auto* layout = new QVBoxLayout(GroupBox1);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    monthModel_ =
        new RecordSetModel(months_.dsGZMonth, {QStringLiteral("ID"), QStringLiteral("GZMonth")},
                           {QStringLiteral("编号"), QStringLiteral("发放月度")}, this);
    DBGridEh1 = new QTableView(GroupBox1);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setModel(monthModel_);
    configureGrid(DBGridEh1, QAbstractItemView::SingleSelection);
    DBGridEh1->setColumnWidth(0, 45);
    DBGridEh1->horizontalHeader()->setStretchLastSection(true);
    connect(DBGridEh1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenuHelp->popup(DBGridEh1->viewport()->mapToGlobal(pos));
    });
    connect(DBGridEh1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!current.isValid() || months_.isEmpty()) return;
                if (current.row() == months_.dsGZMonth.recNo()) return;
                months_.select(current.row());
                dsGZMonthAfterScroll();
            });
    layout->addWidget(DBGridEh1, 1);

    auto* panel = new QWidget(GroupBox1);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(2);
    const struct {
        const char* name;
        const char* text;
        void (TfrmMainGZT::*click)();
    } monthButtons[] = {
        {"Button1", "增加月度", &TfrmMainGZT::Button1Click},
        {"Button2", "修改", &TfrmMainGZT::Button2Click},
        {"Button3", "删除", &TfrmMainGZT::Button3Click},
    };
    for (const auto& entry : monthButtons) {
        QPushButton* button =
            addButton(panel, QString::fromLatin1(entry.name), QString::fromUtf8(entry.text));
        connect(button, &QPushButton::clicked, this, entry.click);
        buttons->addWidget(button);
    }
    layout->addWidget(panel);
    return GroupBox1;
}

QWidget* TfrmMainGZT::buildDetailBox() {
    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    setDetailCaption(QStringLiteral("XXXX"));
    auto* layout = new QVBoxLayout(GroupBox2);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    DBGridEh2 = new DetailGrid(list_, GroupBox2);
    DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
    DBGridEh2->view()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGridEh2, &DetailGrid::titleClicked, this, &TfrmMainGZT::titleClick);
    connect(DBGridEh2, &DetailGrid::rowActivated, this, &TfrmMainGZT::editDetailClick);

    PopupMenuDetail = new QMenu(this);
    PopupMenuDetail->setObjectName(QStringLiteral("PopupMenuDetail"));
    PopupMenuDetail->setToolTipsVisible(true);
    connect(
        addMenuAction(PopupMenuDetail, QStringLiteral("Excel1"), QStringLiteral("发送到&Excel")),
        &QAction::triggered, this, &TfrmMainGZT::sendToExcel);
    PopupMenuDetail->addSeparator();
    connect(addMenuAction(PopupMenuDetail, QStringLiteral("BatchDelete"),
                          QStringLiteral("批量删除-先鼠标拖选")),
            &QAction::triggered, this, &TfrmMainGZT::batchDeleteClick);
    PopupMenuDetail->addSeparator();
    connect(
        addMenuAction(PopupMenuDetail, QStringLiteral("N6"), QStringLiteral("列表打印-打印选定行")),
        &QAction::triggered, this, [this] { PrintSelectedGridRows(*DBGridEh2, list_, this); });
    connect(DBGridEh2->view(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) {
                PopupMenuDetail->popup(DBGridEh2->view()->viewport()->mapToGlobal(pos));
            });
    layout->addWidget(DBGridEh2, 1);

    auto* panel = new QWidget(GroupBox2);
    panel->setObjectName(QStringLiteral("Panel2"));
    auto* buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(4);

    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    PopupMenu4->setToolTipsVisible(true);
    connect(addMenuAction(PopupMenu4, QStringLiteral("N7"), QStringLiteral("全部打印")),
            &QAction::triggered, this, [this] { printPayslips(false); });
    connect(addMenuAction(PopupMenu4, QStringLiteral("N8"), QStringLiteral("打印选定行")),
            &QAction::triggered, this, [this] { printPayslips(true); });

    // "打印工资条" has no handler of its own: it drops down its two ways of printing.
    const struct {
        const char* name;
        const char* text;
        void (TfrmMainGZT::*click)();
    } detailButtons[] = {
        {"ButtonAddDetail", "增加明细", &TfrmMainGZT::addDetailClick},
        {"ButtonEditDetail", "修改明细", &TfrmMainGZT::editDetailClick},
        {"ButtonDeleteDetail", "删除明细", &TfrmMainGZT::deleteDetailClick},
        {"Button7", "打印明细表", &TfrmMainGZT::Button7Click},
        {"Button8", "打印工资条", nullptr},
        {"Button14", "POS工资条", &TfrmMainGZT::Button14Click},
        {"Button9", "月度数据复制", &TfrmMainGZT::Button9Click},
        {"ButtonCopyEmployee", "职员数据复制", &TfrmMainGZT::copyEmployeeClick},
        {"Button13", "生成电子工资条并EMail", &TfrmMainGZT::Button13Click},
    };
    for (const auto& entry : detailButtons) {
        QPushButton* button =
            addButton(panel, QString::fromLatin1(entry.name), QString::fromUtf8(entry.text));
        if (entry.click) {
            connect(button, &QPushButton::clicked, this, entry.click);
        } else {
            button->setMenu(PopupMenu4);
        }
        buttons->addWidget(button);
        detailButtons_ << button;
    }
    buttons->addStretch(1);
    layout->addWidget(panel);
    return GroupBox2;
}

void TfrmMainGZT::N13Click() {
    OpenInBrowser(QDir(AppPath).filePath(QStringLiteral("Help/LarkGZ.htm")));
}
