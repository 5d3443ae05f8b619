#include <gtest/gtest.h>

#include "NumberText.h"

TEST(NumberTextTest, OnlyDigitsAndOnePointAreANumber) {
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    const Case cases[] = {
        {"100.4", true, 100.4}, {"  12.  ", true, 12},    {"   .  ", true, 0}, {"", true, 0},
        {".5", true, 0.5},      {"1 2.3 4", true, 12.34}, {"007", true, 7},    {"1.2.3", false, 0},
        {"-5", false, 0},       {"1,000", false, 0},      {"1e3", false, 0},   {"+1", false, 0},
        {"１２", false, 0},     {"abc", false, 0},        {"..", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<double> value = NumberText::value(QString::fromUtf8(c.text));
        ASSERT_EQ(value.has_value(), c.number);
        if (c.number) {
            EXPECT_DOUBLE_EQ(*value, c.value);
        }
    }
}
