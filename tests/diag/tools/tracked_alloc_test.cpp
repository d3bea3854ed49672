#include "diag/tools/tracked_alloc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "log_file_fixture.h"

namespace kel::diag {
namespace {

std::atomic<int> failuresReported{0};
void countFailure() {
    ++failuresReported;
}

class TrackedAllocTest : public test::LogFileTest {
protected:
    void SetUp() override {
        LogFileTest::SetUp();
        failuresReported = 0;
        SetAllocationFailureReporter(&countFailure);
    }
    void TearDown() override {
        SetAllocationFailureReporter(nullptr);
        LogFileTest::TearDown();
    }
};

TEST_F(TrackedAllocTest, WithoutTracingNothingIsLogged) {
    void* block = TrackedAlloc(64, "scan.cpp", 10);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xA5, 64);
    TrackedFree(block, "scan.cpp", 11);
    EXPECT_FALSE(std::filesystem::exists(logPath()));
    EXPECT_EQ(failuresReported, 0);
}

TEST_F(TrackedAllocTest, TracingLogsEachStepWithPointersAtFullWidth) {
    logSwitches().allocationTracing = true;
    void* block = TrackedAlloc(100, "toc.cpp", 42);
    ASSERT_NE(block, nullptr);
    TrackedFree(block, "toc.cpp", 43);
    TrackedFree(nullptr, "toc.cpp", 44);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Allocating memory: 100 bytes from line 42 in toc.cpp");
    EXPECT_EQ(lines[1], "Allocated memory at " + test::fullWidth(block));
    EXPECT_EQ(lines[2], "Freeing memory at " + test::fullWidth(block) + " from line 43 in toc.cpp");
    EXPECT_EQ(lines[3],
              "Freeing memory at " + test::fullWidth(nullptr) + " from line 44 in toc.cpp");
}

TEST_F(TrackedAllocTest, ANegativeSizeIsRefusedAndReported) {
    logSwitches().debugMode = true;
    EXPECT_EQ(TrackedAlloc(-1, "udf.cpp", 7), nullptr);
    EXPECT_EQ(failuresReported, 1);
    EXPECT_EQ(logText(), "Error allocating storage from udf.cpp, line 7, size=-1\r\n");
}

TEST_F(TrackedAllocTest, AFailureIsReportedAndLoggedOnlyInDebugMode) {
    EXPECT_EQ(TrackedAlloc(-100, "a.cpp", 2), nullptr);
    EXPECT_EQ(failuresReported, 1);
    EXPECT_FALSE(std::filesystem::exists(logPath()));

    logSwitches().allocationTracing = true;
    logSwitches().debugMode = true;
    EXPECT_EQ(TrackedAlloc(-100, "a.cpp", 3), nullptr);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Allocated memory at " + test::fullWidth(nullptr));
    EXPECT_EQ(lines[2], "Error allocating storage from a.cpp, line 3, size=-100");
}

TEST_F(TrackedAllocTest, AZeroSizeGivesABlock) {
    void* block = TrackedAlloc(0, "z.cpp", 1);
    EXPECT_NE(block, nullptr);
    TrackedFree(block, "z.cpp", 2);
    EXPECT_EQ(failuresReported, 0);
}

}  // namespace
}  // namespace kel::diag
