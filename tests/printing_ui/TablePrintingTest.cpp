#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "AppState.h"
#include "Database.h"
#include "DetailGrid.h"
#include "DetailList.h"
#include "GbkText.h"
#include "ModalWatch.h"
#include "PosSlipText.h"
#include "PrintDetailTable.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TablePreviewWidget.h"
#include "TestFolder.h"
#include "TfrmGZCount.h"
#include "TfrmPosPrint.h"
#include "TfrmPreview.h"

namespace {

struct WordBox {
    QString text;
    double left;
    double right;
    double height;
};

// The boxes pdftotext finds for the words containing `word`, in points.
QList<WordBox> wordBoxes(const QString& pdf, const QString& word) {
    QProcess process;
    process.start("pdftotext", {"-bbox", "-enc", "UTF-8", pdf, "-"});
    process.waitForFinished(60000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpression box(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<WordBox> boxes;
    for (const QRegularExpressionMatch& m : box.globalMatch(html)) {
        if (m.captured(5).contains(word)) {
            boxes << WordBox{m.captured(5), m.captured(1).toDouble(), m.captured(3).toDouble(),
                             m.captured(4).toDouble() - m.captured(2).toDouble()};
        }
    }
    return boxes;
}

}  // namespace

class TablePrintingTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void previewOfAListNotLoadedSaysNoResults();
    void printDetailTableNarrowsPreviewsAndRestores();
    void previewWindowClosesWhenTheUserReturns();
    void selectedRowsOrAllGoToQtsPrintPreview();
    void posSlipsNeedALoadedList();
    void posWindowShowsTmpTxtAndSwitchesFontSize();
    void posPrintUsesTheFontSizeShown();
    void statisticsRebuildOnEveryCheck();
    void statisticsPrintsTitledGongZiTongJi();
    void statisticsExportWaitsForItsEngine();
    void statisticsExportRunsWithTheGridDisabled();
    void statisticsWindowShownGoesWithItsGridFirst();

  private:
    std::unique_ptr<TestFolder> folder_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    std::unique_ptr<DetailList> list_;
    std::unique_ptr<DetailGrid> grid_;
    TAppParams params_;
};

void TablePrintingTest::init() {
    folder_ = std::make_unique<TestFolder>();
    db_ = std::make_unique<Database>();
    db_->open(Schema::databasePath(folder_->path()), Schema::databaseKey());
    fixture::addMonth(*db_, "202405");
    fixture::addStructure(*db_, "202405", 2, 1);
    fixture::addMonth(*db_, "202406");
    fixture::addStructure(*db_, "202406", 3, 2);
    db_->exec("Update TGZSet Set GZName='GZ1' where GZMonth='202406' and GZType=0 and SortIdx=1");
    db_->exec("Update TGZSet Set GZName='奖' where GZMonth='202406' and GZType=0 and SortIdx=2");
    const QStringList names{"张伟", "王芳", "李娜"};
    for (int i = 0; i < names.size(); ++i) {
        for (const char* month : {"202405", "202406"}) {
            fixture::addRow(*db_, month,
                            {{"EmpName", names[i]},
                             {"DepartName", "财务部"},
                             {"GZ1", 3000 + i},
                             {"YFTotal", 3000 + i},
                             {"GZTotal", 3000 + i}});
        }
    }
    prompter_ = std::make_unique<ScriptedPrompter>();
    list_ = std::make_unique<DetailList>(*db_, *prompter_);
    QVERIFY(list_->ReadyGZList("202406", 1));
    grid_ = std::make_unique<DetailGrid>(*list_);
    grid_->resize(900, 300);
    grid_->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid_.get()));
    params_ = TAppParams{};
    params_.PrintDays = 1;
}

void TablePrintingTest::cleanup() {
    grid_.reset();
    list_.reset();
    db_.reset();
    folder_.reset();
}

void TablePrintingTest::previewOfAListNotLoadedSaysNoResults() {
    list_->clear();
    grid_->refresh();
    const auto watch = ModalWatch::on<TfrmPreview>([](TfrmPreview* preview) { preview->reject(); });
    QVERIFY(!ShowGridPreview(*prompter_, "标题", *grid_, *list_, nullptr));
    QCOMPARE(prompter_->shown(), QStringList({"warning: 无查询结果！"}));

    prompter_->clear();
    PrintDetailTable(*prompter_, list_->caption(), *list_, *grid_, nullptr);
    QCOMPARE(prompter_->texts(), QStringList({"无查询结果！"}));
    for (int i = 10; i <= 42; ++i) QCOMPARE(list_->layout.column(i).width, 52);
    QVERIFY(!watch.answered());
}

