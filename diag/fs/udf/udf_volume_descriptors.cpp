#include <algorithm>
#include <array>

#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/udf_volume.h"
#include "diag/tools/debug_log.h"

namespace kel::diag::udf {
namespace {

// A sequence is 16 blocks or a little more; an anchor that claims
// thousands is damaged, and reading them all would only take time.
constexpr std::int32_t kMaxSequenceBlocks = 256;

void ReadPartition(std::span<const std::uint8_t> descriptor, VolumeDescriptors& descriptors) {
    ReaderState& state = State();
    state.partitionStart = Block32(descriptor, partition_field::kStart);
    state.partitionLength = Block32(descriptor, partition_field::kLength);
    const std::uint32_t access = Le32(descriptor, partition_field::kAccessType);
    descriptors.readOnly = access == partition_field::kReadOnly;
    descriptors.writtenInPlace =
        access == partition_field::kRewritable || access == partition_field::kOverwritable;
    descriptors.partitionFound = true;
    if (state.partitionStart != 0) {
        state.partitionKnown = true;
    }
    if (DebugOn()) {
        DebugLog("Partition: S:%d Len:%d AccType:%x", state.partitionStart, state.partitionLength,
                 access);
    }
}

// False only when memory ran out for the sparing table.
bool ReadLogicalVolume(std::span<std::uint8_t, 2048> buffer, std::int32_t block, TrackInfo& track,
                       VolumeDescriptors& descriptors) {
    descriptors.logicalVolumeFound = true;
    descriptors.logicalVolumeBlock = block;
    descriptors.label = UdfStringToText(
        volume_field::kIdentifierLength,
        Tail(buffer, volume_field::kIdentifier).first(volume_field::kIdentifierLength));
    descriptors.fileSetLocation = Block32(buffer, volume_field::kFileSetLocation);
    if (buffer[volume_field::kFirstPartitionMap] != 2) {
        return true;
    }
    FirstTrack(track).flags |= udf_track_flags::kSparableMap;
    State().type2Map = true;
    // The map is copied out: the table is read through the same buffer.
    std::array<std::uint8_t, sparable_map::kSize> map{};
    std::copy_n(buffer.begin() + volume_field::kFirstPartitionMap, map.size(), map.begin());
    return ReadSparingTable(buffer, map);
}

}  // namespace

bool VolumeDescriptors::complete() const {
    return State().partitionLength != 0 && partitionFound && logicalVolumeFound;
}

SequenceResult ReadVolumeSequence(const Extent& sequence, TrackInfo& track,
                                  std::span<std::uint8_t, 2048> buffer,
                                  VolumeDescriptors& descriptors) {
    const std::int32_t blocks = std::clamp(sequence.blocks, 0, kMaxSequenceBlocks);
    for (std::int32_t i = 0; i < blocks; ++i) {
        const std::int32_t block = sequence.location + i;
        if (Cancelled()) {
            return SequenceResult::Cancelled;
        }
        if (!ReadBlocks(block, buffer)) {
            if (DebugOn()) {
                DebugLog("Error reading block %d of UDF volume descriptor", block);
            }
            continue;
        }
        descriptors.lastBlockRead = block;
        Dump(buffer, "UDF volume descriptor data");
        const std::uint16_t id = TagId(buffer);
        if (id == tag::kTerminating) {
            break;
        }
        if (id == tag::kPartition) {
            ReadPartition(buffer, descriptors);
        } else if (id == tag::kLogicalVolume &&
                   !ReadLogicalVolume(buffer, block, track, descriptors)) {
            return SequenceResult::OutOfMemory;
        }
    }
    return SequenceResult::Read;
}

// A formatter of packet-written CD-R discs put an ISO 9660 track first and
// started the UDF partition 35 blocks into a packet track at block 512.
bool TakeFixedLayout(TrackInfo& track, VolumeDescriptors& descriptors, bool changeTrackEnd) {
    TrackInfo* next = NextTrack(track);
    if (IsPacket(track) || next == nullptr || !IsPacket(*next) || next->start != 512) {
        return false;
    }
    ReaderState& state = State();
    state.partitionStart = 547;
    state.partitionLength = next->end - 547;
    if (state.partitionLength > track.end - track.start) {
        next->flags |= track_flags::kContinuation;
        if (changeTrackEnd) {
            track.end = next->end;
        }
    }
    state.partitionKnown = true;
    descriptors.fileSetLocation = 548;
    descriptors.label = "Unknown";
    return true;
}

// Rewritable discs formatted by the same program: a sparable partition at
// block 2464 with its file set 32 blocks in.
bool TakeErasableLayout(TrackInfo& track, VolumeDescriptors& descriptors) {
    if (!IsPacket(track) || (track.flags & track_flags::kErasable) == 0) {
        return false;
    }
    ReaderState& state = State();
    state.partitionStart = 2464;
    state.partitionLength = track.end;
    state.partitionKnown = true;
    state.type2Map = true;
    FirstTrack(track).flags |= udf_track_flags::kSparableMap;
    descriptors.fileSetLocation = 32;
    descriptors.label = "Unknown";
    return true;
}

}  // namespace kel::diag::udf
