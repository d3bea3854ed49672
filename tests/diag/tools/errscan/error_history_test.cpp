// The history of earlier scans: how it is read from and written to its
// settings values, and how a new scan is judged against it.
#include <gtest/gtest.h>

#include "diag/tools/errscan/error_history.h"
#include "emulated_disc.h"

namespace kel::diag {
namespace {

ErrorHistory historyOf(std::initializer_list<std::int32_t> recovered,
                       std::initializer_list<std::int32_t> unreadable) {
    ErrorHistory history;
    std::copy(recovered.begin(), recovered.end(), history.recovered.begin());
    std::copy(unreadable.begin(), unreadable.end(), history.unreadable.begin());
    history.count = static_cast<int>(recovered.size());
    return history;
}

TEST(ErrorHistoryText, ReadsAsFarAsTheNumbersGo) {
    int read = 0;
    auto rates = ParseRates("12,0,-3", read);
    EXPECT_EQ(read, 3);
    EXPECT_EQ(rates[0], 12);
    EXPECT_EQ(rates[2], -3);
    ParseRates("", read);
    EXPECT_EQ(read, 0);
    ParseRates("7, 8,x", read);
    EXPECT_EQ(read, 2) << "blanks before a number are skipped, text ends the list";
    ParseRates("7 ,8", read);
    EXPECT_EQ(read, 1) << "the separator must follow the number directly";
    rates = ParseRates("1,2,3,4,5,6,7,8,9,10,11", read);
    EXPECT_EQ(read, 10);
    EXPECT_EQ(rates[9], 10);
    rates = ParseRates("99999999999,-99999999999", read);
    EXPECT_EQ(read, 2);
    EXPECT_EQ(rates[0], 2147483647) << "an oversized number is held, not wrapped";
    EXPECT_EQ(rates[1], -2147483647 - 1);
}

TEST(ErrorHistoryText, JoinsTheRatesOfTheHistory) {
    EXPECT_EQ(FormatRates(historyOf({5, 0, 12}, {}).recovered, 3), "5,0,12");
    EXPECT_EQ(FormatRates({}, 0), "");
}

TEST(JudgeErrorRates, ShortHistoryUsesTheFixedLimits) {
    ErrorHistory history;
    EXPECT_TRUE(JudgeErrorRates(50, 0, history, false)) << "0.50% recovered is still good";
    EXPECT_EQ(history.count, 1);
    EXPECT_FALSE(JudgeErrorRates(51, 0, history, false)) << "0.51% is bad";
    EXPECT_FALSE(JudgeErrorRates(0, 1, history, false)) << "any unreadable rate is bad";
    EXPECT_EQ(history.count, 3);
    EXPECT_EQ(history.recovered[1], 51);
    EXPECT_EQ(history.unreadable[2], 1);
}

TEST(JudgeErrorRates, TrustedHistoryComparesWithItsAverages) {
    ErrorHistory history = historyOf({100, 100, 100, 100, 100, 100}, {2, 2, 2, 2, 2, 2});
    // The seventh scan makes the history long enough to compare with.
    EXPECT_TRUE(JudgeErrorRates(90, 1, history, false));
    EXPECT_EQ(history.count, 7);
    EXPECT_FALSE(JudgeErrorRates(200, 0, history, false)) << "above the recovered average";
    EXPECT_TRUE(JudgeErrorRates(49, 0, history, false)) << "below the fixed limits is good";
}

TEST(JudgeErrorRates, FullHistoryKeepsItsBestScans) {
    ErrorHistory history =
        historyOf({10, 90, 30, 40, 50, 60, 70, 80, 90, 95}, {0, 5, 0, 0, 0, 0, 0, 0, 0, 9});
    JudgeErrorRates(20, 3, history, false);
    EXPECT_EQ(history.count, 10);
    EXPECT_EQ(history.recovered[1], 20) << "the first worse entry gives way";
    EXPECT_EQ(history.recovered[2], 30) << "only one entry per scan";
    EXPECT_EQ(history.unreadable[1], 3);
    EXPECT_EQ(history.unreadable[9], 9);
}

TEST(JudgeErrorRates, ThresholdsAreAHistoryOfOne) {
    ErrorHistory thresholds = historyOf({80}, {5});
    EXPECT_TRUE(JudgeErrorRates(75, 5, thresholds, true));
    EXPECT_FALSE(JudgeErrorRates(81, 0, thresholds, true));
    EXPECT_FALSE(JudgeErrorRates(10, 6, thresholds, true));
    EXPECT_EQ(thresholds.count, 1) << "thresholds never take a scan's rates";
    ErrorHistory none;
    EXPECT_TRUE(JudgeErrorRates(50, 0, none, true)) << "no thresholds given: fixed limits";
    EXPECT_FALSE(JudgeErrorRates(51, 0, none, true));
    EXPECT_EQ(none.count, 0);
}

using ErrorHistoryStore = testing::EmulatedDiscTest;

TEST_F(ErrorHistoryStore, WrittenHistoryReadsBack) {
    EXPECT_EQ(ReadErrorHistory().count, 0);
    ErrorHistory history = historyOf({3, 4}, {0, 1});
    WriteErrorHistory(history);
    ErrorHistory back = ReadErrorHistory();
    EXPECT_EQ(back.count, 2);
    EXPECT_EQ(back.recovered[1], 4);
    EXPECT_EQ(back.unreadable[1], 1);
    WriteErrorHistory(ErrorHistory{});
    EXPECT_EQ(ReadErrorHistory().count, 0);
}

}  // namespace
}  // namespace kel::diag
