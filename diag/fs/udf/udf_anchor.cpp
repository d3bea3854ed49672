#include <vector>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/udf_volume.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag::udf {
namespace {

// Where formatters put the anchor: the last block, 256 before it, and the
// places older packet-writing programs used.
std::vector<std::int32_t> Candidates(TrackInfo& track) {
    const std::int32_t s = track.start;
    const std::int32_t e = track.end;
    TrackInfo* next = NextTrack(track);
    std::vector<std::int32_t> blocks;
    if (!IsPacket(track)) {
        blocks = {e - 1, e - 256, e - 406, e - 407};
        if (next != nullptr && IsPacket(*next)) {
            blocks.insert(blocks.end(),
                          {next->end - 1, next->end - 256, next->start + 256, next->start + 512});
        }
    } else if ((track.dataModeByte & 0x40) != 0 && track.track == 1) {
        // A blank first packet track: its end means nothing while a next
        // track holds the volume.
        if (next == nullptr) {
            blocks = {e, e - 1, e - 256, e - 257};
        } else {
            next->flags |= track_flags::kContinuation;
        }
    } else {
        blocks = {e, e - 1, e - 256, e - 257};
    }
    blocks.insert(blocks.end(), {s + 512, s + 256});
    return blocks;
}

}  // namespace

Anchor FindAnchor(TrackInfo& track, std::span<std::uint8_t, 2048> buffer, bool& cancelled) {
    Anchor anchor;
    QuietReads quiet;
    for (std::int32_t block : Candidates(track)) {
        if (block <= 0) {
            continue;
        }
        AdvanceProgress();
        if (Cancelled()) {
            cancelled = true;
            return anchor;
        }
        if (!ReadBlocks(block, buffer)) {
            anchor.readFailed = true;
            if (DebugOn()) {
                DebugLog("Failed to read block %d, %s", block,
                         Device() != nullptr ? Device()->SenseText() : std::string());
            }
            continue;
        }
        if (IsValidTag(buffer, tag::kAnchor) && Block32(buffer, tag_field::kLocation) == block) {
            Dump(buffer, "Probing for AVDP");
            anchor.found = true;
            anchor.block = block;
            anchor.mainBytes = Le32(buffer, anchor_field::kMainLength);
            anchor.main = {
                Block32(buffer, anchor_field::kMainLocation),
                static_cast<std::int32_t>(Le32(buffer, anchor_field::kMainLength) / kBlockSize)};
            anchor.reserve = {
                Block32(buffer, anchor_field::kReserveLocation),
                static_cast<std::int32_t>(Le32(buffer, anchor_field::kReserveLength) / kBlockSize)};
            return anchor;
        }
    }
    return anchor;
}

}  // namespace kel::diag::udf
