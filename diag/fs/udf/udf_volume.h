// The steps of ReadUdfVolume that find the volume: the anchor, the volume
// descriptor sequences and the fixed layouts of discs whose anchor is lost.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "diag/disc/track_info.h"

namespace kel::diag::udf {

struct Extent {
    std::int32_t location = 0;
    std::int32_t blocks = 0;
};

struct Anchor {
    bool found = false;
    // A candidate block could not be read (the fixed layouts need this).
    bool readFailed = false;
    std::int32_t block = 0;
    std::uint32_t mainBytes = 0;
    Extent main;
    Extent reserve;
};

// Probes the anchor's candidate places of the track; false in `found` when
// none holds one. Cancelled reads give nothing.
Anchor FindAnchor(TrackInfo& track, std::span<std::uint8_t, 2048> buffer, bool& cancelled);

// What the volume descriptor sequences gave.
struct VolumeDescriptors {
    std::string label;
    std::int32_t fileSetLocation = 0;
    std::int32_t logicalVolumeBlock = 0;
    std::int32_t lastBlockRead = 0;
    bool partitionFound = false;
    bool logicalVolumeFound = false;
    bool readOnly = false;
    // Written in place (rewritable or overwritable): no VAT is needed.
    bool writtenInPlace = false;
    bool complete() const;
};

enum class SequenceResult { Read, Cancelled, OutOfMemory };
SequenceResult ReadVolumeSequence(const Extent& sequence, TrackInfo& track,
                                  std::span<std::uint8_t, 2048> buffer,
                                  VolumeDescriptors& descriptors);

// The layout a packet-writing program's formatter leaves on a disc, taken
// when the anchor is gone; false when the track fits none.
bool TakeFixedLayout(TrackInfo& track, VolumeDescriptors& descriptors, bool changeTrackEnd);
bool TakeErasableLayout(TrackInfo& track, VolumeDescriptors& descriptors);

}  // namespace kel::diag::udf
