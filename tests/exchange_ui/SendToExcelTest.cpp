#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <QtTest>

#include "Database.h"
#include "DetailList.h"
#include "GridExcelExport.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SendToExcel.h"
#include "TestFolder.h"

class SendToExcelTest : public QObject {
    Q_OBJECT

  private slots:
    void theGridIsDisabledWhileTheFileIsWritten();
    void aClosedListIsToldAndTheGridEnabledAgain();
};

void SendToExcelTest::theGridIsDisabledWhileTheFileIsWritten() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    fixture::addMonth(db, QStringLiteral("202406"));
    fixture::addRow(db, QStringLiteral("202406"), {{"EmpName", "张三"}, {"GZ1", 3000}});
    ScriptedPrompter prompter;
    DetailList list(db, prompter);
    QVERIFY(list.ReadyGZList(QStringLiteral("202406"), 1));
    QWidget grid;
    QString opened;
    bool enabledWhileOpening = true;
    const auto path = SendToExcel(prompter, QStringLiteral("青禾工资条制作打印软件"), list.layout,
                                  list.dsGZDetail, &grid, [&](const QString& file) {
                                      enabledWhileOpening = grid.isEnabled();
                                      opened = file;
                                      return true;
                                  });
    QVERIFY(path.has_value());
    QVERIFY(!enabledWhileOpening);
    QVERIFY(grid.isEnabled());
    QCOMPARE(opened, *path);
    QCOMPARE(QFileInfo(*path).absolutePath(),
             QFileInfo(GridExcelExport::exportFolder()).absoluteFilePath());
    QVERIFY(QFileInfo(*path).size() > 0);
    QVERIFY(prompter.shown().isEmpty());
    QFile::remove(*path);
}

void SendToExcelTest::aClosedListIsToldAndTheGridEnabledAgain() {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    ScriptedPrompter prompter;
    DetailList list(db, prompter);
    QWidget grid;
    bool opened = false;
    QVERIFY(!SendToExcel(prompter, QStringLiteral("工资统计"), list.layout, list.dsGZDetail, &grid,
                         [&](const QString&) { return opened = true; }));
    QVERIFY(!opened);
    QVERIFY(grid.isEnabled());
    QCOMPARE(prompter.shown(),
             QStringList{QStringLiteral("warning: 查询过程没有执行，没有数据库可以发送！")});
}

QTEST_MAIN(SendToExcelTest)
#include "SendToExcelTest.moc"
