#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTableView>
#include <QtTest>
#include <memory>

#include "Database.h"
#include "DetailGrid.h"
#include "DetailList.h"
#include "FooterBar.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "TwoLevelHeader.h"

namespace {

// A payroll database, a detail list over it and a grid shown offscreen.
struct Setup {
    TestFolder folder;
    Database db;
    ScriptedPrompter prompter;
    DetailList list{db, prompter};
    std::unique_ptr<DetailGrid> grid;

    Setup() { db.open(Schema::databasePath(folder.path()), Schema::databaseKey()); }

    // Loads `month` into the list and shows the grid at the given size.
    bool show(const QString& month, QSize size, int printDays = 1) {
        if (!list.ReadyGZList(month, printDays)) return false;
        grid = std::make_unique<DetailGrid>(list);
        grid->resize(size);
        grid->show();
        return QTest::qWaitForWindowExposed(grid.get());
    }
    TwoLevelHeader* header() const {
        return qobject_cast<TwoLevelHeader*>(grid->view()->horizontalHeader());
    }
    FooterBar* footer() const { return grid->findChild<FooterBar*>(); }
    QString cell(int row, int position) const {
        return grid->view()->model()->index(row, position).data().toString();
    }
    QStringList column(int position) const {
        QStringList texts;
        for (int row = 0; row < grid->view()->model()->rowCount(); ++row) {
            texts << cell(row, position);
        }
        return texts;
    }
    QPoint rowPoint(int row) const {
        const QModelIndex index = grid->view()->model()->index(row, list.GetCol("EmpName"));
        return grid->view()->visualRect(index).center();
    }
    // Header section and footer cell of a position, both in global x.
    std::pair<int, int> headerSpan(int position) const {
        const QHeaderView* h = header();
        const int x =
            h->viewport()->mapToGlobal(QPoint(h->sectionViewportPosition(position), 0)).x();
        return {x, h->sectionSize(position)};
    }
    std::pair<int, int> footerSpan(int position) const {
        const QRect rect = footer()->cellRect(position);
        return {footer()->mapToGlobal(rect.topLeft()).x(), rect.width()};
    }
};

int sectionsWidth(const QHeaderView* header, int first, int last) {
    int width = 0;
    for (int i = first; i <= last; ++i)
        width += header->isSectionHidden(i) ? 0 : header->sectionSize(i);
    return width;
}

QList<int> shownSections(const QHeaderView* header, int first, int last) {
    QList<int> shown;
    for (int i = first; i <= last; ++i) {
        if (!header->isSectionHidden(i)) shown << i;
    }
    return shown;
}

}  // namespace

class DetailGridTest : public QObject {
    Q_OBJECT

  private slots:
    void groupsSpanTheirShownColumns();
    void footerShowsTotalsUnderTheirColumns();
    void titleClickSortsThroughTheList();
    void selectionAndActivationReachTheList();
    void tenThousandRows();
    void screenshot();
};

void DetailGridTest::groupsSpanTheirShownColumns() {
    Setup s;
    fixture::addStructure(s.db, "m", 3, 2);
    fixture::addRow(s.db, "m", {{"EmpName", "甲"}, {"GZ1", 100}});
    QVERIFY(s.show("m", {700, 300}));
    TwoLevelHeader* header = s.header();
    QVERIFY(header->height() >= 2 * header->fontMetrics().height());

    const auto check = [&](const QList<int>& earnings, const QList<int>& deductions) {
        const QList<TwoLevelHeader::GroupSpan> spans = header->groupSpans();
        QCOMPARE(spans.size(), 2);
        const struct {
            QString text;
            QList<int> sections;
        } expected[] = {{"应发工资", earnings}, {"应扣/代扣工资", deductions}};
        for (int i = 0; i < 2; ++i) {
            const TwoLevelHeader::GroupSpan& span = spans[i];
            QCOMPARE(span.text, expected[i].text);
            QCOMPARE(shownSections(header, span.first, span.last), expected[i].sections);
            QCOMPARE(span.x, header->sectionViewportPosition(span.first));
            QCOMPARE(span.width, sectionsWidth(header, span.first, span.last));
        }
    };
    check({10, 11, 12, 40}, {41, 42, 56});

    // Hiding the first earning moves the span's start; the hidden one leaves no gap.
    s.list.layout.column(10).visible = false;
    s.grid->refresh();
    check({11, 12, 40}, {41, 42, 56});

    QScrollBar* bar = s.grid->view()->horizontalScrollBar();
    QVERIFY(bar->maximum() >= 100);
    const int before = header->groupSpans()[0].x;
    bar->setValue(100);
    QCOMPARE(header->groupSpans()[0].x, before - 100);
    header->resizeSection(41, 90);
    check({11, 12, 40}, {41, 42, 56});
    QCOMPARE(header->groupSpans()[1].width, 90 + 52 + 60);
}

