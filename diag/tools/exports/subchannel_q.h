// The Q sub-channel export: every sector of one audio track read with its
// Q data, one line of Q bytes per sector, into a text file the user names.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "diag/disc/track_info.h"

namespace kel::diag {

// "%6d: " and the 16 Q bytes, each as two hex digits and a blank.
std::string SubchannelQLine(std::uint32_t block, std::span<const std::uint8_t, 16> q);

// Message 190 for a data track or the lead-out. Switches the current device
// into CD-DA mode for the export and out of it afterwards; a read failure
// or Cancel ends the file early.
void SaveSubchannelQ(const TrackInfo& track);

}  // namespace kel::diag
