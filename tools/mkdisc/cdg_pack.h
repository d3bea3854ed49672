// CD+G packs: the 24 six-bit symbols of one R-W sub-channel pack, with the
// Reed-Solomon parity (over GF(64), x^6 + x + 1) that every pack carries, and
// the pack interleave of the R-W channels as a disc holds them.
#pragma once

#include <array>
#include <cstdint>

namespace kel::mkdisc {

inline constexpr std::size_t kPackSymbols = 24;
inline constexpr std::size_t kPackDataSymbols = 16;
inline constexpr std::size_t kPacksPerSector = 4;

using CdgPack = std::array<std::uint8_t, kPackSymbols>;
using CdgData = std::array<std::uint8_t, kPackDataSymbols>;

// Mode 1 (graphics), item 1 (line graphics): the first symbol of a CD+G pack.
inline constexpr std::uint8_t kCdgCommand = 0x09;

namespace cdg {
inline constexpr std::uint8_t kMemoryPreset = 1;
inline constexpr std::uint8_t kBorderPreset = 2;
inline constexpr std::uint8_t kTileBlock = 6;
inline constexpr std::uint8_t kScrollPreset = 20;
inline constexpr std::uint8_t kScrollCopy = 24;
inline constexpr std::uint8_t kLoadColoursLow = 30;
inline constexpr std::uint8_t kLoadColoursHigh = 31;
inline constexpr std::uint8_t kTileBlockXor = 38;
}  // namespace cdg

// A CD+G pack: command, instruction, parity Q over symbols 0-1 at 2-3, data
// at 4-19, parity P over symbols 0-19 at 20-23. Symbols are masked to 6 bits.
CdgPack makeCdgPack(std::uint8_t instruction, const CdgData& data);

// GF(64) product, for the parity and its tests.
std::uint8_t gf64Multiply(std::uint8_t a, std::uint8_t b);
std::uint8_t gf64Power(int exponent);  // alpha^exponent, alpha = x

// Where symbol `symbol` of a pack travels: the disc swaps symbols 1 and 18, 2
// and 5, 3 and 23 within the pack, then delays the symbol in position i by
// i mod 8 packs. interleaveSource gives, for disc position `symbol` of pack
// p, the pack offset back (0-7) and the symbol of that earlier pack.
struct InterleaveSource {
    int packsBack = 0;
    std::size_t symbol = 0;
};
InterleaveSource interleaveSource(std::size_t symbol);

// The farthest a symbol travels: the disc's last packs end this many packs
// past its last sector, in the lead-out.
inline constexpr int kMaxInterleaveDelay = 7;

}  // namespace kel::mkdisc
