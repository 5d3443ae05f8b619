#include "TfrmGZCount.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>

#include "DetailGrid.h"
#include "DialogParts.h"
#include "TfrmPreview.h"

namespace {

constexpr int kPanelHeight = 41;
constexpr int kMonthBoxWidth = 150;
const QSize kClientSize(960, 600);

}  // namespace

TfrmGZCount::TfrmGZCount(Database& db, Prompter& prompter, const TAppParams& params,
                         GridExport exportGrid, QWidget* parent)
    : QDialog(parent),
      chkList(new QListWidget),
      btnPrint(MakeButton(this, QStringLiteral("btnPrint"), QStringLiteral("打印明细表"))),
      btnExcel(MakeButton(this, QStringLiteral("btnExcel"), QStringLiteral("发送Excel"))),
      btnClose(MakeButton(this, QStringLiteral("btnClose"), QStringLiteral("关闭(&X)"))),
      prompter_(prompter),
      params_(params),
      export_(std::move(exportGrid)),
      count_(db, prompter) {
    PrepareDialog(this, QStringLiteral("frmGZCount"), QStringLiteral("工资统计"), kClientSize);
    count_.list.layout.setAmountFormat(AmountFormat(params_));
    const int body = kClientSize.height() - kPanelHeight;

    QGroupBox* months =
        MakeGroupBox(this, QStringLiteral("GroupBox1"), QStringLiteral("工资月度选择"),
                     QRect(4, 4, kMonthBoxWidth, body - 8));
    auto* monthLayout = new QVBoxLayout(months);
    monthLayout->setContentsMargins(4, 12, 4, 4);
    chkList->setObjectName(QStringLiteral("chkList"));
    monthLayout->addWidget(chkList);

    grid = new DetailGrid(count_.list, this);
    grid->setObjectName(QStringLiteral("DBGridEh1"));
    grid->setGeometry(kMonthBoxWidth + 8, 8, kClientSize.width() - kMonthBoxWidth - 12, body - 12);

    for (QPushButton* button : {btnPrint, btnExcel, btnClose}) button->setAutoDefault(false);
    PlaceButtonPanel(this, kPanelHeight, {btnPrint, btnExcel, btnClose});
    // The buttons carry longer captions than the panel's standard width.
    btnPrint->setFixedWidth(90);
    if (!export_) {
        btnExcel->setEnabled(false);
        btnExcel->setToolTip(QStringLiteral("此功能尚在开发中"));
    }

    connect(chkList, &QListWidget::itemChanged, this, &TfrmGZCount::rebuild);
    connect(btnPrint, &QPushButton::clicked, this, &TfrmGZCount::printClick);
    connect(btnExcel, &QPushButton::clicked, this, &TfrmGZCount::excelClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TfrmGZCount::~TfrmGZCount() {
    // The grid reads count_ until it is gone. ~QWidget would delete it only after count_, and
    // closing a shown window there still measures the grid's titles.
    delete grid;
}

void TfrmGZCount::ReadyMonth() {
    const QSignalBlocker quiet(chkList);
    chkList->clear();
    for (const QString& month : count_.ReadyMonth()) {
        auto* item = new QListWidgetItem(month, chkList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

QStringList TfrmGZCount::checkedMonths() const {
    QStringList months;
    for (int i = 0; i < chkList->count(); ++i) {
        if (chkList->item(i)->checkState() == Qt::Checked) months << chkList->item(i)->text();
    }
    return months;
}

void TfrmGZCount::rebuild() {
    count_.rebuild(checkedMonths(), params_.PrintDays);
    grid->refresh();
}

void TfrmGZCount::printClick() {
    ShowGridPreview(prompter_, windowTitle(), *grid, count_.list, this);
}

void TfrmGZCount::excelClick() {
    if (!export_) return;
    grid->setEnabled(false);
    try {
        export_(windowTitle(), *grid, count_.list);
    } catch (const std::exception&) {
        // The export's failure is not reported here; the grid comes back all the same.
    }
    grid->setEnabled(true);
}

void ShowGZCount(Database& db, Prompter& prompter, const TAppParams& params, QWidget* parent,
                 GridExport exportGrid) {
    TfrmGZCount window(db, prompter, params, std::move(exportGrid), parent);
    window.ReadyMonth();
    window.exec();
}
