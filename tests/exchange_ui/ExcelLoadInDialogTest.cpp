#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "Database.h"
#include "DetailList.h"
#include "ImportFieldList.h"
#include "ModalWatch.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "TfrmExcelLoadIn.h"

namespace {

const QString kMonth = QStringLiteral("202406");

// An .xlsx file written by openpyxl: the sheet "工资" with the detail list's headings and a
// long text, and the sheet "其他".
bool writeBook(const QString& path) {
    const char* script = R"PY(
import sys, openpyxl
book = openpyxl.Workbook()
ws = book.active
ws.title = '工资'
ws.append(['部门', '姓名', '职务', '应发工资|202406收入1', '名字', '说明'])
ws.append(['财务部', '张三', '会计', 3000, '张', '这是一段很长很长很长很长很长很长很长很长很长的说明文字'])
ws.append(['生产部', '李四', None, 2800.5, '李', None])
other = book.create_sheet('其他')
other.append(['甲', '乙'])
other.append(['1', '2'])
book.save(sys.argv[1])
)PY";
    return QProcess::execute(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QString::fromUtf8(script), path}) == 0;
}

}  // namespace

class ExcelLoadInDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void showsTheControlsAndTheMappingRows();
    void openingAFileShowsItsSheetsPreviewAndMapping();
    void columnPopUpSetsTheSelectedRow();
    void anotherSheetKeepsTheMappings();
    void importTellsTheCountsAndNeedsTheFileAgain();
    void aFailedImportIsToldAndCanBeTriedAgain();
    void aFileThatIsNoSpreadsheetEmptiesTheDialog();
    void escapeCloses();
    void toolButton7OpensTheDialogForTheMonth();
    void toolButton7WithoutMonthSaysSo();

  private:
    QString fieldList() const;

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<Database> db;
    std::unique_ptr<ScriptedPrompter> prompter;
    std::unique_ptr<DetailList> list;
    QTemporaryDir files;
    QString book;
};

void ExcelLoadInDialogTest::init() {
    folder = std::make_unique<TestFolder>();
    db = std::make_unique<Database>();
    db->open(Schema::databasePath(folder->path()), Schema::databaseKey());
    fixture::addMonth(*db, kMonth);
    fixture::addStructure(*db, kMonth, 2, 1);
    prompter = std::make_unique<ScriptedPrompter>();
    list = std::make_unique<DetailList>(*db, *prompter);
    QVERIFY(list->ReadyGZList(kMonth, 1));
    book = files.filePath(QStringLiteral("book.xlsx"));
    QVERIFY(writeBook(book));
}

void ExcelLoadInDialogTest::cleanup() {
    list.reset();
    prompter.reset();
    db.reset();
    folder.reset();
}

QString ExcelLoadInDialogTest::fieldList() const {
    return ImportFieldList::Build(list->layout);
}

void ExcelLoadInDialogTest::showsTheControlsAndTheMappingRows() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Excel数据导入工具"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QCOMPARE(dialog.PageControl1->count(), 1);
    QCOMPARE(dialog.PageControl1->tabText(0), QStringLiteral("请选择用于导入的Excel文件"));
    QCOMPARE(dialog.GroupBox2->title(), QStringLiteral("字段对应设置"));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("对应设定"));
    QCOMPARE(dialog.Button6->text(), QStringLiteral("选择来源Excel数据"));
    QCOMPARE(dialog.Button4->text(), QStringLiteral("导入数据"));
    QCOMPARE(dialog.Button3->text(), QStringLiteral("退出(&X)"));
    QVERIFY(!dialog.cmbTables->isEnabled());
    QVERIFY(!dialog.Button4->isEnabled());

    QTableWidget* grid = dialog.Grid;
    QCOMPARE(grid->columnCount(), 6);
    const QStringList headers{"指标名称",       "字段名称", "指标类型",
                              "唯一性关键字段", "必填字段", "对应Excel列"};
    for (int c = 0; c < 6; ++c) QCOMPARE(grid->horizontalHeaderItem(c)->text(), headers[c]);
    QCOMPARE(grid->columnWidth(0), 147);
    QCOMPARE(grid->columnWidth(1), 64);
    QCOMPARE(grid->columnWidth(2), 52);
    QCOMPARE(grid->columnWidth(5), 99);
    QVERIFY(grid->isColumnHidden(3));
    QVERIFY(grid->isColumnHidden(4));
    // 部门 职员编码 姓名 职务 出勤天数 工资/天, two earnings and one deduction.
    QCOMPARE(grid->rowCount(), 9);
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("部门"));
    QCOMPARE(grid->item(0, 1)->text(), QStringLiteral("DepartName"));
    QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("CHAR"));
    QCOMPARE(grid->item(6, 0)->text(), QStringLiteral("应发工资|202406收入1"));
    QCOMPARE(grid->item(8, 1)->text(), QStringLiteral("KK1"));
    QVERIFY(grid->item(0, 5)->text().isEmpty());
    QCOMPARE(grid->currentRow(), 0);

    // "对应设定" before a file.
    dialog.Button1->click();
    QCOMPARE(prompter->texts(),
             QStringList{QStringLiteral("请首先选择源Excel数据文件，然后再指定列对应关系。")});
}

