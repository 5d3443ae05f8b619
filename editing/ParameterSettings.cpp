#include "ParameterSettings.h"

#include <algorithm>

#include "AppState.h"
#include "DatabaseError.h"
#include "NumberText.h"
#include "Prompter.h"
#include "Pub.h"
#include "TDM.h"

ParameterSettings::ParameterSettings(TDM& dm, Prompter& prompter, TAppParams& params)
    : dm_(dm), prompter_(prompter), params_(params) {}

QStringList ParameterSettings::printDaysItems() {
    return {QStringLiteral("不打印"), QStringLiteral("打印为日单价(最多10应发 5应扣项目)"),
            QStringLiteral("打印为小时单价(最多10应发 5应扣项目)"),
            QStringLiteral("其他计件(最多10应发 5应扣项目)")};
}

QStringList ParameterSettings::showFloatItems() {
    return {QStringLiteral("不打印/显示"), QStringLiteral("打印/显示")};
}

QStringList ParameterSettings::showXHItems() {
    return {QStringLiteral("不打印/显示"), QStringLiteral("打印/显示序号"),
            QStringLiteral("打印/显示职员编码")};
}

QStringList ParameterSettings::nameOnTitleItems() {
    return {QStringLiteral("不打印"),
            QStringLiteral("打印(用于加密工资条加密部分以外的工资条区分)")};
}

QStringList ParameterSettings::unitSuggestions() {
    return {QStringLiteral("件"), QStringLiteral("套"), QStringLiteral("方"), QStringLiteral("米"),
            QStringLiteral("吨")};
}

std::vector<PaperPreset> ParameterSettings::paperPresets() {
    // A little under the nominal sizes, so that one payslip never spills onto a second sheet.
    return {{QStringLiteral("A4"), 296.78},
            {QStringLiteral("A5"), 209.85},
            {QStringLiteral("B5"), 256.80}};
}

QString ParameterSettings::heightText(double height) {
    return FormatFloat(QStringLiteral("0.00"), height);
}

int ParameterSettings::storedIndex(const char* column, int itemCount) {
    const QString text =
        dm_.GetDataBySQL(QStringLiteral("Select %1 from TPara").arg(QString::fromLatin1(column)));
    bool ok = false;
    const int index = text.isEmpty() ? 0 : text.toInt(&ok);
    // A value the list does not offer would be written back as "nothing selected".
    if (!text.isEmpty() && (!ok || index < 0 || index >= itemCount)) return 0;
    return index;
}

ParameterValues ParameterSettings::FormCreate() {
    ParameterValues values;
    values.EntName = dm_.GetDataBySQL(QStringLiteral("Select EntName from TPara"));
    values.JJUnit = dm_.GetDataBySQL(QStringLiteral("Select JJUnit from TPara"));
    const QString height = dm_.GetDataBySQL(QStringLiteral("Select BillHeight from TPara"));
    values.BillHeight =
        heightText(height.isEmpty() ? 296.78 : NumberText::value(height).value_or(296.78));
    bool ok = false;
    const int topPos = dm_.GetDataBySQL(QStringLiteral("Select TopPos from TPara")).toInt(&ok);
    // An empty or unreadable margin opens as the smallest one instead of failing the dialog.
    values.TopPos = ok ? std::clamp(topPos, MinTopPos, MaxTopPos) : MinTopPos;
    values.PrintDays = storedIndex("PrintDays", int(printDaysItems().size()));
    values.ShowFloat = storedIndex("ShowFloat", int(showFloatItems().size()));
    values.ShowXH = storedIndex("ShowXH", int(showXHItems().size()));
    values.NameOnTitle = storedIndex("NameOnTitle", int(nameOnTitleItems().size()));
    return values;
}

bool ParameterSettings::cmdSHClick(ParameterValues& values) {
    values.EntName = values.EntName.trimmed();
    const double height = NumberText::value(values.BillHeight).value_or(0);
    if (height < MinBillHeight) {
        prompter_.warning(QStringLiteral("工资条的最小高度为43毫米！"));
        return false;
    }
    const bool unitEmpty = values.JJUnit.trimmed().isEmpty();
    if (values.PrintDays == 3 && unitEmpty) {
        prompter_.warning(QStringLiteral("您选择了其他计件，请指定计件单位！"));
        return false;
    }
    if (unitEmpty) values.JJUnit = QStringLiteral(" ");
    const QVariantList params{values.EntName,
                              heightText(height).toDouble(),
                              values.PrintDays,
                              values.ShowFloat,
                              values.ShowXH,
                              values.NameOnTitle,
                              std::clamp(values.TopPos, MinTopPos, MaxTopPos),
                              values.JJUnit};
    try {
        const int written = dm_.ADOLocal.exec(
            QStringLiteral("Update TPara Set EntName=?, BillHeight=?, PrintDays=?, ShowFloat=?, "
                           "ShowXH=?, NameOnTitle=?, TopPos=?, JJUnit=?"),
            params);
        // Without a parameters row the update would change nothing and still look saved.
        if (written == 0) {
            dm_.ADOLocal.exec(QStringLiteral("Insert into TPara (EntName, BillHeight, PrintDays, "
                                             "ShowFloat, ShowXH, NameOnTitle, TopPos, JJUnit) "
                                             "values (?, ?, ?, ?, ?, ?, ?, ?)"),
                              params);
        }
    } catch (const DatabaseError&) {
        prompter_.error(QStringLiteral("存储数据发生错误！"));
        return false;
    }
    try {
        dm_.dsPara.close();
        dm_.openPara();
    } catch (const DatabaseError&) {
        // The row is written. The main window reloads the parameters next and keeps what it
        // has when the set cannot be read, so there is nothing more to tell here.
    }
    params_.EntName = values.EntName;
    return true;
}
