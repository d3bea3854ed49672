#include <algorithm>
#include <utility>
#include <vector>

#include "diag/disc/disc_info.h"
#include "diag/disc/scan/track_trees.h"
#include "diag/fs/file_node.h"

namespace kel::diag {
namespace {

constexpr std::int64_t kBlockBytes = 2048;

// A damaged length may name blocks far beyond the disc: the track's files
// end at the next record that is not part of its volume (continuations
// and the HFS twin are), at the latest at the lead-out. With nothing
// behind the track (a list from disc information, an open session behind
// the lead-out) they end where the list ends the track: the end of its
// recorded or reserved blocks, which is the disc's end as far as known.
std::int64_t endLimit(const TrackInfo& track) {
    constexpr std::uint32_t kSameVolume = track_flags::kContinuation | track_flags::kHfsTwin;
    for (const TrackInfo* x = track.next; x != nullptr; x = x->next) {
        if ((x->flags & kSameVolume) == 0 && x->start > track.start) {
            return x->start;
        }
    }
    return track.end > track.start ? track.end : kDefaultEnd;
}

}  // namespace

void MeasureFileTree(TrackInfo& track) {
    const std::int64_t limit = endLimit(track);
    track.end = 0;
    track.depth = 0;
    if (track.root == nullptr) {
        return;
    }
    std::int64_t end = 0;
    // Walked with a list of its own rather than by recursion: a tree from a
    // damaged or hostile disc may nest far deeper than the stack allows.
    std::vector<std::pair<const FileNode*, std::int32_t>> directories{{track.root, 1}};
    while (!directories.empty()) {
        const auto [directory, level] = directories.back();
        directories.pop_back();
        track.depth = std::max(track.depth, level);
        for (const FileNode* child = directory->firstChild; child != nullptr; child = child->next) {
            if (child->startBlock != -1) {
                end = std::max(
                    end, child->startBlock + static_cast<std::int64_t>(
                                                 (child->size + kBlockBytes - 1) / kBlockBytes));
            }
            if (IsDirectory(*child) && child->firstChild != nullptr) {
                directories.emplace_back(child, level + 1);
            }
        }
    }
    track.end = static_cast<std::int32_t>(std::min(end, limit));
}

}  // namespace kel::diag
