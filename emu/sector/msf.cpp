#include "emu/sector/sector.h"

namespace kel::emu::sector {

namespace {
// Absolute time runs 00:00:00 .. 99:59:74; lead-in addresses below -150 are
// counted back from the top of that clock, as READ TOC's MSF form gives them.
constexpr std::int32_t kFramesPerClock = 100 * 60 * 75;
constexpr std::int32_t kLeadInOffset = 150;
}  // namespace

std::uint8_t toBcd(std::uint8_t value) {
    value %= 100;
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

Msf lbaToMsf(std::int32_t lba) {
    std::int32_t frames =
        lba >= -kLeadInOffset ? lba + kLeadInOffset : lba + kFramesPerClock + kLeadInOffset;
    frames %= kFramesPerClock;
    if (frames < 0) {
        frames += kFramesPerClock;
    }
    return Msf{static_cast<std::uint8_t>(frames / (60 * 75)),
               static_cast<std::uint8_t>(frames / 75 % 60), static_cast<std::uint8_t>(frames % 75)};
}

}  // namespace kel::emu::sector
