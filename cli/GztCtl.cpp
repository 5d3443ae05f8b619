#include "GztCtl.h"

#include <unistd.h>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "AppState.h"
#include "ConsolePrompter.h"
#include "DatabaseBackup.h"
#include "DatabaseError.h"
#include "DatabaseRestore.h"
#include "DemoData.h"
#include "DetailList.h"
#include "DetailTable.h"
#include "EPayslipRun.h"
#include "ExcelMonthCommands.h"
#include "GZCount.h"
#include "InstanceLock.h"
#include "LoginPassword.h"
#include "MailLog.h"
#include "MailRun.h"
#include "MailSettings.h"
#include "MonthCopy.h"
#include "PayMonths.h"
#include "PayslipRun.h"
#include "PosSlipText.h"
#include "SalaryItem.h"
#include "Schema.h"
#include "TDM.h"
#include "TerminalInput.h"
#include "Transaction.h"

namespace {

void printLine(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

const char* const kOverview =
    "用法 Usage: gztctl [--dir 程序文件夹] [--yes] [--password 密码] 命令 ...\n"
    "\n"
    "命令 Commands (gztctl 命令 --help 显示各命令的说明 / shows a command's help):\n";

const char* const kOptions =
    "\n"
    "选项 Options:\n"
    "  --dir 文件夹       程序文件夹，缺省为 gztctl 所在的文件夹\n"
    "                     program folder; default: the folder gztctl lies in\n"
    "  --yes              回答窗口会问的确认 / answer Yes to the confirmations the window asks\n"
    "  --password 密码    设置了登陆密码时用于修改数据的命令 / the login password, where one is "
    "set\n"
    "  -h, --help         显示帮助 / show help\n"
    "\n"
    "退出状态 Exit status: 0 成功 success, 1 操作报告失败 the operation failed, 2 调用错误 wrong "
    "call\n";

}  // namespace

const GztCtl::Command* GztCtl::find(const QString& name) {
    static const Command commands[] = {
        {"init",
         "init [--demo]",
         "建立数据库 db/ZYDB.dat（已存在时不动）；--demo 再加一个约20名职员、3个部门的示例月度。\n"
         "Creates db/ZYDB.dat when it is missing (an existing one is left untouched); --demo also\n"
         "adds a sample month of about 20 employees in 3 departments.",
         {QStringLiteral("--demo")},
         {},
         0,
         false,
         &GztCtl::runInit},
        {"months",
         "months",
         "列出工资发放月度，最新的在前，附明细行数。\nLists the pay months, newest first, with "
         "their "
         "row counts.",
         {},
         {},
         0,
         false,
         &GztCtl::runMonths},
        {"add-month",
         "add-month 月度 [--from 源月度] [--copy-rows]",
         "增加月度并复制源月度（缺省为系统默认）的工资结构；--copy-rows 同时复制源月度的明细。\n"
         "Adds a month with the structure of SOURCE (default: the template); --copy-rows also\n"
         "copies SOURCE's salary rows.",
         {QStringLiteral("--copy-rows")},
         {QStringLiteral("--from")},
         1,
         true,
         &GztCtl::runAddMonth},
        {"recalc",
         "recalc 月度",
         "按启用的工资项目重新计算月度每行的应发合计、应扣合计和实发工资。\n"
         "Recomputes the three totals of every row of the month from its enabled items.",
         {},
         {},
         1,
         true,
         &GztCtl::runRecalc},
        {"payslips",
         "payslips 月度 --pdf 文件 [--rows ID,...]",
         "把月度的工资条打印到PDF文件；--rows 只打印这些ID的行（即“打印选定行”）。\n"
         "Prints the month's payslips into a PDF file; --rows prints only the rows with these IDs.",
         {},
         {QStringLiteral("--pdf"), QStringLiteral("--rows")},
         1,
         false,
         &GztCtl::runPayslips,
         {QStringLiteral("--pdf")}},
        {"import",
         "import 月度 文件 [--sheet 工作表]",
         "按标题自动对应，把 .xls/.xlsx 文件的工作表导入月度，然后重新计算合计。\n"
         "Imports a sheet of an .xls/.xlsx file into the month, mapping columns by their "
         "captions,\nthen recalculates the month's totals.",
         {},
         {QStringLiteral("--sheet")},
         2,
         true,
         &GztCtl::runImport},
        {"table",
         "table 月度 --pdf 文件",
         "把月度明细表（“打印明细表”）打印到PDF文件。\nPrints the month's detail table into a PDF "
         "file.",
         {},
         {QStringLiteral("--pdf")},
         1,
         false,
         &GztCtl::runTable,
         {QStringLiteral("--pdf")}},
        {"pos",
         "pos 月度 [--out 文件]",
         "生成POS工资条文本 tmp.Txt（GBK），--out 另存一份。\n"
         "Writes the POS slip text tmp.Txt (GBK); --out also copies it to FILE.",
         {},
         {QStringLiteral("--out")},
         1,
         false,
         &GztCtl::runPos},
        {"export",
         "export 月度 --xlsx 文件",
         "把月度明细表导出为 .xlsx 文件（“发送Excel”）。\nExports the month's detail list to an "
         ".xlsx file.",
         {},
         {QStringLiteral("--xlsx")},
         1,
         false,
         &GztCtl::runExport,
         {QStringLiteral("--xlsx")}},
        {"epayslips",
         "epayslips 月度 --out 文件夹 [--pdf [--password-column 列]]",
         "为月度每一行生成一个电子工资条文件 NNNN_姓名.xls；--pdf 改为按打印工资条的格式生成\n"
         "NNNN_姓名.pdf，--password-column 再用该行这一列的值（如 EmpCode 职员编码）作为打开密码\n"
         "（AES-256）加密；这一列为空的职员不生成文件，并报告出来（退出状态 1）。\n"
         "Writes one electronic payslip file NNNN_name.xls per row of the month; --pdf writes\n"
         "NNNN_name.pdf laid out as the printed payslip instead, and --password-column locks each\n"
         "file (AES-256) with the row's value of that column (such as EmpCode); a row whose value\n"
         "is empty gets no file and is reported (exit status 1).",
         {QStringLiteral("--pdf")},
         {QStringLiteral("--out"), QStringLiteral("--password-column")},
         1,
         false,
         &GztCtl::runEPayslips,
         {QStringLiteral("--out")}},
        {"mail",
         "mail 月度 --out 文件夹 [--resend-failed]",
         "按 comm.ini 和 EMailContent.Lst 的设置，把文件夹中的电子工资条（.xls 或 .pdf）发给每位\n"
         "职员；标题和内容中的 {姓名} {月度} {部门} {实发工资} {应发合计} {应扣合计} "
         "换成各人的值。\n"
         "每次发送记入程序文件夹中的 邮件发送记录_月度.csv；月度已经发送过时，再次全部发送需要\n"
         "--yes；--resend-failed 只重发上次发送失败的邮件。\n"
         "Mails the payslip files (.xls or .pdf) in the folder with the settings of comm.ini and\n"
         "EMailContent.Lst; {姓名} {月度} {部门} {实发工资} {应发合计} {应扣合计} in subject and "
         "body\n"
         "become each employee's values. Every run is recorded in 邮件发送记录_MONTH.csv in the\n"
         "program folder; sending a month again in full needs --yes; --resend-failed sends only\n"
         "the mails that failed in the latest run.",
         {QStringLiteral("--resend-failed")},
         {QStringLiteral("--out")},
         1,
         false,
         &GztCtl::runMail,
         {QStringLiteral("--out")}},
        {"stats",
         "stats 月度1,月度2,...",
         "列出几个月度合计的统计：各金额列的合计和行数。\n"
         "Prints the statistics of the listed months together: each amount column's sum and the "
         "row count.",
         {},
         {},
         1,
         false,
         &GztCtl::runStats},
        {"backup",
         "backup 文件",
         "把数据文件夹 db/ 备份为一个 ZIP 档案（.GZBK）；文件已存在时需要 --yes。\n"
         "Backs the data folder db/ up into one ZIP archive; an existing file needs --yes.",
         {},
         {},
         1,
         false,
         &GztCtl::runBackup},
        {"restore",
         "restore 文件",
         "检查备份档案后还原数据文件夹；档案有误时数据不变。\n"
         "Restores the data folder from a checked backup archive; a bad archive changes nothing.",
         {},
         {},
         1,
         true,
         &GztCtl::runRestore},
    };
    for (const Command& command : commands) {
        if (name == QString::fromLatin1(command.name)) return &command;
    }
    return nullptr;
}

void GztCtl::printUsage(FILE* stream) {
    std::fputs(kOverview, stream);
    for (const char* name : {"init", "months", "add-month", "import", "recalc", "payslips", "table",
                             "pos", "export", "epayslips", "mail", "stats", "backup", "restore"}) {
        const Command* command = find(QString::fromLatin1(name));
        printLine(stream, QStringLiteral("  ") + QString::fromUtf8(command->usage));
    }
    std::fputs(kOptions, stream);
}

void GztCtl::printCommandHelp(const Command& command) {
    printLine(stdout,
              QStringLiteral("用法 Usage: gztctl [--dir 程序文件夹] [--yes] [--password 密码] ") +
                  QString::fromUtf8(command.usage));
    printLine(stdout, QString());
    printLine(stdout, QString::fromUtf8(command.help));
}

int GztCtl::wrongCall(const QString& message) const {
    // One line: what was wrong, and where the help is.
    const QString help =
        command_ ? QStringLiteral("gztctl %1 --help").arg(QString::fromLatin1(command_->name))
                 : QStringLiteral("gztctl --help");
    printLine(stderr, QStringLiteral("%1（%2）").arg(message, help));
    return WrongCall;
}

std::optional<QString> GztCtl::option(const char* name) const {
    const auto it = options_.find(QString::fromLatin1(name));
    if (it == options_.end()) return std::nullopt;
    return *it;
}

bool GztCtl::parse(const QStringList& arguments) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= arguments.size()) return std::nullopt;
            return arguments.at(++i);
        };
        if (arg == u"-h" || arg == u"--help") {
            help_ = true;
        } else if (arg == u"--yes") {
            yes_ = true;
        } else if (arg == u"--dir" || arg == u"--password") {
            const std::optional<QString> v = value();
            if (!v) {
                wrongCall(QStringLiteral("%1 后面缺少值 (%1 needs a value)").arg(arg));
                return false;
            }
            if (arg == u"--dir") {
                folder_ = QDir(*v).absolutePath() + u'/';
            } else {
                password_ = *v;
            }
        } else if (!command_ && !arg.startsWith(u'-')) {
            command_ = find(arg);
            if (!command_) {
                wrongCall(QStringLiteral("未知命令 unknown command: %1").arg(arg));
                return false;
            }
        } else if (command_ && command_->flags.contains(arg)) {
            flags_ << arg;
        } else if (command_ && command_->valued.contains(arg)) {
            const std::optional<QString> v = value();
            if (!v) {
                wrongCall(QStringLiteral("%1 后面缺少值 (%1 needs a value)").arg(arg));
                return false;
            }
            options_.insert(arg, *v);
        } else if (command_ && !arg.startsWith(u'-')) {
            positionals_ << arg;
        } else {
            wrongCall(QStringLiteral("无法识别的参数 unknown argument: %1").arg(arg));
            return false;
        }
    }
    return true;
}

