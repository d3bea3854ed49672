#include "diag/tools/report/problem_report.h"

#include <linux/close_range.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "diag/tools/report/exception_names.h"
#include "diag/tools/report/register_dumps.h"
#include "diag/tools/report/stack_walk.h"

extern char** environ;

namespace kel::diag::report {
namespace {

struct Output {
    char* at;
    char* end;  // room for the terminator stays behind it
    void put(char c) {
        if (at < end) {
            *at++ = c;
        }
    }
};

void putHex(Output& out, std::uint64_t value, int width, bool zeros, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char text[16];
    int length = 0;
    do {
        text[length++] = digits[value & 0xF];
        value >>= 4;
    } while (value != 0);
    for (int pad = length; pad < width; ++pad) {
        out.put(zeros ? '0' : ' ');
    }
    while (length > 0) {
        out.put(text[--length]);
    }
}

}  // namespace

void FormatFaultQuestion(char* out, std::size_t size, const char* pattern, const char* name,
                         std::uint64_t address) {
    if (size == 0) {
        return;
    }
    Output output{out, out + size - 1};
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%') {
            output.put(*p);
            continue;
        }
        const char* start = p++;
        const bool zeros = *p == '0';
        int width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + (*p++ - '0');
        }
        if (*p == 's') {
            for (const char* n = name; *n != '\0'; ++n) {
                output.put(*n);
            }
        } else if (*p == 'x' || *p == 'X') {
            putHex(output, address, width, zeros, *p == 'X');
        } else if (*p == '%') {
            output.put('%');
        } else {
            // Not one this question uses: shown as written.
            for (const char* q = start; q <= p && *q != '\0'; ++q) {
                output.put(*q);
            }
            if (*p == '\0') {
                break;
            }
        }
    }
    *output.at = '\0';
}

void StartReporter(const char* program, const char* argument) {
    // _Fork runs no fork handlers: the fault may have happened inside one of
    // the locks they take.
    const pid_t child = ::_Fork();
    if (child != 0) {
        return;
    }
    // The signal mask of the handler would go on into the program.
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::setsid();
    ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
    char* const argv[] = {const_cast<char*>(program), const_cast<char*>(argument), nullptr};
    ::execve(program, argv, environ);
    ::_exit(127);
}

ReportOutcome WriteProblemReport(const FaultState& fault, const ReportSetup& setup,
                                 MemoryProbe& probe, ReportFile& file) {
    const ExceptionRecord exception = MakeExceptionRecord(fault);
    if (setup.ask != nullptr) {
        char question[sizeof setup.questionPattern + 64];
        FormatFaultQuestion(question, sizeof question, setup.questionPattern,
                            ExceptionName(exception.code), exception.address);
        if (!setup.ask(question)) {
            return ReportOutcome::NotWanted;
        }
    }
    if (!file.Create(setup.folder)) {
        return ReportOutcome::NoFile;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ReportHeader header = MakeReportHeader(setup.identity, now);
    file.WriteReportBlock(&header, sizeof header);
    file.WriteReportBlock(&exception, sizeof exception, true);
    const ThreadContext context = MakeThreadContext(*fault.context);
    file.WriteReportBlock(&context, sizeof context, true);
    header.dumpOffset = static_cast<std::uint32_t>(file.position());
    header.dumpCount = DumpRegisterMemory(*fault.context, probe, file);
    header.frameCount = WriteStackFrames(*fault.context, probe, file);
    file.RewriteHeader(header);
    if (!file.Close()) {
        return ReportOutcome::Dropped;
    }
    StartReporter(setup.reporter, file.path());
    return ReportOutcome::Written;
}

}  // namespace kel::diag::report
