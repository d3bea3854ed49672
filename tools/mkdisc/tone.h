// Synthesised audio for test discs: a sine tone, 16-bit stereo at 44100 Hz,
// both channels alike, little-endian as a CUE's BINARY file stores CD-DA.
#pragma once

#include <cstdint>
#include <span>

#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

inline constexpr std::size_t kSamplesPerFrame = 588;  // 44100 / 75

// Fills one 2352-byte frame: frame `frameIndex` counted from the tone's start,
// so that consecutive frames join without a click.
void synthesiseFrame(const Tone& tone, std::int64_t frameIndex, std::span<std::uint8_t, 2352> out);

}  // namespace kel::mkdisc