int GztCtl::run(const QStringList& arguments) {
    if (!parse(arguments)) return WrongCall;
    if (!command_) {
        printUsage(help_ ? stdout : stderr);
        return help_ ? Ok : WrongCall;
    }
    if (help_) {
        printCommandHelp(*command_);
        return Ok;
    }
    if (positionals_.size() != command_->positionals) {
        return wrongCall(QStringLiteral("参数个数不对 wrong number of arguments"));
    }
    for (const QString& required : command_->required) {
        if (!options_.contains(required)) {
            return wrongCall(QStringLiteral("缺少 %1 (%1 is required)").arg(required));
        }
    }
    // Changing data while the window (or another run) has the folder open would write over
    // what it shows and keeps.
    InstanceLock lock(folder_);
    if (command_->changesData && !lock.acquire()) {
        printLine(stderr, InstanceLock::runningMessage());
        return Failed;
    }
    // Errors the operations raise are told as the window's general error box would tell them.
    try {
        return (this->*command_->handler)();
    } catch (const std::exception& e) {
        printLine(stderr, QString::fromUtf8(e.what()));
        return Failed;
    }
}

bool GztCtl::monthExists(TDM& dm, const QString& month) const {
    if (!dm.GetDataBySQL(QStringLiteral("select GZMonth from TGZMonth where GZMonth=?"), {month})
             .isEmpty()) {
        return true;
    }
    printLine(stderr, QStringLiteral("月度[%1]不存在！").arg(month));
    return false;
}

