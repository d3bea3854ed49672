// Little-endian fields of on-disc structures (ISO 9660's both-byte-order
// fields are read from their little-endian half, UDF is little-endian
// throughout). A field that does not lie wholly inside the bytes at hand
// reads as 0, so a length or offset taken from the disc can never lead a
// read outside its buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kel::diag {

// Field of `width` bytes (1, 2 or 4) at `offset`.
inline std::uint32_t LeField(std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::size_t width) {
    if (offset > bytes.size() || bytes.size() - offset < width) {
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = width; i > 0; --i) {
        value = value << 8 | bytes[offset + i - 1];
    }
    return value;
}
inline std::uint8_t Le8(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint8_t>(LeField(bytes, offset, 1));
}
inline std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(LeField(bytes, offset, 2));
}
inline std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return LeField(bytes, offset, 4);
}

}  // namespace kel::diag