void DetailGridTest::footerShowsTotalsUnderTheirColumns() {
    Setup s;
    fixture::addStructure(s.db, "m", 3, 2);
    for (int i = 0; i < 30; ++i) {
        fixture::addRow(s.db, "m",
                        {{"EmpName", QString("员工%1").arg(i)},
                         {"GZ1", 100.4},
                         {"KK1", 0.5},
                         {"GZTotal", 99.9}});
    }
    QVERIFY(s.show("m", {700, 300}));
    FooterBar* footer = s.footer();
    const struct {
        int position;
        QString whole;
        QString decimals;
    } texts[] = {{1, "合计", "合计"}, {5, "30条", "30条"}, {10, "3012", "3012.00"},
                 {11, "0", "0.00"},   {41, "15", "15.00"}, {57, "2997", "2997.00"},
                 {3, "", ""}};
    for (const auto& t : texts) QCOMPARE(footer->text(t.position), t.whole);
    s.list.layout.setAmountFormat("0.00");
    s.grid->refresh();
    for (const auto& t : texts) QCOMPARE(footer->text(t.position), t.decimals);
    QCOMPARE(s.cell(0, 10), QString("100.40"));

    QVERIFY(s.grid->view()->verticalScrollBar()->isVisible());
    const int positions[] = {1, 5, 10, 40, 41, 57, 60};
    const auto aligned = [&] {
        for (int p : positions) {
            if (s.footerSpan(p) != s.headerSpan(p)) {
                qWarning() << "position" << p << s.footerSpan(p) << s.headerSpan(p);
                return false;
            }
        }
        return true;
    };
    QVERIFY(aligned());
    s.grid->view()->horizontalScrollBar()->setValue(150);
    QVERIFY(aligned());
    s.header()->resizeSection(5, 130);
    QVERIFY(aligned());
    QVERIFY(footer->cellRect(8).isEmpty());  // hidden columns have no cell

    // A width set by the user stays across a refresh.
    s.grid->refresh();
    QCOMPARE(s.header()->sectionSize(5), 130);
}

