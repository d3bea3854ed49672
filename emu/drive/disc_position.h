// Where a frame lies on the disc as the Q sub-channel tells it: track, index,
// and time relative to the track's index 1.
#pragma once

#include <cstdint>
#include <optional>

#include "emu/disc/disc.h"
#include "emu/sector/sector.h"

namespace kel::emu {

// nullopt for a frame outside every track.
std::optional<sector::QPosition> qPositionAt(const Disc& disc, std::int32_t lba);

const Track* findTrack(const Disc& disc, int number);

}  // namespace kel::emu
