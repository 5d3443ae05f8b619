// The round trip of the issue: a generated month of 12 rows written as payslip files, each file
// opened with Debian's xlrd (a reader written by others), whose cell texts must equal what the
// test works out on its own from the template (also read with xlrd) and the rows it stored.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "Database.h"
#include "EPayslipRun.h"
#include "EPayslipTemplates.h"
#include "QtPrinters.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "TestFolder.h"
#include "XlsTestSupport.h"

TEST(EPayslipXlrdTest, TwelveRowsReadBackWithXlrd) {
    TestFolder folder;
    Database db;
    db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
    EPayslipTemplates::writeAll(folder.file(QStringLiteral("RPT")));
    const QString month = QStringLiteral("202403");
    fixture::addMonth(db, month);
    fixture::addStructure(db, month, 12, 3);
    db.exec(QStringLiteral("update TGZSet set ShowStu=1 where GZMonth=? and GZField1='GZ5'"),
            {month});
    db.exec(QStringLiteral("update TPara set PrintDays=0"));

    struct Row {
        QString name;
        double gz[13];
        double kk[4];
        double yf, kkTotal, net;
    };
    std::vector<Row> rows;
    for (int i = 1; i <= 12; ++i) {
        Row r{};
        r.name = i == 7 ? QStringLiteral("员工07/王芳")
                        : QStringLiteral("员工%1").arg(i, 2, 10, QChar(u'0'));
        for (int k = 1; k <= 12; ++k) r.gz[k] = k * 100 + i + 0.5;
        for (int k = 1; k <= 3; ++k) r.kk[k] = k * 10 + 0.25;
        r.yf = 5000 + i;
        r.kkTotal = 60.75;
        r.net = r.yf - r.kkTotal;
        rows.push_back(r);
    }
    // Stored in another order than the list shows them.
    for (int i = 11; i >= 0; --i) {
        const Row& r = rows[static_cast<std::size_t>(i)];
        QVariantMap values{{"DepartName", "生产部"},
                           {"EmpName", r.name},
                           {"YFTotal", r.yf},
                           {"KKTotal", r.kkTotal},
                           {"GZTotal", r.net}};
        for (int k = 1; k <= 12; ++k) values[QStringLiteral("GZ%1").arg(k)] = r.gz[k];
        for (int k = 1; k <= 3; ++k) values[QStringLiteral("KK%1").arg(k)] = r.kk[k];
        fixture::addRow(db, month, values);
    }

    const QString templatePath = EPayslipRun::TemplateForMonth(db, folder.path(), month);
    ASSERT_EQ(QFileInfo(templatePath).fileName(), QStringLiteral("GZBill20_5.xls"));
    TAppParams params;
    params.EntName = QStringLiteral("青禾科技有限公司");
    params.ShowFloat = 1;
    ScriptedPrompter prompter;
    prompter.queueConfirm(false);
    QDir(folder.path()).mkpath(QStringLiteral("payslips"));
    const QString out = folder.file(QStringLiteral("payslips"));
    EPayslipRun run(db, prompter, month, templatePath, params);
    const auto summary = run.Button2Click(out);
    ASSERT_TRUE(summary);
    ASSERT_EQ(summary->written, 12);

    QStringList paths{templatePath};
    for (int i = 1; i <= 12; ++i) {
        QString safe = rows[static_cast<std::size_t>(i - 1)].name;
        safe.replace(u'/', u'_');
        paths << QDir(out).filePath(
            QStringLiteral("%1_%2.xls").arg(i, 4, 10, QChar(u'0')).arg(safe));
        ASSERT_TRUE(QFileInfo::exists(paths.last())) << paths.last().toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(QDir(out).filePath(QStringLiteral("0007_员工07_王芳.xls"))));

    const std::vector<xlstest::XlrdBook> books = xlstest::readWithXlrd(paths);
    ASSERT_EQ(books.size(), 13u);
    for (const xlstest::XlrdBook& b : books) {
        ASSERT_TRUE(b.ok) << b.error.toStdString();
        EXPECT_FALSE(b.log.contains(QStringLiteral("WARNING"))) << b.log.toStdString();
    }
    const auto& templateCells = books[0].cells.at(QStringLiteral("Sheet1"));
    const auto money = [](double v) { return QString::number(v, 'f', 2); };
    for (int i = 1; i <= 12; ++i) {
        const Row& r = rows[static_cast<std::size_t>(i - 1)];
        std::vector<std::pair<QString, QString>> values{
            {"[单位名称]", params.EntName}, {"[EmpName]", r.name},
            {"[GZMonth]", month},           {"[SortIdx]", QString::number(i)},
            {"[YFTotal]", money(r.yf)},     {"[KKTotal]", money(r.kkTotal)},
            {"[GZTotal]", money(r.net)}};
        for (int k = 1; k <= 20; ++k) {
            const bool enabled = k <= 12 && k != 5;
            values.emplace_back(
                QStringLiteral("[工资项目%1]").arg(k),
                enabled ? month + QStringLiteral("收入%1").arg(k) : QStringLiteral("-"));
            values.emplace_back(QStringLiteral("[GZ%1]").arg(k),
                                enabled ? money(r.gz[k]) : QStringLiteral("-"));
        }
        for (int k = 1; k <= 5; ++k) {
            const bool enabled = k <= 3;
            values.emplace_back(
                QStringLiteral("[扣款项目%1]").arg(k),
                enabled ? month + QStringLiteral("扣款%1").arg(k) : QStringLiteral("-"));
            values.emplace_back(QStringLiteral("[KK%1]").arg(k),
                                enabled ? money(r.kk[k]) : QStringLiteral("-"));
        }
        std::map<std::pair<int, int>, QString> expected;
        for (const auto& [key, text] : templateCells) {
            QString t = text;
            if (key.first >= 1) {
                for (const auto& [placeholder, value] : values) {
                    const qsizetype at = t.indexOf(placeholder);
                    if (at >= 0) t.replace(at, placeholder.size(), value);
                }
            }
            expected[key] = t;
        }
        SCOPED_TRACE(paths[i].toStdString());
        EXPECT_EQ(books[static_cast<std::size_t>(i)].cells.at(QStringLiteral("Sheet1")), expected);
        EXPECT_EQ(books[static_cast<std::size_t>(i)].merges, books[0].merges);
    }
    // Spot checks of what a person would read.
    const auto& seventh = books[7].cells.at(QStringLiteral("Sheet1"));
    EXPECT_EQ(seventh.at({2, 3}), QStringLiteral("员工07/王芳"));
    EXPECT_EQ(seventh.at({1, 0}), QStringLiteral("青禾科技有限公司　202403 工资条"));
    EXPECT_EQ(seventh.at({3, 5}), QStringLiteral("-"));
    EXPECT_EQ(seventh.at({4, 5}), QStringLiteral("-"));
    EXPECT_EQ(seventh.at({4, 1}), QStringLiteral("107.50"));
    EXPECT_EQ(seventh.at({0, 0}), templateCells.at({0, 0}));
}
