// The program's fault handler: a fault on the main thread or on a worker
// (a bad address, a bad instruction, a division by zero, an abort such as an
// escaped exception) is caught by a fatal-signal handler that offers a
// problem report, writes it and hands it to the outside problem-report
// program. The process cannot safely go on after such a fault, so it then
// ends by the same signal, as it would have without the handler. In debug
// mode no report is offered: the fault goes straight on to the system, where
// a debugger or a core dump takes it.
#pragma once

#include <filesystem>
#include <string>

#include "diag/tools/report/problem_report.h"

namespace kel::diag {

// The outside problem-report program, expected in the program's own folder.
inline constexpr const char* kReporterProgram = "PROBREPT";

struct ProblemReportSettings {
    std::string programVersion;      // "%d.%d.%d.%d"
    std::filesystem::path folder;    // empty: the TempPath option's folder
    std::filesystem::path reporter;  // empty: kReporterProgram beside the program
    report::ReportQuestion ask = nullptr;
};

// Prepares everything the handler needs (names, paths, the question's text,
// the unwinder) and installs it for the fatal signals; also gives the
// calling thread its fault stack. Call once, on the main thread, before the
// workers start. False when the handler could not be installed.
bool InstallProblemReportHandler(const ProblemReportSettings& settings);

// Gives the calling thread a stack of its own for the handler, so that a
// thread that overflowed its stack can still write its report. Every worker
// thread calls it when it starts; a second call keeps the first stack, and
// the stack goes with the thread.
bool PrepareFaultStack();

// A C++ exception that a worker caught instead of letting it end the
// program: reported like an abort at the call's return address, from the
// calling thread's stack. Declines (false) in debug mode, before the handler
// is installed and while another report is being written.
bool ReportCaughtException();

// Declines in debug mode (false: the fault goes on to the system);
// otherwise writes the report as the installed settings say and accepts.
bool ProblemReportFilter(const report::FaultState& fault);

}  // namespace kel::diag
