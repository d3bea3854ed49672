#include "frontend/compare/time_texts.h"

#include <gtest/gtest.h>

namespace kel::compare {
namespace {

TEST(PadNumber, PadsToTheWidthAndNeverCuts) {
    EXPECT_EQ(PadNumber(5, 2, '0'), "05");
    EXPECT_EQ(PadNumber(123, 2, '0'), "123");
    EXPECT_EQ(PadNumber(7, 2, ' '), " 7");
    EXPECT_EQ(PadNumber(0, 3, '0'), "000");
}

TEST(TotalTimeText, SplitsHoursMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(TotalTimeText(0), " 0:00:00:0");
    EXPECT_EQ(TotalTimeText(((1 * 60 + 2) * 60 + 3) * 1000 + 45), " 1:02:03:45");
    EXPECT_EQ(TotalTimeText(((12 * 60 + 59) * 60 + 59) * 1000 + 999), "12:59:59:999");
    EXPECT_EQ(TotalTimeText(-5), " 0:00:00:0");
}

TEST(DayNumber, CountsFromTheLastDayOf1899) {
    EXPECT_EQ(DayNumber(QDate(1899, 12, 31)), 1);
    EXPECT_EQ(DayNumber(QDate(2000, 1, 1)), 36526);
}

}  // namespace
}  // namespace kel::compare
