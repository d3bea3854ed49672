#include <algorithm>
#include <cstdlib>

#include "emu/sector/sector.h"

namespace kel::emu::sector {

namespace {
constexpr std::uint8_t kAdrPosition = 1;
constexpr std::uint8_t kLeadOutTrack = 0xAA;  // a code, not a number: never BCD-encoded
}  // namespace

std::uint16_t qCrc(std::span<const std::uint8_t, 10> data) {
    // x^16+x^12+x^5+1, MSB first, register starting at zero; the disc carries
    // the remainder inverted.
    std::uint16_t crc = 0;
    for (std::uint8_t byte : data) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
        }
    }
    return static_cast<std::uint16_t>(~crc);
}

std::array<std::uint8_t, 12> qChannel(const QPosition& position) {
    std::array<std::uint8_t, 12> q{};
    q[0] = static_cast<std::uint8_t>((position.control << 4) | kAdrPosition);
    q[1] = position.track == kLeadOutTrack ? kLeadOutTrack : toBcd(position.track);
    q[2] = toBcd(position.index);
    // In the pregap the relative time counts down to index 1; the disc
    // carries its magnitude.
    const std::int32_t relative = std::abs(position.relative);
    q[3] = toBcd(static_cast<std::uint8_t>(relative / (60 * 75)));
    q[4] = toBcd(static_cast<std::uint8_t>(relative / 75 % 60));
    q[5] = toBcd(static_cast<std::uint8_t>(relative % 75));
    const Msf absolute = lbaToMsf(position.absoluteLba);
    q[7] = toBcd(absolute.minute);
    q[8] = toBcd(absolute.second);
    q[9] = toBcd(absolute.frame);
    const std::uint16_t crc = qCrc(std::span<const std::uint8_t, 10>(q.data(), 10));
    q[10] = static_cast<std::uint8_t>(crc >> 8);
    q[11] = static_cast<std::uint8_t>(crc);
    return q;
}

std::array<std::uint8_t, 16> formattedQ(const QPosition& position) {
    std::array<std::uint8_t, 16> formatted{};
    const auto q = qChannel(position);
    std::copy(q.begin(), q.end(), formatted.begin());
    return formatted;
}

}  // namespace kel::emu::sector