void ExcelLoadInDialogTest::openingAFileShowsItsSheetsPreviewAndMapping() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    dialog.show();
    prompter->queueFile(book);
    dialog.Button6->click();
    QVERIFY(dialog.cmbTables->isEnabled());
    QCOMPARE(dialog.cmbTables->count(), 2);
    QCOMPARE(dialog.cmbTables->itemText(0), QStringLiteral("工资"));
    QCOMPARE(dialog.cmbTables->currentIndex(), 0);
    QAbstractItemModel* preview = dialog.DBGridEh1->model();
    QCOMPARE(preview->rowCount(), 2);
    QCOMPARE(preview->columnCount(), 6);
    QCOMPARE(preview->headerData(3, Qt::Horizontal).toString(),
             QStringLiteral("应发工资|202406收入1"));
    QCOMPARE(preview->index(1, 3).data().toString(), QStringLiteral("2800.5"));
    bool capped = false;
    for (int c = 0; c < preview->columnCount(); ++c) {
        QVERIFY(dialog.DBGridEh1->columnWidth(c) <= TfrmExcelLoadIn::MaxPreviewColumnWidth);
        capped =
            capped || dialog.DBGridEh1->columnWidth(c) == TfrmExcelLoadIn::MaxPreviewColumnWidth;
    }
    QVERIFY(capped);  // the long texts would be wider
    QCOMPARE(dialog.Grid->item(0, 5)->text(), QStringLiteral("部门"));
    QCOMPARE(dialog.Grid->item(2, 5)->text(), QStringLiteral("姓名"));
    QCOMPARE(dialog.Grid->item(6, 5)->text(), QStringLiteral("应发工资|202406收入1"));
    QVERIFY(dialog.Grid->item(1, 5)->text().isEmpty());
    QVERIFY(dialog.Button4->isEnabled());
    if (qEnvironmentVariableIsSet("GZT_SCREENSHOT_DIR")) {
        dialog.Grid->selectRow(2);
        dialog.grab().save(QDir(qEnvironmentVariable("GZT_SCREENSHOT_DIR"))
                               .filePath(QStringLiteral("TfrmExcelLoadIn.png")));
    }
}

void ExcelLoadInDialogTest::columnPopUpSetsTheSelectedRow() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    dialog.show();
    prompter->queueFile(book);
    dialog.Button6->click();
    dialog.Grid->selectRow(2);  // 姓名
    QStringList offered;
    const ModalWatch pick = ModalWatch::onMenu([&](QMenu* menu) {
        for (QAction* action : menu->actions()) offered << action->text();
        if (qEnvironmentVariableIsSet("GZT_SCREENSHOT_DIR")) {
            dialog.grab().save(QDir(qEnvironmentVariable("GZT_SCREENSHOT_DIR"))
                                   .filePath(QStringLiteral("TfrmExcelLoadIn-popup-dialog.png")));
            menu->grab().save(QDir(qEnvironmentVariable("GZT_SCREENSHOT_DIR"))
                                  .filePath(QStringLiteral("TfrmExcelLoadIn-popup.png")));
        }
        menu->setActiveAction(menu->actions().at(4));  // 名字
        QTest::keyClick(menu, Qt::Key_Return);
    });
    dialog.Button1->click();
    QVERIFY(pick.answered());
    QCOMPARE(offered,
             (QStringList{"部门", "姓名", "职务", "应发工资|202406收入1", "名字", "说明"}));
    QCOMPARE(dialog.Grid->item(2, 5)->text(), QStringLiteral("名字"));
    QCOMPARE(dialog.logic().mapping().at(2).excelColumn, QStringLiteral("名字"));

    // Escape on the pop-up changes nothing.
    const ModalWatch escape =
        ModalWatch::onMenu([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    dialog.Button1->click();
    QVERIFY(escape.answered());
    QCOMPARE(dialog.Grid->item(2, 5)->text(), QStringLiteral("名字"));
}

void ExcelLoadInDialogTest::anotherSheetKeepsTheMappings() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    prompter->queueFile(book);
    dialog.Button6->click();
    dialog.cmbTables->setCurrentIndex(1);
    emit dialog.cmbTables->activated(1);
    QCOMPARE(dialog.DBGridEh1->model()->columnCount(), 2);
    QCOMPARE(dialog.DBGridEh1->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("甲"));
    QCOMPARE(dialog.Grid->item(2, 5)->text(), QStringLiteral("姓名"));
    QVERIFY(dialog.Button4->isEnabled());
}

