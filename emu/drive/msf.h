// Addresses in CDBs and replies: an LBA, or a minute/second/frame time
// (binary, LBA 0 at 00:02:00) in the last three bytes of a four-byte field.
#pragma once

#include <cstdint>
#include <span>

namespace kel::emu {

// The LBA of the binary M, S, F at bytes offset..offset+2.
std::int32_t msfToLba(std::span<const std::uint8_t> bytes, std::size_t offset);

// Writes a four-byte address at offset: the LBA big-endian, or 0 M S F.
void writeAddress(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t lba, bool msf);

}  // namespace kel::emu
