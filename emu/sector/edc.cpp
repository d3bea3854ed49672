#include <array>

#include "emu/sector/sector.h"

namespace kel::emu::sector {

namespace {
// x^32+x^31+x^16+x^15+x^4+x^3+x+1, bit-reversed because the EDC is shifted
// LSB first.
constexpr std::uint32_t kReflectedPolynomial = 0xD8018001;

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ ((crc & 1) ? kReflectedPolynomial : 0);
        }
        table[i] = crc;
    }
    return table;
}

constexpr auto kTable = makeTable();
}  // namespace

std::uint32_t edc(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0;
    for (std::uint8_t byte : bytes) {
        crc = (crc >> 8) ^ kTable[(crc ^ byte) & 0xFF];
    }
    return crc;
}

}  // namespace kel::emu::sector