void TablePrintingTest::printDetailTableNarrowsPreviewsAndRestores() {
    QTableView* view = grid_->view();
    const int net = list_->GetCol("GZTotal");
    const int netWidth = view->columnWidth(net);
    const int earningsTotalWidth = list_->layout.column(40).width;
    QList<int> during;
    QString caption;
    QSize size;
    int titleRows = 0, dataRows = 0, pages = 0;
    QString footerCount;
    const auto watch = ModalWatch::on<TfrmPreview>([&](TfrmPreview* preview) {
        for (int position : {10, 11, 40, 41, net}) during << view->columnWidth(position);
        caption = preview->windowTitle();
        size = preview->size();
        const TablePreview& table = preview->PPreview->table();
        titleRows = table.pHeaderRowCount();
        dataRows = table.pDataRowCount();
        footerCount = table.dataCell(list_->GetCol("EmpName"), dataRows);
        pages = preview->PPreview->pageCount();
        QTest::mouseClick(preview->PPreview->returnButton(), Qt::LeftButton);
    });
    PrintDetailTable(*prompter_, list_->caption(), *list_, *grid_, nullptr);

    QCOMPARE(caption, QString("打印预览窗口"));
    QCOMPARE(size, QSize(684, 424));
    // "应发工资|GZ1", "应发工资|奖", the earnings total, the first deduction, the net pay.
    QCOMPARE(during, QList<int>({39, 26, earningsTotalWidth, 13 * 9, netWidth}));
    QCOMPARE(titleRows, 2);
    QCOMPARE(dataRows, 3);
    QCOMPARE(footerCount, QString("3条"));
    QVERIFY(pages >= 1);
    for (int i = 10; i <= 42; ++i) QCOMPARE(list_->layout.column(i).width, 52);
    for (int position : {10, 11, 40, 41}) QCOMPARE(view->columnWidth(position), 52);
    QCOMPARE(view->columnWidth(net), netWidth);
    QVERIFY(prompter_->shown().isEmpty());
}

void TablePrintingTest::previewWindowClosesWhenTheUserReturns() {
    TfrmPreview preview(*prompter_);
    preview.ReadyData1("标题", *grid_, *list_);
    QVERIFY(!preview.PPreview->pActive());
    QVERIFY(preview.windowFlags() & Qt::WindowMaximizeButtonHint);
    QCOMPARE(TfrmPreview::GetMaxTitleRow("应发工资|合计"), 2);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QVERIFY(preview.PPreview->pActive());
    QVERIFY(preview.PPreview->printButton()->isEnabled());
    QCOMPARE(preview.PPreview->pageText(), QString("第1页/共1页"));
    QTest::mouseClick(preview.PPreview->returnButton(), Qt::LeftButton);
    QVERIFY(!preview.isVisible());
    QCOMPARE(preview.result(), int(QDialog::Accepted));
}