void DetailGridTest::titleClickSortsThroughTheList() {
    Setup s;
    const char* rows[][2] = {{"A", "丁"}, {"B", "乙"}, {"C", "甲"}, {"D", "丙"}};
    for (const auto& row : rows) {
        fixture::addRow(s.db, "m", {{"DepartName", row[0]}, {"EmpName", row[1]}});
    }
    QVERIFY(s.show("m", {900, 300}));
    DetailGrid* grid = s.grid.get();
    // The owner's part: sort the list, then show it.
    const QMetaObject::Connection owner =
        QObject::connect(grid, &DetailGrid::titleClicked, grid, [&](int position) {
            s.list.titleClicked(position);
            grid->refresh();
        });
    QSignalSpy clicked(grid, &DetailGrid::titleClicked);
    TwoLevelHeader* header = s.header();
    const auto clickTitle = [&](int position) {
        const QPoint point(
            header->sectionViewportPosition(position) + header->sectionSize(position) / 2,
            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
    };
    const int name = s.list.GetCol("EmpName");
    QCOMPARE(s.column(name), (QStringList{"丁", "乙", "甲", "丙"}));
    QVERIFY(!header->isSortIndicatorShown());

    const struct {
        int position;
        QStringList names;
        Qt::SortOrder order;
    } steps[] = {
        {name, {"丙", "丁", "甲", "乙"}, Qt::AscendingOrder},
        {name, {"乙", "甲", "丁", "丙"}, Qt::DescendingOrder},
        // The row number is not sortable: order and marker stay as they were.
        {1, {"乙", "甲", "丁", "丙"}, Qt::DescendingOrder},
    };
    for (const auto& step : steps) {
        clickTitle(step.position);
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.takeFirst().at(0).toInt(), step.position);
        QCOMPARE(s.column(name), step.names);
        QCOMPARE(s.column(1), (QStringList{"1", "2", "3", "4"}));
        QVERIFY(header->isSortIndicatorShown());
        QCOMPARE(header->sortIndicatorSection(), name);
        QCOMPARE(header->sortIndicatorOrder(), step.order);
    }

    // Without an owner sorting the list the marker stays where the list's sort is.
    QObject::disconnect(owner);
    clickTitle(s.list.GetCol("DepartName"));
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(header->sortIndicatorSection(), name);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A reload orders by department and name again.
    QVERIFY(s.list.ReadyGZList("m", 1));
    grid->refresh();
    QCOMPARE(s.column(name), (QStringList{"丁", "乙", "甲", "丙"}));
}

void DetailGridTest::selectionAndActivationReachTheList() {
    Setup s;
    for (int i = 0; i < 6; ++i) fixture::addRow(s.db, "m", {{"EmpName", QString("员工%1").arg(i)}});
    QVERIFY(s.show("m", {900, 400}));
    DetailGrid* grid = s.grid.get();
    QWidget* viewport = grid->view()->viewport();
    QSignalSpy current(grid, &DetailGrid::currentRowChanged);
    QSignalSpy activated(grid, &DetailGrid::rowActivated);

    const struct {
        QList<std::pair<int, Qt::KeyboardModifiers>> clicks;
        std::vector<int> selected;
    } cases[] = {
        {{{1, {}}, {3, Qt::ControlModifier}}, {1, 3}},
        {{{4, {}}, {2, Qt::ShiftModifier}}, {2, 3, 4}},
        {{{0, {}}, {2, Qt::ControlModifier}, {5, Qt::ControlModifier}, {2, Qt::ControlModifier}},
         {0, 5}},
        {{{3, {}}}, {3}},
    };
    for (const auto& c : cases) {
        for (const auto& [row, modifiers] : c.clicks) {
            QTest::mouseClick(viewport, Qt::LeftButton, modifiers, s.rowPoint(row));
        }
        QCOMPARE(grid->selectedRows(), c.selected);
        const int last = c.clicks.back().first;
        QCOMPARE(grid->currentRow(), last);
        QCOMPARE(s.list.dsGZDetail.recNo(), last);
        QCOMPARE(current.last().at(0).toInt(), last);
    }

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(grid->view(), key);
        QCOMPARE(activated.size(), 1);
        QCOMPARE(activated.takeFirst().at(0).toInt(), 3);
    }
    // A real double-click arrives as press, release, double-click, release.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, s.rowPoint(4));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, s.rowPoint(4));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, s.rowPoint(4));
    QCOMPARE(activated.size(), 1);
    QCOMPARE(activated.takeFirst().at(0).toInt(), 4);
    QCOMPARE(s.list.dsGZDetail.recNo(), 4);

    // refresh() takes the current row from the record set.
    s.list.dsGZDetail.setRecNo(1);
    grid->refresh();
    QCOMPARE(grid->currentRow(), 1);
    QCOMPARE(grid->selectedRows(), std::vector<int>{1});
}