bool GztCtl::checkPassword(TDM& dm) {
    TAppParams params;
    LoadRegPara(dm, params);
    if (!LoginPassword::Required(params.LogPass)) return true;
    std::optional<QString> typed = password_;
    if (!typed) typed = ReadHiddenLine(LoginPassword::adminPrompt());
    if (typed && *typed == params.LogPass) return true;
    printLine(stderr, QStringLiteral("密码错误！"));
    return false;
}

int GztCtl::runInit() {
    try {
        const bool created = Schema::createDatabaseFile(folder_);
        printLine(stdout, (created ? QStringLiteral("已建立数据库 created: %1")
                                   : QStringLiteral("数据库已存在 exists: %1"))
                              .arg(Schema::databasePath(folder_)));
        if (!flag("--demo")) return Ok;
        Database db;
        db.open(Schema::databasePath(folder_), Schema::databaseKey());
        const QString month = PayMonths::proposedMonth();
        if (!db.query(QStringLiteral("select ID from TGZMonth where GZMonth=?"), {month})
                 .rows.empty()) {
            printLine(stderr, QStringLiteral("名称为[%1]的月度已经存在！").arg(month));
            return Failed;
        }
        const int rows = DemoData::addMonth(db, month);
        printLine(stdout, QStringLiteral("示例月度 sample month %1: %2 行 rows")
                              .arg(month, QString::number(rows)));
        return Ok;
    } catch (const DatabaseError& e) {
        printLine(stderr, QStringLiteral("建立数据库失败：%1").arg(e.message()));
        return Failed;
    }
}

