// A child process that faults on purpose, with the handler installed:
// the report it leaves, the question it asked, and the outside program it
// started (the process tests' recorder, which writes down its arguments).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "diag/tools/debug_log.h"
#include "diag/tools/report/exception_names.h"
#include "diag/tools/report/fault_handler.h"
#include "platform/base/paths.h"
#include "tests/support/temp_folder.h"

// Exported (the test is linked with its symbols visible to the loader), so
// that the report can name it.
extern "C" __attribute__((noinline)) void KelReportTestFault(volatile int* target) {
    *target = 1;
    asm volatile("" ::: "memory");
}

namespace {
std::binary_semaphore gLoaderHeld{0};
}  // namespace

// Called by the held loader library's constructor, which then never returns.
extern "C" void KelLoaderHeld() {
    gLoaderHeld.release();
    for (;;) {
        ::pause();
    }
}

namespace kel::diag::report {
namespace {

namespace fs = std::filesystem;

int gQuestionFd = -1;
bool gAnswer = true;

bool recordQuestion(const char* question) {
    [[maybe_unused]] ssize_t written = ::write(gQuestionFd, question, std::strlen(question));
    return gAnswer;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T take(const std::string& bytes, std::size_t& at) {
    T value{};
    EXPECT_LE(at + sizeof value, bytes.size());
    if (at + sizeof value <= bytes.size()) {
        std::memcpy(&value, bytes.data() + at, sizeof value);
    }
    at += sizeof value;
    return value;
}

struct Report {
    ReportHeader header;
    ExceptionRecord exception;
    ThreadContext context;
    std::vector<MemoryDumpRecord> dumps;
    std::vector<FrameRecord> frames;
};

// Reads every section in order and checks that the file ends with them.
Report parseReport(const std::string& bytes) {
    Report report;
    std::size_t at = 0;
    report.header = take<ReportHeader>(bytes, at);
    EXPECT_EQ(take<std::uint32_t>(bytes, at), sizeof(ExceptionRecord));
    report.exception = take<ExceptionRecord>(bytes, at);
    EXPECT_EQ(take<std::uint32_t>(bytes, at), sizeof(ThreadContext));
    report.context = take<ThreadContext>(bytes, at);
    EXPECT_EQ(report.header.dumpOffset, at);
    for (int i = 0; i < report.header.dumpCount; ++i) {
        report.dumps.push_back(take<MemoryDumpRecord>(bytes, at));
    }
    for (int i = 0; i < report.header.frameCount; ++i) {
        report.frames.push_back(take<FrameRecord>(bytes, at));
        at += report.frames.back().dataLength;
    }
    EXPECT_EQ(at, bytes.size()) << "nothing follows the last frame's data";
    return report;
}

class FaultReport : public ::testing::Test {
protected:
    FaultReport() {
        ::setenv("KEL_TEST_RECORD", recordFile_.c_str(), 1);
        page_ = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    }
    ~FaultReport() override {
        ::unsetenv("KEL_TEST_RECORD");
        ::munmap(page_, 4096);
    }

    enum class Fault {
        kAccess,
        kAbort,
        // Another thread is inside a library's load, the loader's lock taken
        // for good, when the access fault comes. A report that waits for that
        // lock ends by the alarm instead.
        kAccessWhileALibraryLoads,
    };

    // Runs in the child: installs the handler and faults.
    [[noreturn]] void faultWith(ProblemReportSettings settings, bool debugMode = false,
                                Fault fault = Fault::kAccess) {
        gQuestionFd = ::open(questionFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        settings.folder = reports_;
        settings.ask = recordQuestion;
        logSwitches().debugMode = debugMode;
        if (!InstallProblemReportHandler(settings)) {
            std::_Exit(5);
        }
        if (fault == Fault::kAbort) {
            std::abort();
        }
        if (fault == Fault::kAccessWhileALibraryLoads) {
            std::thread([] { ::dlopen(KEL_HELD_LOADER_LIBRARY, RTLD_NOW); }).detach();
            gLoaderHeld.acquire();
            ::alarm(20);
        }
        KelReportTestFault(static_cast<volatile int*>(page_));
        std::_Exit(6);
    }

    ProblemReportSettings withRecorder() const {
        ProblemReportSettings settings;
        settings.programVersion = "4.1.0.17";
        settings.reporter = paths::programDir() / "process_recorder";
        return settings;
    }

    std::vector<fs::path> reports() const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(reports_)) {
            found.push_back(entry.path());
        }
        return found;
    }

    // The recorder's arguments, once it has written them.
    std::vector<std::string> recordedArguments() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(recordFile_) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<std::string> arguments;
        std::ifstream in(recordFile_);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("arg=", 0) == 0) {
                arguments.push_back(line.substr(4));
            }
        }
        return arguments;
    }

    test::TempFolder scratch_;
    fs::path reports_ = scratch_.write("reports/.keep").parent_path();
    fs::path recordFile_ = scratch_ / "record";
    fs::path questionFile_ = scratch_ / "question";
    void* page_ = nullptr;
};

