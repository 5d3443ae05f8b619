#pragma once

#include <QString>
#include <QStringList>

class Database;
class DetailLayout;
class DetailList;
class Prompter;
struct DetailColumn;
struct TAppParams;

// "POS工资条": the slips for a narrow receipt printer, as plain text in tmp.Txt beside the
// program (GBK, CR LF). One slip per row the list shows, in its order; one line per visible
// column between the first (ID) and the last (LOGTime): the label padded to the width of the
// widest title in GBK bytes, a TAB and the value. Totals are underlined, slips separated.
class PosSlipText {
  public:
    PosSlipText() = delete;

    // tmp.Txt in the program folder.
    static QString filePath(const QString& appPath);

    // The widest full title (group included) of the slip columns in GBK bytes, hidden columns
    // included, at least 10.
    static int labelWidth(const DetailLayout& layout);
    // The title after its first bar.
    static QString label(const DetailColumn& column);
    // The slips of every row of the list, one text per line, without line ends.
    static QStringList lines(const DetailList& list, const QString& amountFormat);

    // Steps of "POS工资条" before the window opens: "没有用于打印的工资数据！" and false when
    // the list is not loaded; otherwise tmp.Txt is deleted and written anew. Throws FileError
    // when it cannot be written.
    static bool writeFile(Prompter& prompter, const DetailList& list, const QString& amountFormat,
                          const QString& appPath);
    // The command-line form: loads the month's list and writes tmp.Txt. False, with
    // "没有用于打印的工资数据！", when the list cannot be loaded.
    static bool writeMonthFile(Database& db, Prompter& prompter, const TAppParams& params,
                               const QString& month, const QString& appPath);
};