int GztCtl::runMonths() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected()) return Failed;
    try {
        const QueryResult result = dm.ADOLocal.query(QStringLiteral(
            "select m.GZMonth, (select count(*) from TGZ t where t.GZMonth=m.GZMonth) "
            "from TGZMonth m order by m.ID desc"));
        for (const QVariantList& row : result.rows) {
            printLine(stdout, QStringLiteral("%1\t%2").arg(row[0].toString(), row[1].toString()));
        }
        return Ok;
    } catch (const DatabaseError&) {
        printLine(stderr, QStringLiteral("读取数据库发生错误！"));
        return Failed;
    }
}

int GztCtl::runAddMonth() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected() || !checkPassword(dm)) return Failed;
    const QString month = positional(0);
    std::optional<QString> source = option("--from");
    if (source && IsTemplateKey(*source)) source.reset();
    if (source && !monthExists(dm, *source)) return Failed;
    if (flag("--copy-rows") && !source) {
        return wrongCall(QStringLiteral("--copy-rows 需要 --from 源月度"));
    }
    // The month, its structure and its copied rows are one change: all of it or none.
    std::optional<Transaction> transaction;
    try {
        transaction.emplace(dm.ADOLocal);
    } catch (const DatabaseError&) {
        // A read-only or locked database cannot take the month.
        printLine(stderr, QStringLiteral("保存数据发生错误！"));
        return Failed;
    }
    PayMonths months(dm.ADOLocal, prompter);
    months.ReadyMonth();
    prompter.setInput(month);
    const auto chooser = [&source] { return source; };
    if (!months.Button1Click(chooser) || prompter.failed()) return Failed;
    if (flag("--copy-rows") &&
        !MonthCopy::Button9Click(dm.ADOLocal, prompter, month, false, chooser)) {
        return Failed;
    }
    if (prompter.failed()) return Failed;
    try {
        transaction->commit();
    } catch (const DatabaseError&) {
        printLine(stderr, QStringLiteral("保存数据发生错误！"));
        return Failed;
    }
    printLine(stdout, QStringLiteral("已增加月度 added: %1").arg(month));
    return Ok;
}

