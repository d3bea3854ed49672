// HFS dates: seconds since 1904-01-01, kept in local time.
#pragma once

#include <array>
#include <cstdint>

namespace kel::diag::hfs {

// The 7-byte FileNode date (years since 1900, month 1-12, day, hour,
// minute, second, 0); seven zeros when the value cannot be broken down.
std::array<std::uint8_t, 7> HfsDateToNodeDate(std::uint32_t hfsDate);

}  // namespace kel::diag::hfs
