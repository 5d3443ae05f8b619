#include "AppState.h"

#include <QCoreApplication>
#include <QDir>

#include "DatabaseError.h"
#include "IniFile.h"
#include "TDM.h"

QString AppPath;
TAppParams AppParams;
TVendorInfo VendorInfo;

namespace {

QString readText(const RecordSet& set, const char* field) {
    const QVariant v = set.value(0, QString::fromLatin1(field));
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

int readInteger(const RecordSet& set, const char* field) {
    const QVariant v = set.value(0, QString::fromLatin1(field));
    if (!v.isValid() || v.isNull()) return 0;
    bool ok = false;
    const int number = v.toInt(&ok);
    if (!ok) throw DatabaseError(QStringLiteral("参数%1不是整数").arg(QString::fromLatin1(field)));
    return number;
}

}  // namespace

QString ProgramFolder() {
    QString folder = QDir::fromNativeSeparators(QCoreApplication::applicationDirPath());
    if (!folder.endsWith(u'/')) folder += u'/';
    return folder;
}

TVendorInfo ReadyPara(const QString& appPath) {
    const IniFile ini(QDir(appPath).filePath(QStringLiteral("IIS.INI")));
    const QString section = QStringLiteral("Last");
    const auto read = [&](const char* key, const QString& fallback) {
        return ini.readString(section, QString::fromLatin1(key), fallback);
    };
    TVendorInfo info;
    info.EntName = read("EntName", QStringLiteral("青禾软件工作室"));
    info.HomePage = read("HomePage", QStringLiteral("https://www.qinghe-soft.cn"));
    info.Brand = read("Brand", QStringLiteral("青禾"));
    info.QQ = read("QQ", QStringLiteral("800012345"));
    info.Tel = read("Tel", QStringLiteral("0571-88880000"));
    info.Linker = read("Linker", QStringLiteral("客服部"));
    info.EMail = read("EMail", QStringLiteral("service@qinghe-soft.cn"));
    return info;
}

bool LoadRegPara(TDM& dm, TAppParams& params) {
    if (!dm.dsPara.isOpen()) {
        try {
            dm.openPara();
        } catch (const DatabaseError&) {
            return false;
        }
    }
    const RecordSet& set = dm.dsPara;
    try {
        params.JJUnit = readText(set, "JJUnit");
        params.PrintDays = readInteger(set, "PrintDays");
        params.ShowFloat = readInteger(set, "ShowFloat");
        params.TopPos = readInteger(set, "TopPos");
        params.EntName = readText(set, "EntName");
        params.LogPass = readText(set, "LogPass");
        params.ShowXH = readInteger(set, "ShowXH");
        params.NameOnTitle = readInteger(set, "NameOnTitle");
    } catch (const DatabaseError&) {
        // The row is missing or a value is unreadable: what was read so far stays in force.
    }
    if (params.LogPass == u"746") params.LogPass.clear();
    return true;
}

QString AmountFormat(const TAppParams& params) {
    return params.ShowFloat != 0 ? QStringLiteral("0.00") : QStringLiteral("0");
}
