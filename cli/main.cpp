// gztctl: the program's work on a program folder, without a window.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "AppState.h"
#include "DatabaseError.h"
#include "Schema.h"

namespace {

enum Exit { Ok = 0, Failed = 1, WrongCall = 2 };

void printLine(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

const char* const kUsage =
    "用法 Usage: gztctl [--dir 程序文件夹] 命令 ...\n"
    "\n"
    "命令 Commands:\n"
    "  init    建立数据库 db/ZYDB.dat（已存在时不动）\n"
    "          create db/ZYDB.dat when it is missing (an existing one is left as it is)\n"
    "\n"
    "选项 Options:\n"
    "  --dir 文件夹   程序文件夹，缺省为 gztctl 所在的文件夹\n"
    "                 program folder; default: the folder gztctl lies in\n"
    "  -h, --help     显示帮助 show this help (after a command: that command's help)\n";

const char* const kInitUsage =
    "用法 Usage: gztctl [--dir 程序文件夹] init\n"
    "\n"
    "建立加密的工资数据库 "
    "db/ZYDB.dat：45个工资项目模板（10项应发、5项应扣已启用）和一行基本参数。\n"
    "数据库已存在时不做任何改动。\n"
    "Creates the encrypted payroll database db/ZYDB.dat with the 45 salary item template rows\n"
    "(10 earnings and 5 deductions enabled) and one parameters row. An existing database is left\n"
    "untouched.\n";

int runInit(const QString& folder) {
    try {
        if (Schema::createDatabaseFile(folder)) {
            printLine(stdout,
                      QStringLiteral("已建立数据库 created: %1").arg(Schema::databasePath(folder)));
        } else {
            printLine(stdout,
                      QStringLiteral("数据库已存在 exists: %1").arg(Schema::databasePath(folder)));
        }
        return Ok;
    } catch (const DatabaseError& e) {
        printLine(stderr, QStringLiteral("建立数据库失败：%1").arg(e.message()));
        return Failed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();

    QString folder = ProgramFolder();
    QString command;
    bool help = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == u"--dir") {
            if (i + 1 >= args.size()) {
                printLine(stderr, QStringLiteral("--dir 后面缺少文件夹 (--dir needs a folder)"));
                return WrongCall;
            }
            folder = QDir(args.at(++i)).absolutePath();
        } else if (arg == u"-h" || arg == u"--help") {
            help = true;
        } else if (command.isEmpty() && !arg.startsWith(u'-')) {
            command = arg;
        } else {
            printLine(stderr, QStringLiteral("无法识别的参数 unknown argument: %1").arg(arg));
            std::fputs(kUsage, stderr);
            return WrongCall;
        }
    }

    if (command.isEmpty()) {
        std::fputs(kUsage, help ? stdout : stderr);
        return help ? Ok : WrongCall;
    }
    if (command == u"init") {
        if (help) {
            std::fputs(kInitUsage, stdout);
            return Ok;
        }
        return runInit(folder);
    }
    printLine(stderr, QStringLiteral("未知命令 unknown command: %1").arg(command));
    std::fputs(kUsage, stderr);
    return WrongCall;
}