int GztCtl::runRecalc() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected() || !monthExists(dm, positional(0)) || !checkPassword(dm)) return Failed;
    TAppParams params;
    LoadRegPara(dm, params);
    DetailList list(dm.ADOLocal, prompter);
    if (!list.ReadyGZList(positional(0), params.PrintDays)) {
        printLine(stderr, QStringLiteral("读取数据库发生错误！"));
        return Failed;
    }
    if (!list.ReCalcAll()) {
        printLine(stderr, QStringLiteral("保存数据发生错误！"));
        return Failed;
    }
    printLine(
        stdout,
        QStringLiteral("已重新计算 recalculated: %1 行 rows").arg(list.dsGZDetail.recordCount()));
    return prompter.failed() ? Failed : Ok;
}

int GztCtl::runPayslips() {
    const std::optional<QString> pdf = option("--pdf");
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected() || !monthExists(dm, positional(0))) return Failed;
    TAppParams params;
    LoadRegPara(dm, params);
    DetailList list(dm.ADOLocal, prompter);
    if (!list.ReadyGZList(positional(0), params.PrintDays)) {
        printLine(stderr, QStringLiteral("读取数据库发生错误！"));
        return Failed;
    }
    std::vector<int> rows;
    const std::optional<QString> ids = option("--rows");
    if (ids) {
        for (const QString& text : ids->split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const qlonglong id = text.trimmed().toLongLong(&ok);
            int found = -1;
            for (int row = 0; ok && row < list.dsGZDetail.recordCount(); ++row) {
                if (list.dsGZDetail.value(row, QStringLiteral("ID")).toLongLong() == id)
                    found = row;
            }
            if (found < 0) {
                printLine(stderr,
                          QStringLiteral("月度[%1]没有ID为%2的行").arg(positional(0), text));
                return Failed;
            }
            rows.push_back(found);
        }
    }
    const bool printed = PrintPayslipsToPdf(dm.ADOLocal, prompter, folder_, list, params, rows,
                                            ids.has_value(), QFileInfo(*pdf).absoluteFilePath());
    if (!printed || prompter.failed()) return Failed;
    printLine(stdout, QStringLiteral("已打印 printed: %1").arg(*pdf));
    return Ok;
}

int GztCtl::runBackup() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected()) return Failed;
    const QString target = QFileInfo(positional(0)).absoluteFilePath();
    // The window's file dialog asks before replacing a file; here --yes answers that question.
    if (QFileInfo::exists(target) &&
        !prompter.confirm(QStringLiteral("%1已存在。\n要替换它吗？").arg(target))) {
        return Failed;
    }
    prompter.setFile(target);
    const bool written =
        DatabaseBackup(dm.ADOLocal, folder_).MenuItem1Click(prompter, QDate::currentDate());
    return written && !prompter.failed() ? Ok : Failed;
}

