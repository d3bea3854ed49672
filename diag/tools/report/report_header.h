// The report's header: who and where the fault happened, and when. What
// needs the system's name services is read before any fault; the header
// itself is made in the signal handler.
#pragma once

#include <cstdint>
#include <ctime>
#include <string_view>

#include "diag/tools/report/report_layout.h"

namespace kel::diag::report {

struct ReportIdentity {
    char computerName[16] = {};
    char userName[64] = {};
    char version[20] = {};
};

// The machine's host name, the user's login name (or $USER when the user
// database has none) and the program's version text, each cut to its field.
ReportIdentity ReadReportIdentity(std::string_view programVersion);

// UTC year, month, day of week (0 Sunday), day, hour, minute, second and
// milliseconds of a time since the epoch. Plain arithmetic: safe in a signal
// handler, where the library's time conversions are not.
void SystemTimeFields(const timespec& time, std::uint16_t (&fields)[8]);

// A header with the identity and the time, and no counts yet.
ReportHeader MakeReportHeader(const ReportIdentity& identity, const timespec& time);

}  // namespace kel::diag::report
