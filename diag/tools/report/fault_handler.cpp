#include "diag/tools/report/fault_handler.h"

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <ctime>

#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/report/stack_walk.h"
#include "diag/ui/messages.h"
#include "platform/base/paths.h"
#include "platform/process/program_location.h"

namespace kel::diag {
namespace {

using report::FaultState;
using report::MemoryProbe;
using report::ReportFile;
using report::ReportSetup;

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
// The handler's own frames, the report's records and the unwinder's state.
constexpr std::size_t kFaultStackBytes = 256 * 1024;

// Constant-initialised, so that the handler never meets a guard variable.
ReportSetup gSetup;
MemoryProbe gProbe;
ReportFile gFile;
std::atomic<pid_t> gReportingThread{0};

template <std::size_t N>
bool copyText(char (&field)[N], const std::string& text) {
    if (text.size() >= N) {
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

std::filesystem::path reportFolder(const ProblemReportSettings& settings) {
    if (!settings.folder.empty()) {
        return settings.folder;
    }
    const std::string& temp = Options().tempPath;
    return temp.empty() ? std::filesystem::path("/tmp") : std::filesystem::path(temp);
}

std::filesystem::path reporterProgram(const ProblemReportSettings& settings) {
    if (!settings.reporter.empty()) {
        return settings.reporter;
    }
    const std::filesystem::path folder = paths::programDir();
    process::Location found = process::locate(kReporterProgram, folder);
    // Not there yet: it may be put there before a fault; a start that then
    // fails stays silent.
    return found.failure == 0 ? found.file : folder / kReporterProgram;
}

// The handler's stack of one thread, given back when the thread ends: worker
// threads come and go with every scan.
class FaultStack {
public:
    FaultStack() = default;
    FaultStack(const FaultStack&) = delete;
    FaultStack& operator=(const FaultStack&) = delete;
    ~FaultStack() {
        if (memory_ == nullptr) {
            return;
        }
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        // Still in use only if the thread ends inside the handler; then the
        // memory is left to the process.
        if (::sigaltstack(&off, nullptr) == 0) {
            ::munmap(memory_, kFaultStackBytes);
        }
    }

    bool prepare() {
        if (memory_ != nullptr) {
            return true;
        }
        void* memory = ::mmap(nullptr, kFaultStackBytes, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED) {
            return false;
        }
        stack_t stack{};
        stack.ss_sp = memory;
        stack.ss_size = kFaultStackBytes;
        if (::sigaltstack(&stack, nullptr) != 0) {
            ::munmap(memory, kFaultStackBytes);
            return false;
        }
        memory_ = memory;
        return true;
    }

private:
    void* memory_ = nullptr;
};

thread_local FaultStack tFaultStack;

void onFatalSignal(int signal, siginfo_t* info, void* context) {
    pid_t expected = 0;
    while (!gReportingThread.compare_exchange_strong(expected, ::gettid())) {
        // Another thread is writing its report: after a fault the process
        // ends with it, after a caught exception this fault's report follows.
        expected = 0;
        const timespec wait{0, 10'000'000};
        ::nanosleep(&wait, nullptr);
    }
    const FaultState fault{signal, info->si_code, reinterpret_cast<std::uintptr_t>(info->si_addr),
                           static_cast<const ucontext_t*>(context)};
    ProblemReportFilter(fault);
    // Back to the system's action: the signal, held back until the handler
    // returns, then ends the process (a fault would also recur when its
    // instruction is retried). A fault inside the handler finds its signal
    // blocked, and the kernel ends the process at once.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    ::raise(signal);
}

}  // namespace

bool PrepareFaultStack() {
    return tFaultStack.prepare();
}

bool InstallProblemReportHandler(const ProblemReportSettings& settings) {
    ReportSetup setup;
    setup.identity = report::ReadReportIdentity(settings.programVersion);
    setup.ask = settings.ask;
    if (!copyText(setup.folder, reportFolder(settings).string()) ||
        !copyText(setup.reporter, reporterProgram(settings).string()) ||
        !copyText(setup.questionPattern, LoadResString(401)) || !gProbe.open()) {
        return false;
    }
    report::PrimeStackWalk();
    PrepareFaultStack();

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    // Not reset on entry: a second thread's fault must wait in the handler,
    // not end the process in the middle of the first thread's report.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) {
        ::sigaddset(&action.sa_mask, signal);
    }
    gSetup = setup;
    bool installed = true;
    for (int signal : kFatalSignals) {
        installed = ::sigaction(signal, &action, nullptr) == 0 && installed;
    }
    return installed;
}

// Not inlined: the return address and the frame are the caller's own.
__attribute__((noinline)) bool ReportCaughtException() {
    if (logSwitches().debugMode || gSetup.folder[0] == '\0') {
        return false;
    }
    pid_t expected = 0;
    if (!gReportingThread.compare_exchange_strong(expected, ::gettid())) {
        return false;
    }
    ucontext_t context{};
    ::getcontext(&context);
    // The walk starts where the caller goes on, the frame it would find
    // behind a fault there.
    context.uc_mcontext.gregs[REG_RIP] =
        reinterpret_cast<greg_t>(__builtin_extract_return_addr(__builtin_return_address(0)));
    context.uc_mcontext.gregs[REG_RSP] = reinterpret_cast<greg_t>(__builtin_dwarf_cfa());
    const FaultState fault{SIGABRT, SI_USER, 0, &context};
    report::WriteProblemReport(fault, gSetup, gProbe, gFile);
    gReportingThread = 0;
    return true;
}

bool ProblemReportFilter(const FaultState& fault) {
    if (logSwitches().debugMode) {
        return false;
    }
    report::WriteProblemReport(fault, gSetup, gProbe, gFile);
    return true;
}

}  // namespace kel::diag
