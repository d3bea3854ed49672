#include "diag/tools/errscan/scan_result.h"

#include <algorithm>

#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxResultText = 499;

std::string percentText(std::int32_t rate) {
    const FormatArg args[] = {rate / 100, rate % 100};
    return FormatText("%d.%02d%%", args, kMaxResultText);
}

std::string blocksText(std::int64_t blocks) {
    const FormatArg args[] = {blocks};
    return FormatText("%d blocks", args, kMaxResultText);
}

}  // namespace

std::int32_t ErrorRate(std::int64_t errors, std::int32_t samples) {
    if (samples <= 0) {
        return 0;
    }
    return static_cast<std::int32_t>(errors * 10000 / samples);
}

std::string UnreadableText(std::int64_t unreadable, std::int32_t rate) {
    return rate == 0 && unreadable > 0 ? blocksText(unreadable) : percentText(rate);
}

std::string RecoverableText(std::int64_t recovered, std::int32_t rate) {
    if (rate == 0 && recovered > 0) {
        return blocksText(recovered);
    }
    return percentText(rate);
}

ScanResult BuildScanResult(const ScanCounts& counts, ErrorHistory& history,
                           bool thresholdsEnabled) {
    const std::int32_t recoveredRate = ErrorRate(counts.recovered, counts.samples);
    const std::int32_t unreadableRate = ErrorRate(counts.unreadable, counts.samples);
    const std::string recoverable = RecoverableText(counts.recovered, recoveredRate);
    const std::string unreadable = UnreadableText(counts.unreadable, unreadableRate);
    const std::int64_t perSecond =
        std::int64_t{counts.sectorsRead} * 1000 / std::max(counts.elapsedMs, 1);
    const FormatArg args[] = {perSecond, recoverable, unreadable};
    ScanResult result;
    int id = 166;
    // A stopped scan says nothing of the disc, least of all one stopped
    // before its first sample: it is neither judged nor remembered.
    if (!counts.stopped) {
        const bool good =
            JudgeErrorRates(recoveredRate, unreadableRate, history, thresholdsEnabled);
        result.verdict = good ? Verdict::Good : Verdict::Bad;
        id = good ? 145 : 146;
    }
    result.text = FormatText(LoadResString(id), args, kMaxResultText);
    return result;
}

}  // namespace kel::diag
