// HFS dates: seconds since 1904-01-01 as the volume's own clock read them.
#pragma once

#include <array>
#include <cstdint>

namespace kel::diag::hfs {

// The 7-byte FileNode date (years since 1900, month 1-12, day, hour,
// minute, second, 0): the recorded clock reading, whatever this machine's
// zone.
std::array<std::uint8_t, 7> HfsDateToNodeDate(std::uint32_t hfsDate);

}  // namespace kel::diag::hfs
