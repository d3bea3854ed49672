// The program itself, started as a child and made to fault once its problem
// report handler is in place: the report's stack names the program's own
// functions, which the loader sees only when the program exports them.
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "diag/tools/report/report_layout.h"
#include "main_fixture.h"

extern char** environ;

namespace kel::diag {
namespace {

namespace fs = std::filesystem;
using report::FrameRecord;
using report::MemoryDumpRecord;
using report::ReportHeader;

// True once the process catches SIGABRT, which the handler takes with the
// faults; a sanitizer runtime catches SIGSEGV from the start, not SIGABRT.
bool catchesFaults(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask & (1ULL << (SIGABRT - 1))) != 0;
        }
    }
    return false;
}

// The functions the report's frames name in the program's own module.
std::vector<std::string> programFunctions(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> names;
    ReportHeader header;
    if (bytes.size() < sizeof header) {
        return names;
    }
    std::memcpy(&header, bytes.data(), sizeof header);
    std::size_t at = header.dumpOffset + header.dumpCount * sizeof(MemoryDumpRecord);
    for (int i = 0; i < header.frameCount && at + sizeof(FrameRecord) <= bytes.size(); ++i) {
        FrameRecord frame;
        std::memcpy(&frame, bytes.data() + at, sizeof frame);
        if (std::string(frame.moduleName) == "MORVALE" && frame.functionName[0] != '\0') {
            names.emplace_back(frame.functionName);
        }
        at += sizeof frame + frame.dataLength;
    }
    return names;
}

using ProgramSymbols = test::MainFixture;

TEST_F(ProgramSymbols, AFaultReportNamesTheProgramsFunctions) {
    settings().WriteString("TempPath", (folder_ / "tmp").string());
    settings().WriteBool("AutoStart", false);
    fs::create_directories(folder_ / "tmp");

    char program[] = KEL_MORVALE;
    char* const argv[] = {program, nullptr};
    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(program, argv, environ);
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!catchesFaults(child) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(catchesFaults(child)) << "the handler was never installed";
    // On the main thread, whose stack holds the program's start-up.
    ::syscall(SYS_tgkill, child, child, SIGSEGV);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV);

    std::vector<fs::path> reports;
    for (const auto& entry : fs::recursive_directory_iterator(folder_ / "tmp")) {
        if (entry.path().filename().string().rfind("PRB", 0) == 0) {
            reports.push_back(entry.path());
        }
    }
    ASSERT_EQ(reports.size(), 1u);
    const std::vector<std::string> names = programFunctions(reports[0]);
    EXPECT_NE(std::find(names.begin(), names.end(), "main"), names.end())
        << names.size() << " functions of the program named";
}

}  // namespace
}  // namespace kel::diag