void ExcelLoadInDialogTest::importTellsTheCountsAndNeedsTheFileAgain() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    prompter->queueFile(book);
    dialog.Button6->click();
    prompter->clear();
    dialog.Button4->click();
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("info: 导入数据结束！\n已导入 2 行，跳过 0 行。")});
    QVERIFY(!dialog.Button4->isEnabled());
    QVERIFY(dialog.lastSummary().has_value());
    QCOMPARE(fixture::count(*db,
                            QStringLiteral("select count(*) from TGZ where GZMonth=? and "
                                           "GZ1 is not null"),
                            {kMonth}),
             2);
    prompter->queueFile(book);
    dialog.Button6->click();
    QVERIFY(dialog.Button4->isEnabled());
}

void ExcelLoadInDialogTest::aFailedImportIsToldAndCanBeTriedAgain() {
    // The totals of the row already there cannot be written, as on a full disk: the imported
    // rows go with them.
    fixture::addRow(*db, kMonth, {{"EmpName", "原有"}, {"GZ1", 1000}, {"YFTotal", 0}});
    db->execScript(
        QStringLiteral("create trigger fault before update of YFTotal on TGZ "
                       "begin select raise(abort, 'disk full'); end"));
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    prompter->queueFile(book);
    dialog.Button6->click();
    prompter->clear();
    dialog.Button4->click();
    QCOMPARE(prompter->shown(), QStringList{QStringLiteral("error: 保存数据发生错误！")});
    QVERIFY(!dialog.lastSummary().has_value());
    QCOMPARE(fixture::count(*db, QStringLiteral("select count(*) from TGZ")), 1);
    QVERIFY(dialog.Button4->isEnabled());

    db->execScript(QStringLiteral("drop trigger fault"));
    prompter->clear();
    dialog.Button4->click();
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("info: 导入数据结束！\n已导入 2 行，跳过 0 行。")});
    QVERIFY(dialog.lastSummary().has_value());
    QCOMPARE(fixture::count(*db, QStringLiteral("select count(*) from TGZ where YFTotal>0")), 3);
    QVERIFY(!dialog.Button4->isEnabled());
}

void ExcelLoadInDialogTest::aFileThatIsNoSpreadsheetEmptiesTheDialog() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    dialog.show();
    prompter->queueFile(book);
    dialog.Button6->click();
    const QString text = files.filePath(QStringLiteral("text.xls"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a workbook");
    file.close();
    prompter->clear();
    prompter->queueFile(text);
    dialog.Button6->click();
    QCOMPARE(prompter->texts().last(), QStringLiteral("确认选择的数据文件是正确的数据文件！"));
    QCOMPARE(dialog.DBGridEh1->model()->rowCount(), 0);
    QCOMPARE(dialog.cmbTables->count(), 0);
    QVERIFY(!dialog.cmbTables->isEnabled());
    QVERIFY(!dialog.Button4->isEnabled());
    // The mappings of the first file stay for the next one.
    QCOMPARE(dialog.Grid->item(2, 5)->text(), QStringLiteral("姓名"));
    QTest::qWait(20);  // lets the emptied preview repaint
}

void ExcelLoadInDialogTest::escapeCloses() {
    TfrmExcelLoadIn dialog(*db, *prompter, kMonth, fieldList());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void ExcelLoadInDialogTest::toolButton7OpensTheDialogForTheMonth() {
    bool seen = false;
    int rows = 0;
    QVERIFY(ExcelLoadInToolButton7Click(*db, *prompter, kMonth, list->layout, nullptr,
                                        [&](TfrmExcelLoadIn& dialog) {
                                            QCOMPARE(dialog.logic().month(), kMonth);
                                            rows = dialog.Grid->rowCount();
                                            QTimer::singleShot(0, &dialog, [&dialog, &seen] {
                                                seen = dialog.isVisible() && dialog.isModal();
                                                dialog.Button3->click();
                                            });
                                        }));
    QVERIFY(seen);
    QCOMPARE(rows, 9);
    QVERIFY(prompter->shown().isEmpty());
}

void ExcelLoadInDialogTest::toolButton7WithoutMonthSaysSo() {
    bool opened = false;
    QVERIFY(!ExcelLoadInToolButton7Click(*db, *prompter, QString(), list->layout, nullptr,
                                         [&](TfrmExcelLoadIn&) { opened = true; }));
    QVERIFY(!opened);
    QCOMPARE(prompter->shown(),
             QStringList{QStringLiteral("warning: 请首先建立/选择工资发放月度！")});
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("AR PL UMing CN"));
    QApplication::setFont(QFont(QStringLiteral("宋体"), 9));
    ExcelLoadInDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ExcelLoadInDialogTest.moc"
