#pragma once

#include <QString>
#include <QStringList>
#include <vector>

struct TAppParams;
class Prompter;
class TDM;

// What the parameters dialog ("基本参数设置") shows: texts as the boxes hold them, the lists as
// their selected index.
struct ParameterValues {
    QString EntName;
    QString BillHeight;  // "296.78"
    int PrintDays = 0;
    int ShowFloat = 0;
    int ShowXH = 0;
    int NameOnTitle = 0;
    int TopPos = 2;
    QString JJUnit;
};

// A paper size offered by "标准高度".
struct PaperPreset {
    QString name;
    double height = 0;  // millimetres
};

// The single TPara row as the parameters dialog reads and writes it.
class ParameterSettings {
  public:
    static constexpr int MinTopPos = 2;
    static constexpr int MaxTopPos = 20;
    static constexpr double MinBillHeight = 43;

    ParameterSettings(TDM& dm, Prompter& prompter, TAppParams& params);

    // The stored values, as the dialog opens with them.
    ParameterValues FormCreate();

    // "保存(&S)": trims the company name in `values` (the dialog shows it trimmed even when the
    // save is refused), checks the height and the unit, and writes the row with one update.
    // Tells the user what is wrong or that the write failed, and returns false then.
    bool cmdSHClick(ParameterValues& values);

    static QStringList printDaysItems();
    static QStringList showFloatItems();
    static QStringList showXHItems();
    static QStringList nameOnTitleItems();
    static QStringList unitSuggestions();
    static std::vector<PaperPreset> paperPresets();
    // A height as the height edit shows it.
    static QString heightText(double height);

  private:
    int storedIndex(const char* column, int itemCount);

    TDM& dm_;
    Prompter& prompter_;
    TAppParams& params_;
};