TEST_F(FaultReport, AccessViolationWritesEverySectionAndStartsTheReporter) {
    fs::remove(reports_ / ".keep");
    EXPECT_EXIT(faultWith(withRecorder()), ::testing::KilledBySignal(SIGSEGV), "");

    const std::vector<fs::path> files = reports();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string().substr(0, 3), "PRB");
    const Report report = parseReport(readAll(files[0]));

    EXPECT_EQ(report.header.headerSize, 528u);
    EXPECT_STREQ(report.header.version, "4.1.0.17");
    utsname system{};
    ::uname(&system);
    EXPECT_EQ(std::string(report.header.computerName), std::string(system.nodename).substr(0, 15));
    EXPECT_GE(report.header.systemTime[0], 2024);

    EXPECT_EQ(report.exception.code, 0xC0000005u);
    EXPECT_EQ(report.exception.parameters[0], static_cast<std::uint64_t>(SIGSEGV));
    EXPECT_EQ(report.exception.parameters[2], reinterpret_cast<std::uintptr_t>(page_));
    EXPECT_EQ(report.exception.parameters[3], 1u) << "a write";
    EXPECT_EQ(report.context.registers[REG_RIP], report.exception.address);

    std::uint16_t lastId = 0;
    for (const MemoryDumpRecord& dump : report.dumps) {
        EXPECT_EQ(dump.length, 512);
        EXPECT_GT(dump.registerId, lastId) << "registers in their order, each once";
        lastId = dump.registerId;
    }
    EXPECT_EQ(lastId, kRsp) << "the stack pointer always points into readable stack";

    ASSERT_GE(report.frames.size(), 2u);
    const FrameRecord& fault = report.frames[0];
    EXPECT_STREQ(fault.functionName, "KelReportTestFault");
    EXPECT_EQ(fault.pc.offset, report.exception.address);
    EXPECT_EQ(fault.stack.offset, report.context.registers[REG_RSP]);
    EXPECT_STREQ(fault.moduleName, "diag_report_test");
    EXPECT_NE(fault.moduleBase, 0u);
    EXPECT_EQ(fault.frame.offset, report.frames[1].stack.offset)
        << "a caller's stack starts at its callee's frame address";
    EXPECT_EQ(fault.dataLength, fault.frame.offset - fault.stack.offset);

    EXPECT_EQ(readAll(questionFile_).substr(0, 41), "Access violation Exception in Quillon at ");
    const std::vector<std::string> arguments = recordedArguments();
    ASSERT_EQ(arguments.size(), 1u);
    EXPECT_EQ(arguments[0], files[0].string());
}

TEST_F(FaultReport, AFaultWhileAnotherThreadLoadsALibraryIsReportedWithItsNames) {
    fs::remove(reports_ / ".keep");
    EXPECT_EXIT(faultWith(withRecorder(), false, Fault::kAccessWhileALibraryLoads),
                ::testing::KilledBySignal(SIGSEGV), "");
    const std::vector<fs::path> files = reports();
    ASSERT_EQ(files.size(), 1u);
    const Report report = parseReport(readAll(files[0]));
    ASSERT_FALSE(report.frames.empty());
    EXPECT_STREQ(report.frames[0].functionName, "KelReportTestFault");
    EXPECT_STREQ(report.frames[0].moduleName, "diag_report_test");
    EXPECT_EQ(recordedArguments().size(), 1u) << "the reporter started";
}

TEST_F(FaultReport, AnAbortIsAnUnknownException) {
    fs::remove(reports_ / ".keep");
    ProblemReportSettings settings = withRecorder();
    settings.reporter = scratch_ / "no-such-reporter";
    EXPECT_EXIT(faultWith(settings, false, Fault::kAbort), ::testing::KilledBySignal(SIGABRT), "");
    EXPECT_EQ(readAll(questionFile_).substr(0, 32), "Unknown Exception in Quillon at ");
    const std::vector<fs::path> files = reports();
    ASSERT_EQ(files.size(), 1u) << "a missing reporter leaves the report in place";
    const Report report = parseReport(readAll(files[0]));
    EXPECT_EQ(report.exception.code, kSignalCodeBase | SIGABRT);
    EXPECT_FALSE(fs::exists(recordFile_));
}

// Processes whose parent is this one and that run (or ran) the recorder.
std::vector<pid_t> recorderChildren() {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) {
            continue;
        }
        const std::size_t open = line.find('(');
        const std::size_t close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 >= line.size()) {
            continue;
        }
        const std::string name = line.substr(open + 1, close - open - 1);
        const long parent = std::strtol(line.c_str() + close + 4, nullptr, 10);
        if (parent == ::getpid() && name.rfind("process_record", 0) == 0) {
            found.push_back(static_cast<pid_t>(std::stol(line)));
        }
    }
    return found;
}

// A reporter that the faulting child started would be left to this process
// when the child ends (it takes in orphans while the test runs): once the
// child has been waited for, no such process may exist, running or ended.
TEST_F(FaultReport, NoMeansNoReport) {
    fs::remove(reports_ / ".keep");
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    gAnswer = false;
    EXPECT_EXIT(faultWith(withRecorder()), ::testing::KilledBySignal(SIGSEGV), "");
    gAnswer = true;
    const std::vector<pid_t> started = recorderChildren();
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    for (const pid_t reporter : started) {
        ::waitpid(reporter, nullptr, 0);
    }
    EXPECT_FALSE(readAll(questionFile_).empty());
    EXPECT_TRUE(reports().empty());
    EXPECT_TRUE(started.empty()) << "a reporter was started";
}

TEST_F(FaultReport, DebugModeLeavesTheFaultToTheSystem) {
    fs::remove(reports_ / ".keep");
    EXPECT_EXIT(faultWith(withRecorder(), true), ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_TRUE(readAll(questionFile_).empty()) << "no question asked";
    EXPECT_TRUE(reports().empty());
}

}  // namespace
}  // namespace kel::diag::report
