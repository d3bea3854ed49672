// Reports that do not end the program: an exception a worker caught is
// reported from the catching function, and the program goes on; and a
// worker thread that prepared its fault stack still reports the overflow
// of its own stack.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "diag/tools/debug_log.h"
#include "diag/tools/report/exception_names.h"
#include "diag/tools/report/fault_handler.h"
#include "diag/tools/report/report_layout.h"
#include "tests/support/temp_folder.h"

// Exported, so that the report can name them.
extern "C" __attribute__((noinline)) bool KelCatchingFunction() {
    const bool reported = kel::diag::ReportCaughtException();
    asm volatile("" ::: "memory");
    return reported;
}

// Deeper until the stack runs out; the depth check only keeps the compiler
// from seeing an endless recursion.
extern "C" __attribute__((noinline)) int KelRunawayRecursion(int depth) {
    volatile char room[4096];
    room[0] = static_cast<char>(depth);
    if (depth == -1) {
        return 0;
    }
    return KelRunawayRecursion(depth + 1) + room[0];
}

namespace kel::diag::report {
namespace {

namespace fs = std::filesystem;

struct ReadReport {
    ExceptionRecord exception;
    std::vector<FrameRecord> frames;
};

// The exception record and the frame records, their data skipped.
ReadReport readReport(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ReadReport report;
    ReportHeader header;
    if (bytes.size() < sizeof header + 4 + sizeof report.exception) {
        ADD_FAILURE() << "report too short";
        return report;
    }
    std::memcpy(&header, bytes.data(), sizeof header);
    std::memcpy(&report.exception, bytes.data() + sizeof header + 4, sizeof report.exception);
    std::size_t at = header.dumpOffset + header.dumpCount * sizeof(MemoryDumpRecord);
    for (int i = 0; i < header.frameCount && at + sizeof(FrameRecord) <= bytes.size(); ++i) {
        FrameRecord frame;
        std::memcpy(&frame, bytes.data() + at, sizeof frame);
        report.frames.push_back(frame);
        at += sizeof frame + frame.dataLength;
    }
    return report;
}

class CaughtException : public ::testing::Test {
protected:
    void SetUp() override {
        logSwitches().debugMode = false;
        ProblemReportSettings settings;
        settings.programVersion = "4.1.0.17";
        settings.folder = reports_;
        settings.reporter = scratch_ / "no-such-reporter";
        ASSERT_TRUE(InstallProblemReportHandler(settings));
    }
    void TearDown() override { logSwitches().debugMode = false; }

    std::vector<fs::path> reports() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(reports_)) {
            if (entry.path().filename() != ".keep") {
                found.push_back(entry.path());
            }
        }
        return found;
    }

    test::TempFolder scratch_;
    fs::path reports_ = scratch_.write("reports/.keep").parent_path();
};

TEST_F(CaughtException, IsReportedFromTheCatchingFunctionAndTheProgramGoesOn) {
    ASSERT_TRUE(KelCatchingFunction());
    std::vector<fs::path> files = reports();
    ASSERT_EQ(files.size(), 1u);
    const ReadReport report = readReport(files[0]);
    EXPECT_EQ(report.exception.code, kSignalCodeBase | SIGABRT) << "named as an abort";
    ASSERT_FALSE(report.frames.empty());
    EXPECT_STREQ(report.frames[0].functionName, "KelCatchingFunction");

    EXPECT_TRUE(KelCatchingFunction()) << "the first report is over, a second may follow";
    EXPECT_EQ(reports().size(), 2u);
}

TEST_F(CaughtException, DebugModeLeavesItUnreported) {
    logSwitches().debugMode = true;
    EXPECT_FALSE(KelCatchingFunction());
    EXPECT_TRUE(reports().empty());
}

TEST_F(CaughtException, AWorkerThatOverflowsItsStackIsStillReported) {
    const auto overflow = [] {
        std::thread worker([] {
            PrepareFaultStack();
            KelRunawayRecursion(0);
        });
        worker.join();
        std::_Exit(6);
    };
    EXPECT_EXIT(overflow(), ::testing::KilledBySignal(SIGSEGV), "");
    const std::vector<fs::path> files = reports();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(readReport(files[0]).exception.code, 0xC00000FDu) << "a stack overflow";
}

}  // namespace
}  // namespace kel::diag::report
