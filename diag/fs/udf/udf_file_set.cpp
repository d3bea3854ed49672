#include <cstring>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag::udf {
namespace {

bool IsIsoDescriptor(std::span<const std::uint8_t> block, std::uint8_t type) {
    return block[0] == type && std::memcmp(block.data() + 1, "CD001", 5) == 0 && block[6] == 1;
}

}  // namespace

bool IsIsoBridge(const TrackInfo& track, std::span<std::uint8_t, 2048> buffer) {
    if (!ReadBlocks(track.start + 16, buffer) || !IsIsoDescriptor(buffer, 1)) {
        return false;
    }
    return ReadBlocks(track.start + 17, buffer) && IsIsoDescriptor(buffer, 2) &&
           buffer[88] == '%' && buffer[89] == '/';
}

std::int32_t FindFileSetDescriptor(std::int32_t from, std::int32_t to,
                                   std::span<std::uint8_t, 2048> buffer) {
    if (DebugOn()) {
        DebugLog("Searching for FSD from %d to %d...", from, to);
    }
    QuietReads quiet;
    for (std::int32_t block = from + 1; block <= to; ++block) {
        AdvanceProgress();
        if (Cancelled()) {
            return 0;
        }
        if (!ReadBlocks(block, buffer) || !IsValidTag(buffer, tag::kFileSet)) {
            continue;
        }
        // The tag records the descriptor's place in its partition, which
        // gives the partition's start; a place beyond the block is damage.
        const std::int32_t location = Block32(buffer, tag_field::kLocation);
        if (location < 0 || location > block) {
            continue;
        }
        ReaderState& state = State();
        state.partitionStart = block - location;
        state.partitionLength -= state.partitionStart;
        state.partitionKnown = state.partitionKnown || state.partitionStart != 0;
        if (DebugOn()) {
            DebugLog("Found FSD at %d, partition start at %d", block, state.partitionStart);
        }
        return block;
    }
    return 0;
}

}  // namespace kel::diag::udf
