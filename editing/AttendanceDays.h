#pragma once

#include <QString>

class Prompter;

// The two day counts of the attendance calculator ("应发工资不满1月自动计算参数"): the working
// days the month requires and the days actually worked. The calculator only collects and
// checks them; the record editor does the pro-rating.
class AttendanceDays {
  public:
    AttendanceDays() = delete;

    // The required days every opening starts with.
    static QString initialRequiredText() { return QStringLiteral("22"); }
    // The caller's days worked as the worked-days edit shows them.
    static QString workedText(double worked);

    // The checks of "确认(&E)" in their order; the first failing one tells the user why and
    // gives false.
    static bool Button1Click(Prompter& prompter, const QString& requiredText,
                             const QString& workedText);

    // The number an edit holds, 0 when it holds none.
    static double value(const QString& text);
};
