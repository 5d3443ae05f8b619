// Mail dispatch: a 200-row month mailed to a local SMTP server (aiosmtpd, which stores every
// message) with the pause between messages set to 0, so the figure is the cost of one message:
// reading the payslip file, building the MIME text, the SMTP exchange on the open connection and
// the server storing it. Beside it the cost of building one message alone. Results in
// bench/RESULTS.md.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "../tests/exchange/MailTestServer.h"
#include "Database.h"
#include "EPayslipRun.h"
#include "MailLog.h"
#include "MailRun.h"
#include "SalaryFixture.h"
#include "Schema.h"
#include "ScriptedPrompter.h"
#include "SmtpMessage.h"
#include "TestFolder.h"
#include "Transaction.h"

namespace {

constexpr int kRows = 200;
constexpr int kPayslipBytes = 24 * 1024;  // about the size of one payslip .xls
const QString kMonth = QStringLiteral("202406");

QByteArray payslipBytes() {
    QByteArray bytes(kPayslipBytes, '\0');
    for (char& b : bytes) b = static_cast<char>(QRandomGenerator::global()->bounded(256));
    return bytes;
}

struct Month {
    TestFolder folder;
    Database db;
    QString out;

    Month() {
        db.open(Schema::databasePath(folder.path()), Schema::databaseKey());
        fixture::addMonth(db, kMonth);
        QDir(folder.path()).mkpath(QStringLiteral("out"));
        out = folder.file(QStringLiteral("out"));
        const QByteArray bytes = payslipBytes();
        Transaction t(db);
        for (int i = 1; i <= kRows; ++i) {
            const QString name = QStringLiteral("职员%1").arg(i, 4, 10, QChar(u'0'));
            fixture::addRow(db, kMonth,
                            {{"DepartName", QStringLiteral("生产部")},
                             {"EmpName", name},
                             {"EMail", QStringLiteral("emp%1@example.com").arg(i)}});
        }
        t.commit();
        // The rows in the order of the run, so each file has the name the run looks for.
        const QueryResult rows = db.query(EPayslipRun::salaryRowsSql(), {kMonth});
        const int nameColumn = static_cast<int>(rows.columns.indexOf(QStringLiteral("EmpName")));
        for (int i = 0; i < kRows; ++i) {
            QFile f(
                EPayslipRun::fileNameFor(out, i + 1, rows.rows.at(i).at(nameColumn).toString()));
            if (f.open(QIODevice::WriteOnly)) f.write(bytes);
        }
    }
};

Month& month() {
    static Month m;
    return m;
}

void runMonth(benchmark::State& state, const QStringList& serverOptions, bool login) {
    Month& m = month();
    MailTestServer server(serverOptions);
    MailSettings settings;
    settings.smtp = QStringLiteral("127.0.0.1");
    settings.port = QString::number(server.port());
    settings.email = QStringLiteral("hr@qinghe.example.cn");
    settings.emailTitle = QStringLiteral("2024年6月工资条");
    settings.authentication = login;
    settings.user = QStringLiteral("payroll");
    settings.pass = QStringLiteral("s3cret");
    ScriptedPrompter prompter;
    int sent = 0;
    for (auto _ : state) {
        // Each run is a first sending: no "already sent" question.
        state.PauseTiming();
        QFile::remove(MailLog::pathFor(m.folder.path(), kMonth));
        state.ResumeTiming();
        MailRun run(m.db, prompter, m.folder.path(), kMonth, m.out);
        run.setPauseMs(0);
        const std::optional<MailRun::Summary> summary =
            run.cmdEmailClick(settings, QStringLiteral("您好：\n附件是您本月的工资条，请查收。"));
        sent += summary ? summary->sent : 0;
        if (!summary || summary->sent != kRows) state.SkipWithError("not every mail went out");
    }
    state.counters["per_message"] =
        benchmark::Counter(sent, benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                           benchmark::Counter::OneK::kIs1000);
    state.counters["messages"] = sent;
}

void BM_MailRun200(benchmark::State& state) {
    runMonth(state, {}, false);
}
BENCHMARK(BM_MailRun200)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_MailRun200Login(benchmark::State& state) {
    runMonth(state, {QStringLiteral("--auth"), QStringLiteral("payroll:s3cret")}, true);
}
BENCHMARK(BM_MailRun200Login)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_BuildMessage(benchmark::State& state) {
    SmtpMessage m;
    m.from = QStringLiteral("hr@qinghe.example.cn");
    m.replyTo = m.from;
    m.to = QStringLiteral("zhang.san@example.com");
    m.subject = QStringLiteral("2024年6月工资条");
    m.body = QStringLiteral("您好：\n附件是您本月的工资条，请查收。");
    m.attachmentName = QStringLiteral("0001_张三.xls");
    m.attachmentData = payslipBytes();
    const QDateTime now = QDateTime::currentDateTime();
    for (auto _ : state) benchmark::DoNotOptimize(m.toMime(now));
}
BENCHMARK(BM_BuildMessage)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
