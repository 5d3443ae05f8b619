// Rows made on a second thread while the caller takes them: every row once, in order, with
// the maker's errors thrown for the row that failed.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "RowsAhead.h"

namespace {

TEST(RowsAhead, EveryRowComesInOrderWithItsValues) {
    const std::size_t count = 10'000;
    RowsAhead rows(count, [](std::size_t i) -> std::optional<QVariantList> {
        if (i % 7 == 3) return std::nullopt;
        return QVariantList{qlonglong(i), QString::number(i * 2)};
    });
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<QVariantList> row = rows.take(i);
        if (i % 7 == 3) {
            ASSERT_FALSE(row) << i;
            continue;
        }
        ASSERT_TRUE(row) << i;
        ASSERT_EQ(*row, (QVariantList{qlonglong(i), QString::number(i * 2)})) << i;
    }
}

TEST(RowsAhead, AFailureIsThrownForItsRowAfterTheRowsBefore) {
    RowsAhead rows(500, [](std::size_t i) -> std::optional<QVariantList> {
        if (i == 130) throw std::runtime_error("row 130");
        return QVariantList{qlonglong(i)};
    });
    for (std::size_t i = 0; i < 130; ++i) ASSERT_EQ(rows.take(i)->at(0).toLongLong(), qlonglong(i));
    try {
        rows.take(130);
        FAIL() << "row 130 was made";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "row 130");
    }
}

// A caller that stops early (its write failed) does not wait for the rows it will not take.
TEST(RowsAhead, StoppingEarlyLeavesTheRestUnmade) {
    std::atomic<std::size_t> made{0};
    {
        // After the first rows each takes a millisecond: all of them would take minutes.
        RowsAhead rows(100'000, [&](std::size_t i) -> std::optional<QVariantList> {
            if (i >= 64) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ++made;
            return QVariantList{qlonglong(i)};
        });
        ASSERT_EQ(rows.take(0)->at(0).toLongLong(), 0);
    }
    const std::size_t after = made;
    EXPECT_LT(after, 1'000u);
    EXPECT_EQ(made, after);
}

}  // namespace
