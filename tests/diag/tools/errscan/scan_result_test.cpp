// What the dialog says at the end of a scan.
#include <gtest/gtest.h>

#include "diag/tools/errscan/scan_result.h"

namespace kel::diag {
namespace {

TEST(ScanResultText, RatesInHundredthsOfAPercent) {
    EXPECT_EQ(ErrorRate(1, 400), 25);
    EXPECT_EQ(ErrorRate(3, 0), 0);
    EXPECT_EQ(UnreadableText(2, ErrorRate(2, 400)), "0.50%");
    EXPECT_EQ(RecoverableText(0, 0), "0.00%");
    EXPECT_EQ(RecoverableText(123, 1234), "12.34%");
}

TEST(ScanResultText, TooFewErrorsForARateAreCountedInBlocks) {
    // One block in 30000 samples is below 0.01%: the rate would hide it.
    EXPECT_EQ(ErrorRate(1, 30000), 0);
    EXPECT_EQ(UnreadableText(1, 0), "1 blocks");
    EXPECT_EQ(RecoverableText(2, 0), "2 blocks");
}

TEST(ScanResultText, VerdictAndSpeed) {
    ErrorHistory history;
    ScanCounts counts{.samples = 500,
                      .recovered = 0,
                      .unreadable = 0,
                      .sectorsRead = 1500,
                      .elapsedMs = 3000,
                      .stopped = false};
    ScanResult result = BuildScanResult(counts, history, false);
    EXPECT_EQ(result.verdict, Verdict::Good);
    EXPECT_EQ(result.text,
              "Disc appears OK, 500 sectors per second\n0.00% recoverable, "
              "0.00% unreadable.");
    EXPECT_EQ(history.count, 1);

    counts.unreadable = 1;
    counts.elapsedMs = 0;  // too fast to measure: taken as one millisecond
    result = BuildScanResult(counts, history, false);
    EXPECT_EQ(result.verdict, Verdict::Bad);
    EXPECT_EQ(result.text,
              "Disc appears to be bad, 1500000 sectors per second\n0.00% "
              "recoverable, 0.20% unreadable.");
}

TEST(ScanResultText, StoppedScanIsIncompleteAndLeavesTheHistory) {
    ErrorHistory history;
    ScanCounts counts{.samples = 10,
                      .recovered = 1,
                      .unreadable = 0,
                      .sectorsRead = 30,
                      .elapsedMs = 1000,
                      .stopped = true};
    ScanResult result = BuildScanResult(counts, history, false);
    EXPECT_EQ(result.verdict, Verdict::Incomplete);
    EXPECT_EQ(result.text,
              "Incomplete!  30 sectors per second, 10.00% recoverable, 0.00% unreadable.");
    EXPECT_EQ(history.count, 0);
    // Stopped before the first sample: nothing read, nothing judged.
    counts = ScanCounts{.stopped = true};
    result = BuildScanResult(counts, history, false);
    EXPECT_EQ(result.verdict, Verdict::Incomplete);
    EXPECT_TRUE(result.text.starts_with("Incomplete!  0 sectors per second")) << result.text;
    EXPECT_EQ(history.count, 0);
}

}  // namespace
}  // namespace kel::diag
