// Raw CD sector and Q sub-channel encoding (ECMA-130): sync, header, EDC,
// Reed-Solomon P/Q parity, and the formatted Q of READ CD.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace kel::emu::sector {

inline constexpr std::size_t kRawSize = 2352;
using Raw = std::span<std::uint8_t, kRawSize>;

struct Msf {
    std::uint8_t minute = 0, second = 0, frame = 0;
};
Msf lbaToMsf(std::int32_t lba);  // absolute time: lba + 150 frames (lead-in LBAs negative)
std::uint8_t toBcd(std::uint8_t value);

// EDC (ECMA-130 annex: CRC-32 polynomial x^32+x^31+x^16+x^15+x^4+x^3+x+1, LSB first).
std::uint32_t edc(std::span<const std::uint8_t> bytes);

// Each encoder expects the user bytes (and for mode 2 the subheader at 16..23)
// already in place and writes sync, header and the check fields around them.
void encodeMode1(Raw raw, std::int32_t lba);          // data 16..2063
void encodeMode2Form1(Raw raw, std::int32_t lba);     // subheader 16..23, data 24..2071
void encodeMode2Form2(Raw raw, std::int32_t lba);     // subheader 16..23, data 24..2347
void encodeMode2Formless(Raw raw, std::int32_t lba);  // data 16..2351, no EDC/ECC

// Q sub-channel (mode 1 position): 10 data bytes and CRC-16 (inverted), the
// 12 bytes of the Q channel; formattedQ is READ CD sub-channel selection 2's
// 16 bytes (the 12 followed by 4 zero bytes).
struct QPosition {
    std::uint8_t control = 0;
    std::uint8_t track = 1;  // binary; encoded BCD
    std::uint8_t index = 1;
    std::int32_t relative = 0;  // frames from index 1 (negative in the pregap)
    std::int32_t absoluteLba = 0;
};
std::array<std::uint8_t, 12> qChannel(const QPosition& position);
std::array<std::uint8_t, 16> formattedQ(const QPosition& position);
// The CRC as the disc stores it (already inverted), bytes 10 and 11 MSB first.
std::uint16_t qCrc(std::span<const std::uint8_t, 10> data);

}  // namespace kel::emu::sector
