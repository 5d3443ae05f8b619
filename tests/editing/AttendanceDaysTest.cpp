#include <gtest/gtest.h>

#include "AttendanceDays.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"

TEST(AttendanceDaysTest, ChecksInTheirOrder) {
    struct Case {
        const char* required;
        const char* worked;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {"", "11.00", "本月应上班天数不能为0"},
        {"  ", "11.00", "本月应上班天数不能为0"},
        {"0", "11.00", "本月应上班天数不能为0"},
        {"0", "40", "本月应上班天数不能为0"},  // the first failing check speaks
        {"32", "11.00", "本月应上班天数不能大于31"},
        {"99", "40", "本月应上班天数不能大于31"},
        {"31", "11.00", ""},
        {"1", "11.00", ""},
        {"22", "31.5", "本月实际上班天数不能大于31"},
        {"22", "31.01", "本月实际上班天数不能大于31"},
        {"22", "31.00", ""},
        {"22", "0.00", ""},
        {"22", " .  ", ""},
        {"5", "23.00", ""},  // more than required scales the earnings up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.required) + " / " + c.worked);
        ScriptedPrompter prompter;
        const bool accepted = AttendanceDays::Button1Click(prompter, c.required, c.worked);
        EXPECT_EQ(accepted, QString(c.message).isEmpty());
        EXPECT_EQ(prompter.texts(),
                  accepted ? QStringList() : QStringList{QString::fromUtf8(c.message)});
    }
}

TEST(AttendanceDaysTest, OpeningTextsAndValuesReadBack) {
    EXPECT_EQ(AttendanceDays::initialRequiredText(), "22");
    EXPECT_EQ(AttendanceDays::workedText(11), "11.00");
    EXPECT_EQ(AttendanceDays::workedText(21.555), "21.56");
    EXPECT_EQ(AttendanceDays::value("2 .5 "), 2.5);
    EXPECT_EQ(AttendanceDays::value(""), 0.0);
    EXPECT_EQ(AttendanceDays::value("22"), 22.0);
}
