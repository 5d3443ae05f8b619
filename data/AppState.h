#pragma once

#include <QString>

class TDM;

// The parameters row held in memory. Numbers start at 0 and texts empty until the row is read;
// the top margin starts at 2 (0.2 inch) because printing assumes it before the row is read.
struct TAppParams {
    QString EntName;
    QString LogPass;
    int PrintDays = 0;
    int ShowFloat = 0;
    int TopPos = 2;
    int ShowXH = 0;
    int NameOnTitle = 0;
    QString JJUnit;
};

// Vendor texts read from IIS.INI, section "Last".
struct TVendorInfo {
    QString EntName;
    QString HomePage;
    QString Brand;
    QString QQ;
    QString Tel;
    QString Linker;
    QString EMail;
};

// The program-wide state of the window program. Logic classes take what they need as
// arguments instead; only the window program's own code reads these.
extern QString AppPath;  // program folder, ending in "/"
extern TAppParams AppParams;
extern TVendorInfo VendorInfo;

// The folder of the running program, ending in "/".
QString ProgramFolder();

// Reads IIS.INI from the program folder; a missing file or key gives the built-in default.
TVendorInfo ReadyPara(const QString& appPath);

// Fills `params` from the single TPara row of the data module's parameters set, opening the set
// first when it is closed. Returns false when the set cannot be opened: `params` keeps its
// values. A value that cannot be read ends the reading, keeping what was read so far. The
// password "746" means no password and is cleared.
bool LoadRegPara(TDM& dm, TAppParams& params);

// The amount display format: "0.00" when decimals are shown, else "0".
QString AmountFormat(const TAppParams& params);
