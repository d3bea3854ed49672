// The sub-channel a drive returns with a sector: the raw P-W bytes of the
// disc's sub-channel file where it has one, else made from the sector's
// position (P clear, Q generated, R-W empty); the formatted Q; and the R-W
// packs de-interleaved from the raw stream.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "emu/drive/command.h"

namespace kel::emu {

using SubChannel = std::array<std::uint8_t, kSubChannelSize>;

// nullopt, or the sense of a sub-channel file that cannot be read.
std::optional<SenseCode> rawSubChannel(DriveContext& context, std::int32_t lba, SubChannel& out);

// The Q channel of raw P-W (bit 6 of each byte), as READ CD's formatted Q:
// 12 bytes and 4 zero bytes.
std::array<std::uint8_t, 16> formattedQFromRaw(const SubChannel& raw);

// The sector's four R-W packs of 24 six-bit symbols, de-interleaved: their
// symbols reach up to seven packs, two sectors, further on.
std::optional<SenseCode> rwPacks(DriveContext& context, std::int32_t lba, SubChannel& out);

// Where symbol i of a pack lies in the raw R-W stream, counted in symbols
// from the pack's own start: the published CD+G interleave, which swaps
// symbols 1/18, 2/5 and 3/23 and delays each by its new position mod 8
// packs.
int interleavedSymbolOffset(int symbol);

}  // namespace kel::emu