int GztCtl::runRestore() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected()) return Failed;
    TAppParams params;
    LoadRegPara(dm, params);
    if (!checkPassword(dm)) return Failed;
    prompter.setFile(QFileInfo(positional(0)).absoluteFilePath());
    // The password was checked above; the restore's own question gets the same answer.
    const QString typed = password_.value_or(params.LogPass);
    RestoreDatabase(dm, prompter, folder_, params.LogPass,
                    [typed](const QString&) { return typed; });
    return prompter.failed() ? Failed : Ok;
}

namespace {

bool onTerminal() {
    return std::getenv("TERM") && isatty(fileno(stderr));
}

void showProgress(int done, int total) {
    if (!onTerminal()) return;
    std::fprintf(stderr, "\r%d/%d", done, total);
    if (done == total) std::fputc('\n', stderr);
}

}  // namespace

bool GztCtl::loadMonth(TDM& dm, TAppParams& params) {
    if (!dm.connected() || !monthExists(dm, positional(0))) return false;
    LoadRegPara(dm, params);
    return true;
}

int GztCtl::runImport() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params) || !checkPassword(dm)) return Failed;
    const ExcelImport::Summary summary = ExcelMonthCommands::importFile(
        dm.ADOLocal, prompter, positional(0), params.PrintDays,
        QFileInfo(positional(1)).absoluteFilePath(), option("--sheet").value_or(QString()));
    printLine(stdout, QStringLiteral("已导入 imported: %1, 跳过 skipped: %2")
                          .arg(summary.imported)
                          .arg(summary.skipped));
    return summary.skipped > 0 || prompter.failed() ? Failed : Ok;
}

int GztCtl::runTable() {
    const std::optional<QString> pdf = option("--pdf");
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params)) return Failed;
    const int pages = DetailTable::writeMonthPdf(dm.ADOLocal, prompter, params, positional(0),
                                                 QFileInfo(*pdf).absoluteFilePath());
    if (pages <= 0) return Failed;
    printLine(stdout,
              QStringLiteral("已打印 printed: %1 (%2 页 pages)").arg(*pdf, QString::number(pages)));
    return Ok;
}

int GztCtl::runPos() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params)) return Failed;
    if (!PosSlipText::writeMonthFile(dm.ADOLocal, prompter, params, positional(0), folder_)) {
        return Failed;
    }
    const QString written = QDir(folder_).filePath(QStringLiteral("tmp.Txt"));
    const std::optional<QString> out = option("--out");
    if (out) {
        const QString target = QFileInfo(*out).absoluteFilePath();
        QFile::remove(target);
        if (!QFile::copy(written, target)) {
            printLine(stderr, QStringLiteral("无法写入文件：%1").arg(target));
            return Failed;
        }
    }
    printLine(stdout, QStringLiteral("已生成 written: %1").arg(out.value_or(written)));
    return Ok;
}

int GztCtl::runExport() {
    const std::optional<QString> xlsx = option("--xlsx");
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params)) return Failed;
    const int rows =
        ExcelMonthCommands::exportMonth(dm.ADOLocal, prompter, positional(0), params.PrintDays,
                                        QFileInfo(*xlsx).absoluteFilePath());
    printLine(stdout, QStringLiteral("已导出 exported: %1 行 rows").arg(rows));
    return Ok;
}

