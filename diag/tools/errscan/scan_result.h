// What the error summary dialog says when a scan has ended: the rates, the
// verdict and the reading speed.
#pragma once

#include <cstdint>
#include <string>

#include "diag/tools/errscan/error_history.h"

namespace kel::diag {

struct ScanCounts {
    std::int32_t samples = 0;  // samples read
    std::int64_t recovered = 0;
    std::int64_t unreadable = 0;  // medium and other errors
    std::int32_t sectorsRead = 0;
    std::int32_t elapsedMs = 0;
    bool stopped = false;
};

enum class Verdict { Good, Bad, Incomplete };

struct ScanResult {
    Verdict verdict = Verdict::Incomplete;
    std::string text;
};

// Hundredths of a percent of the samples; 0 without samples.
std::int32_t ErrorRate(std::int64_t errors, std::int32_t samples);

// "1.25%", or "N blocks" where a rate of 0.00% would hide errors.
std::string UnreadableText(std::int64_t unreadable, std::int32_t rate);
std::string RecoverableText(std::int64_t recovered, std::int32_t rate);

// Judges the rates of a finished scan against the history (which takes the
// new rates); a stopped scan is incomplete and leaves the history alone.
ScanResult BuildScanResult(const ScanCounts& counts, ErrorHistory& history, bool thresholdsEnabled);

}  // namespace kel::diag
