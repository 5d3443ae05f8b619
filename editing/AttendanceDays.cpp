#include "AttendanceDays.h"

#include "NumberText.h"
#include "Prompter.h"
#include "Pub.h"

QString AttendanceDays::workedText(double worked) {
    return FormatFloat(QStringLiteral("0.00"), worked);
}

double AttendanceDays::value(const QString& text) {
    return NumberText::value(text).value_or(0);
}

bool AttendanceDays::Button1Click(Prompter& prompter, const QString& requiredText,
                                  const QString& workedText) {
    // The required days are a whole number; a blank edit counts as none.
    bool whole = false;
    const int required = CleanNumText(requiredText).toInt(&whole);
    if (!whole || required < 1) {
        prompter.warning(QStringLiteral("本月应上班天数不能为0"));
        return false;
    }
    if (required >= 32) {
        prompter.warning(QStringLiteral("本月应上班天数不能大于31"));
        return false;
    }
    if (value(workedText) > 31) {
        prompter.warning(QStringLiteral("本月实际上班天数不能大于31"));
        return false;
    }
    return true;
}
