#include <array>
#include <string>
#include <string_view>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

// Where a sampler disc's block 0 carries its maker's notice.
constexpr std::size_t kNoticeOffset = 64;
constexpr std::size_t kMaxTrackName = 200;

// Skips blanks from `at`, then requires `word`; gives the position after it.
bool TakeWord(std::string_view block, std::size_t& at, std::string_view word) {
    while (at < block.size() && block[at] == ' ') {
        ++at;
    }
    if (block.substr(at, word.size()) != word) {
        return false;
    }
    at += word.size();
    return true;
}

bool IsSamplerBlock(std::string_view block) {
    std::size_t at = kNoticeOffset;
    return TakeWord(block, at, "Copyright") && TakeWord(block, at, "Roland");
}

}  // namespace

bool IdentifyOtherTrack(TrackInfo& track) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr) {
        return false;
    }
    device->quiet = 1;
    std::array<std::uint8_t, 2048> block{};
    const bool read = device->ReadSectors(0, block, 1);
    device->quiet = 0;
    if (!read || !IsSamplerBlock(
                     std::string_view(reinterpret_cast<const char*>(block.data()), block.size()))) {
        return false;
    }
    // The track list ends with the lead-out's record: the disc's last track
    // has no next track and is named with 0 blocks.
    const bool lastTrack = track.next == nullptr || track.next->track == kLeadOutTrack;
    const std::int32_t length = lastTrack ? 0 : track.next->start - track.start;
    const FormatArg args[] = {length};
    const std::string name = FormatText(LoadResString(207), args, kMaxTrackName);
    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return false;
    }
    node->track = &track;
    track.root = node;
    InsertTreeNode(*node);
    if (logSwitches().debugMode) {
        DebugLog("Track %d identified as a Roland sampler track", track.track);
    }
    return true;
}

}  // namespace kel::diag