int GztCtl::runEPayslips() {
    const std::optional<QString> out = option("--out");
    std::optional<QString> column = option("--password-column");
    if (column && !flag("--pdf")) {
        return wrongCall(
            QStringLiteral("--password-column 需要 --pdf (--password-column needs --pdf)"));
    }
    if (column) {
        const QStringList columns = Schema::salaryColumns();
        const auto known = std::find_if(columns.begin(), columns.end(), [&](const QString& c) {
            return c.compare(*column, Qt::CaseInsensitive) == 0;
        });
        if (known == columns.end()) {
            return wrongCall(
                QStringLiteral("工资数据中没有字段“%1” (no such column)").arg(*column));
        }
        column = *known;
    }
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params)) return Failed;
    const QString folder = QFileInfo(*out).absoluteFilePath();
    if (!QDir().mkpath(folder)) {
        printLine(stderr, QStringLiteral("无法建立文件夹：%1").arg(folder));
        return Failed;
    }
    EPayslipRun run(dm.ADOLocal, prompter, positional(0),
                    EPayslipRun::TemplateForMonth(dm.ADOLocal, folder_, positional(0)), params);
    if (flag("--pdf")) run.setPdf(folder_, column);
    run.setProgress(showProgress);
    // The window offers to open the folder; a script has nothing to open it with.
    run.setOpenFolder([](const QString&) { return true; });
    const std::optional<EPayslipRun::Summary> summary = run.Button2Click(folder);
    if (!summary) return Failed;
    return summary->failed > 0 || !summary->withoutPassword.isEmpty() ? Failed : Ok;
}

int GztCtl::runMail() {
    const std::optional<QString> out = option("--out");
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    TAppParams params;
    if (!loadMonth(dm, params)) return Failed;
    const MailSettings settings = MailSettings::load(folder_);
    const QString content = MailSettings::loadContent(folder_).value_or(QStringLiteral("工资条"));
    const QString folder = QFileInfo(*out).absoluteFilePath();
    MailRun run(dm.ADOLocal, prompter, folder_, positional(0), folder);
    run.setFileKind(MailRun::fileKindIn(folder));
    run.setAmountFormat(AmountFormat(params));
    if (flag("--resend-failed")) {
        const std::set<MailRun::RowKey> failed = MailRun::failedRows(folder_, positional(0));
        if (failed.empty()) {
            printLine(stdout, QStringLiteral("上次发送没有失败的邮件。 nothing failed last time"));
            return Ok;
        }
        run.setOnlyRows(failed);
    }
    run.setProgress([](const QString& status) {
        if (onTerminal()) std::fprintf(stderr, "\r%s", status.toLocal8Bit().constData());
    });
    const std::optional<MailRun::Summary> summary = run.cmdEmailClick(settings, content);
    if (onTerminal()) std::fputc('\n', stderr);
    if (!summary) return Failed;
    printLine(stdout, QStringLiteral("已发送 sent: %1, 跳过 skipped: %2, 失败 failed: %3")
                          .arg(summary->sent)
                          .arg(summary->skipped)
                          .arg(summary->failed));
    printLine(stdout,
              QStringLiteral("发送记录 log: %1").arg(MailLog::pathFor(folder_, positional(0))));
    return summary->failed > 0 || summary->end != MailRun::End::Finished ? Failed : Ok;
}

int GztCtl::runStats() {
    ConsolePrompter prompter(yes_);
    TDM dm(folder_, prompter);
    if (!dm.connected()) return Failed;
    TAppParams params;
    LoadRegPara(dm, params);
    const QStringList months = positional(0).split(u',', Qt::SkipEmptyParts);
    for (const QString& month : months) {
        if (!monthExists(dm, month)) return Failed;
    }
    GZCount count(dm.ADOLocal, prompter);
    count.rebuild(months, params.PrintDays);
    count.list.layout.setAmountFormat(AmountFormat(params));
    const DetailList& list = count.list;
    if (!list.loaded()) {
        printLine(stderr, QStringLiteral("读取数据库发生错误！"));
        return Failed;
    }
    printLine(stdout, QStringLiteral("行数 rows\t%1").arg(list.dsGZDetail.recordCount()));
    for (int position = 0; position < list.layout.size(); ++position) {
        const DetailColumn& column = list.layout.column(position);
        if (!column.visible || !column.isAmount()) continue;
        printLine(stdout, QStringLiteral("%1\t%2").arg(column.title, list.footerText(position)));
    }
    return prompter.failed() ? Failed : Ok;
}
