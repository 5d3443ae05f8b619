#include "AboutInfo.h"

#include "AppState.h"
#include "DatabaseError.h"
#include "TDM.h"

AboutInfo AboutInfo::make(const TVendorInfo& vendorInfo, const QString& clientVer) {
    AboutInfo info;
    info.caption = vendorInfo.Brand + QStringLiteral("工资条制作打印软件");
    info.version = QStringLiteral("版本：") + clientVer;
    info.vendor = QStringLiteral("开发商：") + vendorInfo.EntName;
    info.homePage = vendorInfo.HomePage;
    return info;
}

QString AboutInfo::clientVersion(TDM& dm) {
    try {
        if (!dm.dsPara.isOpen()) dm.openPara();
        if (dm.dsPara.isEmpty()) return QString();
        const QVariant value = dm.dsPara.value(0, QStringLiteral("ClientVer"));
        return value.isNull() ? QString() : value.toString();
    } catch (const DatabaseError&) {
        // A version that cannot be read shows as none; About is no place for an error box.
        return QString();
    }
}
