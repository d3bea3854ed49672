#include "diag/disc/scan/placeholder_nodes.h"

#include <string>

#include "diag/disc/track_list.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::int32_t kBlocksPerMinute = 60 * 75;
constexpr std::int32_t kBlocksPerSecond = 75;
constexpr std::size_t kMaxNodeName = 255;

// The node carries nothing but its track and its name, so its start block
// stays 0 and the tree pane shows it.
void hangNode(TrackInfo& track, const std::string& name) {
    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return;
    }
    node->track = &track;
    track.root = node;
    InsertTreeNode(*node);
}

}  // namespace

void AddAudioNode(TrackInfo& track) {
    if (track.root != nullptr) {
        return;
    }
    const std::int64_t length = track.next != nullptr ? BlocksUpTo(track, *track.next) : 0;
    const FormatArg args[] = {length / kBlocksPerMinute,
                              (length % kBlocksPerMinute) / kBlocksPerSecond};
    hangNode(track, FormatText(LoadResString(126), args, kMaxNodeName));
}

void AddLeadOutNode(TrackInfo& track) {
    const FormatArg args[] = {track.start};
    hangNode(track, FormatText(LoadResString(127), args, kMaxNodeName));
}

void AddUnknownDataNode(TrackInfo& track) {
    const FormatArg args[] = {std::int64_t{track.end} - track.start};
    hangNode(track, FormatText(LoadResString(160), args, kMaxNodeName));
}

}  // namespace kel::diag
