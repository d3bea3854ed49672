#include "diag/disc/analysis/analysis.h"

namespace kel::diag {
namespace {

constexpr std::int64_t kPregapFrames = 150;
constexpr std::int64_t kFramesPerMinute = 4500;
constexpr std::int64_t kFramesPerSecond = 75;

// Whole seconds, computed minute by minute as the service does.
std::int64_t secondsAt(std::int32_t block) {
    const std::int64_t frames = std::int64_t{block} + kPregapFrames;
    return frames / kFramesPerMinute * 60 + frames % kFramesPerMinute / kFramesPerSecond;
}

// The service knows a disc by the tracks its TOC lists: not by the records
// the program adds for itself (an HFS twin, the implicit track from block
// 0, the track where writing goes on).
bool isTocTrack(const TrackInfo& r) {
    constexpr std::uint32_t kAdded =
        track_flags::kHfsTwin | track_flags::kImplicitFromBlockZero | track_flags::kOpen;
    return (r.flags & kAdded) == 0;
}

}  // namespace

std::uint32_t CddbDigitSum(std::int32_t block) {
    std::uint32_t sum = 0;
    for (std::int64_t seconds = secondsAt(block); seconds > 0; seconds /= 10) {
        sum += static_cast<std::uint32_t>(seconds % 10);
    }
    return sum;
}

std::uint32_t CddbKey() {
    const TrackList& tracks = Tracks();
    if (tracks.first == nullptr) {
        return 0;
    }
    const TrackInfo* first = nullptr;
    std::uint32_t count = 0;
    std::uint32_t sum = 0;
    for (const TrackInfo* r = tracks.first; r != tracks.last; r = r->next) {
        if (!isTocTrack(*r)) {
            continue;
        }
        first = first != nullptr ? first : r;
        ++count;
        sum += CddbDigitSum(r->start);
    }
    if (first == nullptr) {
        first = tracks.first;
    }
    const auto seconds =
        static_cast<std::uint32_t>(secondsAt(tracks.last->start) - secondsAt(first->start));
    return ((sum % 255) << 24) + (seconds << 8) + count;
}

}  // namespace kel::diag