void DetailGridTest::tenThousandRows() {
    Setup s;
    s.db.execScript(
        "insert into TGZ (GZMonth, DepartName, EmpName, GZ1, GZTotal) "
        "with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000) "
        "select 'big', '部门' || (i % 7), '员工' || i, i, i from n;");
    QVERIFY(s.show("big", {1000, 500}));
    QCOMPARE(s.grid->view()->model()->rowCount(), 10000);
    QCOMPARE(s.footer()->text(5), QString("10000条"));
    QCOMPARE(s.footer()->text(10), QString("50005000"));
    s.grid->setCurrentRow(9999);
    QCOMPARE(s.list.dsGZDetail.recNo(), 9999);
    const QString current = s.cell(9999, s.list.GetCol("EmpName"));
    s.list.titleClicked(s.list.GetCol("GZ1"));
    s.grid->refresh();
    QCOMPARE(s.cell(0, 10), QString("1"));
    // The current record stays current wherever the sort moved it.
    QCOMPARE(s.cell(s.grid->currentRow(), s.list.GetCol("EmpName")), current);
    QVERIFY(!s.grid->grab().isNull());
}

void DetailGridTest::screenshot() {
    Setup s;
    fixture::addStructure(s.db, "2026年05月", 10, 5);
    const QStringList items[] = {{"基本工资", "岗位工资", "绩效奖金", "加班费", "交通补贴",
                                  "餐费补贴", "通讯补贴", "全勤奖", "工龄工资", "其他补贴"},
                                 {"养老保险", "医疗保险", "失业保险", "住房公积金", "个人所得税"}};
    for (int type = 0; type < 2; ++type) {
        for (int k = 0; k < items[type].size(); ++k) {
            s.db.exec("update TGZSet set GZName=? where GZMonth=? and GZType=? and SortIdx=?",
                      {items[type][k], "2026年05月", type, k + 1});
        }
    }
    const QStringList departments{"生产部", "财务部", "销售部", "行政部"};
    for (int i = 0; i < 25; ++i) {
        QVariantMap row{{"DepartName", departments[i % 4]},
                        {"EmpCode", QString("A%1").arg(i + 1, 3, 10, QChar('0'))},
                        {"EmpName", QString("职员%1").arg(i + 1)},
                        {"ZWName", i % 5 == 0 ? "经理" : "职员"},
                        {"WorkDays", 21.5},
                        {"OneDayMOney", 150.25},
                        {"QM", "已签"},
                        {"EMail", QString("staff%1@example.com").arg(i + 1)},
                        {"LOGTime", "2026-05-31 17:30:00"}};
        double earned = 0, withheld = 0;
        for (int k = 1; k <= 10; ++k) {
            const double value = 100 * k + i * 3.25;
            row.insert(QString("GZ%1").arg(k), value);
            earned += value;
        }
        for (int k = 1; k <= 5; ++k) {
            const double value = 10 * k + i * 0.5;
            row.insert(QString("KK%1").arg(k), value);
            withheld += value;
        }
        row.insert("YFTotal", earned);
        row.insert("KKTotal", withheld);
        row.insert("GZTotal", earned - withheld);
        fixture::addRow(s.db, "2026年05月", row);
    }
    s.list.layout.setAmountFormat("0.00");
    QVERIFY(s.show("2026年05月", {1200, 500}));
    s.list.titleClicked(s.list.GetCol("EmpCode"));
    s.grid->refresh();
    s.grid->setCurrentRow(2);
    QVERIFY(s.grid->grab().save("/tmp/detailgrid.png"));

    // Scrolled to the right end, with a narrowed column whose title has to wrap.
    s.header()->resizeSection(s.list.GetCol("EMail"), 40);
    QCoreApplication::processEvents();
    s.grid->view()->horizontalScrollBar()->setValue(
        s.grid->view()->horizontalScrollBar()->maximum());
    QVERIFY(s.grid->grab().save("/tmp/detailgrid-right.png"));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QFont::insertSubstitution("宋体", "AR PL UMing CN");
    QApplication::setFont(QFont("宋体", 9));
    DetailGridTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DetailGridTest.moc"
