// The fault handler must not ask for memory: the fault may have happened
// inside the allocator, with its lock held by the faulting thread. This
// binary puts an allocator of its own in front of the C library's, which
// ends the process with a code of its own when it is asked for memory on
// the handler's stack (the alternate signal stack).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "diag/tools/report/fault_handler.h"
#include "tests/support/temp_folder.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
}

namespace {

constexpr int kAllocatedInHandler = 42;
std::atomic<bool> gWatching{false};

void refuseOnTheHandlersStack() {
    if (!gWatching.load(std::memory_order_relaxed)) {
        return;
    }
    stack_t current{};
    if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_ONSTACK) != 0) {
        ::_exit(kAllocatedInHandler);
    }
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
    refuseOnTheHandlersStack();
    return __libc_malloc(size);
}

extern "C" void* calloc(std::size_t count, std::size_t size) {
    refuseOnTheHandlersStack();
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* memory, std::size_t size) {
    refuseOnTheHandlersStack();
    return __libc_realloc(memory, size);
}

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void faultWatched(const fs::path& reports) {
    ProblemReportSettings settings;
    settings.folder = reports;
    settings.reporter = reports / "no-such-reporter";
    if (!InstallProblemReportHandler(settings)) {
        std::_Exit(5);
    }
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    gWatching = true;
    *static_cast<volatile int*>(page) = 1;
    std::_Exit(6);
}

TEST(FaultHandlerAllocation, TheReportIsWrittenWithoutAskingForMemory) {
    test::TempFolder folder;
    const fs::path reports = folder.write("reports/.keep").parent_path();
    fs::remove(reports / ".keep");
    EXPECT_EXIT(faultWatched(reports), ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EQ(std::distance(fs::directory_iterator(reports), fs::directory_iterator()), 1)
        << "the handler ran";
}

}  // namespace
}  // namespace kel::diag
