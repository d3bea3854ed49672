#include <algorithm>
#include <optional>

#include "diag/disc/analysis/analysis_lines.h"
#include "diag/disc/analysis/track_checks.h"
#include "diag/disc/analysis/track_order.h"
#include "diag/tools/debug_log.h"

namespace kel::diag {
namespace {

constexpr std::int64_t kPostGapBlocks = 150;
// A writer that leaves fewer zero blocks than this behind a data track has
// not written a proper post-gap.
constexpr int kEnoughZeroBlocks = 120;

// The first block of the post-gap; nothing when no track follows.
std::optional<std::int64_t> postGapStart(const TrackInfo& track) {
    if (track.next == nullptr) {
        return std::nullopt;
    }
    const TrackInfo& next = NextNonTwin(track);
    if (IsTwin(next)) {
        return std::nullopt;
    }
    // Before another session the gap is the session's lead-out, which the
    // drive can't read; the post-gap lies right behind the track's data.
    if (next.session != track.session) {
        return track.end;
    }
    return std::int64_t{next.start} - kPostGapBlocks;
}

int countZeroBlocks(const TrackInfo& track, std::int64_t first,
                    std::span<std::uint8_t, kSectorBytes> buffer) {
    if (logSwitches().debugMode) {
        DebugLog("Post-gap check for track %d started at %d", int{track.track}, first);
    }
    int count = 0;
    std::int64_t block = first;
    {
        const QuietDrive quiet;
        for (; count < kPostGapBlocks; ++block, ++count) {
            if (!ReadSector(block, buffer) ||
                std::any_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b != 0; })) {
                break;
            }
        }
    }
    if (logSwitches().debugMode) {
        DebugLog("Post-gap check for track %d ended at %d after %d blocks", int{track.track}, block,
                 count);
    }
    return count;
}

}  // namespace

void CheckPostGap(const TrackInfo& track, std::span<std::uint8_t, kSectorBytes>* buffer) {
    const std::optional<std::int64_t> first = postGapStart(track);
    int zeroBlocks = 0;
    if (first) {
        Sector own{};
        zeroBlocks = countZeroBlocks(track, *first, buffer != nullptr ? *buffer : own);
    }
    if (zeroBlocks >= kEnoughZeroBlocks) {
        AddAnalysisLine(15067);
    } else {
        AddAnalysisLine(15068);
        MarkQuestionable();
    }
}

}  // namespace kel::diag
