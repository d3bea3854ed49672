// Writing the problem report of a fault and handing it to the outside
// problem-report program. Everything here runs inside the fatal-signal
// handler, on the thread that faulted, while the other threads go on: no
// allocation, no locks, nothing but async-signal-safe calls and memory read
// through the probe. What needs more is prepared in a ReportSetup first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "diag/tools/report/machine_context.h"
#include "diag/tools/report/memory_probe.h"
#include "diag/tools/report/report_file.h"
#include "diag/tools/report/report_header.h"

namespace kel::diag::report {

// Asks the user whether to write the report, with the question's text; true
// for yes. Called in the signal handler, so it must be async-signal-safe
// itself (start a process and wait for it, for example).
using ReportQuestion = bool (*)(const char* question);

struct ReportSetup {
    ReportIdentity identity;
    char folder[kMaxReportPath] = {};    // where the report is created
    char reporter[kMaxReportPath] = {};  // the outside problem-report program
    char questionPattern[512] = {};      // "%s ... at %08x ..."
    ReportQuestion ask = nullptr;        // none: the report is written unasked
};

// The question: `pattern` with its %s replaced by the exception's name and
// its %x (with a width and zero padding, or %X) by the address; "%%" is a
// percent sign. Cut to the buffer; always terminated.
void FormatFaultQuestion(char* out, std::size_t size, const char* pattern, const char* name,
                         std::uint64_t address);

enum class ReportOutcome {
    NotWanted,  // the user said no
    NoFile,     // the report file could not be created
    Dropped,    // a write failed: the file is gone
    Written,    // the report is complete and the outside program started
};

// Asks, creates the report file and writes its sections: header, exception
// record and context (behind their lengths), register dumps, stack frames;
// then puts the counts into the header and starts the outside program with
// the report's path. `file` holds the report's path afterwards.
ReportOutcome WriteProblemReport(const FaultState& fault, const ReportSetup& setup,
                                 MemoryProbe& probe, ReportFile& file);

// Starts `program` with `argument`, without waiting and with none of this
// program's descriptors; a program that does not start is not reported.
void StartReporter(const char* program, const char* argument);

}  // namespace kel::diag::report