void TablePrintingTest::selectedRowsOrAllGoToQtsPrintPreview() {
    QTableView* view = grid_->view();
    view->selectionModel()->clearSelection();
    view->selectionModel()->select(view->model()->index(0, 5),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(2, 5),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    int previewPages = 0;
    const auto closePreview = [&](QPrintPreviewDialog* dialog) {
        previewPages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
        dialog->reject();
    };
    const auto selected = ModalWatch::on<QPrintPreviewDialog>(closePreview);
    QCOMPARE(PrintSelectedGridRows(*grid_, *list_, nullptr), 2);
    QVERIFY(selected.answered());
    QCOMPARE(previewPages, 1);

    view->selectionModel()->clearSelection();
    const auto all = ModalWatch::on<QPrintPreviewDialog>(closePreview);
    QCOMPARE(PrintSelectedGridRows(*grid_, *list_, nullptr), 3);
    QVERIFY(all.answered());
}

void TablePrintingTest::posSlipsNeedALoadedList() {
    const QString tmp = PosSlipText::filePath(folder_->path());
    GbkText::writeTextFile(tmp, "上次\n");
    list_->clear();
    const auto watch = ModalWatch::on<TfrmPosPrint>([](TfrmPosPrint* window) { window->reject(); });
    QVERIFY(!PrintPosSlips(*prompter_, folder_->path(), *list_, "0", nullptr));
    QCOMPARE(prompter_->shown(), QStringList({"warning: 没有用于打印的工资数据！"}));
    QCOMPARE(GbkText::readTextFile(tmp), QString("上次\n"));
    QVERIFY(!watch.answered());

    TfrmPosPrint empty(folder_->file("nowhere/"));
    QVERIFY(empty.RichEdit1->toPlainText().isEmpty());
}

void TablePrintingTest::posWindowShowsTmpTxtAndSwitchesFontSize() {
    QString text, caption;
    QSize size, fixedSize;
    QList<int> sizes;
    bool readOnly = false;
    const auto watch = ModalWatch::on<TfrmPosPrint>([&](TfrmPosPrint* window) {
        text = window->RichEdit1->toPlainText();
        caption = window->windowTitle();
        size = window->size();
        fixedSize = window->minimumSize() == window->maximumSize() ? window->size() : QSize();
        readOnly = window->RichEdit1->isReadOnly();
        sizes << window->textPointSize();
        window->cmdMax->click();
        sizes << window->textPointSize();
        window->cmdMin->click();
        sizes << window->textPointSize();
        QCOMPARE(window->cmdMin->text(), QString("小"));
        QCOMPARE(window->cmdMax->text(), QString("大"));
        QCOMPARE(window->cmdMax->font().pixelSize(), 15);
        QCOMPARE(window->Button4->text(), QString("打印(&P)"));
        QTest::keyClick(window, Qt::Key_Escape);
    });
    QVERIFY(PrintPosSlips(*prompter_, folder_->path(), *list_, "0", nullptr));
    QCOMPARE(caption, QString("POS打印机打印"));
    QCOMPARE(size, QSize(308, 551));
    QCOMPARE(fixedSize, size);
    QVERIFY(readOnly);
    QCOMPARE(sizes, QList<int>({9, 11, 9}));
    const QStringList lines = PosSlipText::lines(*list_, "0");
    QCOMPARE(text, lines.join(u'\n'));
    QVERIFY(text.contains("姓名"));
    QCOMPARE(text.count("   工资条"), 3);
}

void TablePrintingTest::posPrintUsesTheFontSizeShown() {
    QVERIFY(PosSlipText::writeFile(*prompter_, *list_, "0", folder_->path()));
    TfrmPosPrint window(folder_->path());
    const auto printed = [&](const QString& name) {
        const QString pdf = folder_->file(name);
        QPdfWriter writer(pdf);
        // A receipt roll, 80 mm wide, with 3 mm margins.
        writer.setPageSize(QPageSize(QSizeF(80, 600), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(3, 3, 3, 3), QPageLayout::Millimeter);
        window.printTo(writer);
        return std::make_tuple(wordBoxes(pdf, "工资条"), wordBoxes(pdf, "序号"),
                               wordBoxes(pdf, "202406"));
    };
    const auto [smallTitles, smallLabels, smallMonths] = printed("small.pdf");
    window.cmdMax->click();
    const auto [largeTitles, largeLabels, largeMonths] = printed("large.pdf");
    QCOMPARE(smallTitles.size(), 3);
    QCOMPARE(largeTitles.size(), 3);
    const double ratio = largeTitles.first().height / smallTitles.first().height;
    QVERIFY2(qAbs(ratio - 11.0 / 9.0) < 0.05, qPrintable(QString::number(ratio)));
    // The labels start at the printable area's edge, not behind a wide margin.
    QVERIFY(!smallLabels.isEmpty());
    const double margin = 3 / 25.4 * 72;
    QVERIFY2(smallLabels.first().left < margin + 4,
             qPrintable(QString::number(smallLabels.first().left)));
    QVERIFY(smallLabels.first().left >= margin);
    // At 11 points the month no longer fits beside its label on the roll; it goes on below
    // instead of running off the printable area.
    const double printableRight = (80 - 3) / 25.4 * 72;
    for (const QList<WordBox>* months : {&smallMonths, &largeMonths}) {
        QCOMPARE(std::count_if(months->begin(), months->end(),
                               [&](const WordBox& box) {
                                   return box.text == "202406" && box.right <= printableRight;
                               }),
                 3);
    }
}

void TablePrintingTest::statisticsRebuildOnEveryCheck() {
    TfrmGZCount window(*db_, *prompter_, params_);
    window.ReadyMonth();
    QCOMPARE(window.windowTitle(), QString("工资统计"));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.chkList->count(), 2);
    QCOMPARE(window.chkList->item(0)->text(), QString("202406"));
    QCOMPARE(window.chkList->item(1)->text(), QString("202405"));
    for (int i = 0; i < 2; ++i) QCOMPARE(window.chkList->item(i)->checkState(), Qt::Unchecked);
    const auto rows = [&] { return window.grid->view()->model()->rowCount(); };
    QCOMPARE(rows(), 0);

    window.chkList->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(rows(), 3);
    QCOMPARE(window.count().list.layout.column(10).title, QString("应发工资|202405收入1"));
    window.chkList->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(rows(), 6);
    QCOMPARE(window.count().list.layout.column(10).title, QString("应发工资|GZ1"));
    QCOMPARE(window.count().list.footerText(list_->GetCol("GZ1")), QString("18006"));
    window.chkList->item(1)->setCheckState(Qt::Unchecked);
    QCOMPARE(rows(), 3);
    window.chkList->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(rows(), 0);
}

void TablePrintingTest::statisticsPrintsTitledGongZiTongJi() {
    TfrmGZCount window(*db_, *prompter_, params_);
    window.ReadyMonth();
    window.chkList->item(0)->setCheckState(Qt::Checked);
    window.chkList->item(1)->setCheckState(Qt::Checked);
    QString title;
    int dataRows = 0;
    QString footerCount;
    const auto watch = ModalWatch::on<TfrmPreview>([&](TfrmPreview* preview) {
        const TablePreview& table = preview->PPreview->table();
        title = table.pCaption();
        dataRows = table.pDataRowCount();
        footerCount = table.dataCell(5, dataRows);
        preview->reject();
    });
    QTest::mouseClick(window.btnPrint, Qt::LeftButton);
    QCOMPARE(title, QString("工资统计"));
    QCOMPARE(dataRows, 6);
    QCOMPARE(footerCount, QString("6条"));

    window.chkList->item(0)->setCheckState(Qt::Unchecked);
    window.chkList->item(1)->setCheckState(Qt::Unchecked);
    QTest::mouseClick(window.btnPrint, Qt::LeftButton);
    QCOMPARE(prompter_->texts(), QStringList({"无查询结果！"}));
}

void TablePrintingTest::statisticsExportWaitsForItsEngine() {
    TfrmGZCount window(*db_, *prompter_, params_);
    QVERIFY(!window.btnExcel->isEnabled());
    QCOMPARE(window.btnExcel->text(), QString("发送Excel"));
    QCOMPARE(window.btnExcel->toolTip(), QString("此功能尚在开发中"));
    QCOMPARE(window.btnClose->text(), QString("关闭(&X)"));
}

void TablePrintingTest::statisticsExportRunsWithTheGridDisabled() {
    QString title;
    bool enabledDuring = true;
    int rowsExported = -1;
    TfrmGZCount window(*db_, *prompter_, params_,
                       [&](const QString& caption, DetailGrid& grid, DetailList& list) {
                           title = caption;
                           enabledDuring = grid.isEnabled();
                           rowsExported = list.dsGZDetail.recordCount();
                           throw std::runtime_error("表格程序没有响应");
                       });
    window.ReadyMonth();
    window.chkList->item(0)->setCheckState(Qt::Checked);
    window.show();
    QVERIFY(window.btnExcel->isEnabled());
    QTest::mouseClick(window.btnExcel, Qt::LeftButton);
    QCOMPARE(title, QString("工资统计"));
    QVERIFY(!enabledDuring);
    QCOMPARE(rowsExported, 3);
    QVERIFY(window.grid->isEnabled());
    QVERIFY(prompter_->shown().isEmpty());
}

// Deleting a shown window hides it, and the grid's header measures its titles again after the
// rebuild reset them; the grid has to go while the window's list is there to read them from.
void TablePrintingTest::statisticsWindowShownGoesWithItsGridFirst() {
    auto window = std::make_unique<TfrmGZCount>(*db_, *prompter_, params_);
    window->ReadyMonth();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QObject* const asObject = window.get();
    bool gridWentFirst = false;
    connect(window->grid, &QObject::destroyed,
            [&] { gridWentFirst = qobject_cast<TfrmGZCount*>(asObject) != nullptr; });
    window->chkList->item(0)->setCheckState(Qt::Checked);
    window->chkList->item(1)->setCheckState(Qt::Checked);
    window.reset();
    QVERIFY(gridWentFirst);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    TablePrintingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "TablePrintingTest.moc"
