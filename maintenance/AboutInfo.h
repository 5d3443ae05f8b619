#pragma once

#include <QString>

class TDM;
struct TVendorInfo;

// The texts of the About dialog.
class AboutInfo {
  public:
    QString caption;   // brand + "工资条制作打印软件", also the dialog's large title
    QString version;   // "版本：" + ClientVer
    QString vendor;    // the vendor's name after its prefix
    QString homePage;  // shown after "网址：" and opened when clicked

    static AboutInfo make(const TVendorInfo& vendorInfo, const QString& clientVer);
    // ClientVer of the single TPara row, read through the data module's parameters set (opened
    // when closed); empty when it cannot be read.
    static QString clientVersion(TDM& dm);
};
