#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

class ConsolePrompter;
class TDM;
struct TAppParams;

// gztctl: the window program's operations on a program folder, from the command line. Messages
// of the operations go to standard error in the texts the window shows; exit status 0 on
// success, 1 when the operation reported a failure, 2 for a wrong call.
class GztCtl {
  public:
    enum Exit { Ok = 0, Failed = 1, WrongCall = 2 };

    explicit GztCtl(QString defaultFolder) : folder_(std::move(defaultFolder)) {}
    int run(const QStringList& arguments);

  private:
    struct Command {
        const char* name;
        const char* usage;
        const char* help;
        QStringList flags;   // options without a value
        QStringList valued;  // options followed by a value
        int positionals;     // how many plain arguments it takes
        bool changesData;    // asks for the login password when one is set
        int (GztCtl::*handler)();
        QStringList required{};  // options the command cannot do without
    };
    static const Command* find(const QString& name);
    static void printUsage(FILE* stream);
    static void printCommandHelp(const Command& command);

    bool parse(const QStringList& arguments);
    bool checkPassword(TDM& dm);
    bool monthExists(TDM& dm, const QString& month) const;
    // Opens the month named by the first argument and reads the parameters; false (told) when
    // the database or the month is missing.
    bool loadMonth(TDM& dm, TAppParams& params);
    QString positional(int index) const { return positionals_.value(index); }
    bool flag(const char* name) const { return flags_.contains(QString::fromLatin1(name)); }
    std::optional<QString> option(const char* name) const;
    int wrongCall(const QString& message) const;

    int runInit();
    int runMonths();
    int runAddMonth();
    int runRecalc();
    int runPayslips();
    int runImport();
    int runTable();
    int runPos();
    int runExport();
    int runEPayslips();
    int runMail();
    int runStats();
    int runBackup();
    int runRestore();

    QString folder_;
    const Command* command_ = nullptr;
    bool help_ = false;
    bool yes_ = false;
    std::optional<QString> password_;
    QStringList positionals_;
    QStringList flags_;
    QMap<QString, QString> options_;
};
