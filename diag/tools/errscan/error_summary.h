// The error-summary command: checks that the disc and the drive can be
// scanned, sets the drive to report its read errors, runs the dialog in
// which the user starts scans, and afterwards keeps the history and puts
// the drive back as it was.
#pragma once

#include <functional>

namespace kel::diag {

// Returns when the dialog closes.
void RunErrorSummary();

// Opens the program's help at a context; the dialog's Help button uses it.
void SetErrorSummaryHelp(std::function<void(int context)> openHelp);
void OpenErrorSummaryHelp(int context);

}  // namespace kel::diag
