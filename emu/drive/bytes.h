// Big-endian fields of CDBs and replies.
#pragma once

#include <cstdint>
#include <span>

namespace kel::emu {

inline std::uint32_t readBe(std::span<const std::uint8_t> bytes, std::size_t offset,
                            std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value = (value << 8) | bytes[offset + i];
    }
    return value;
}

inline void writeBe(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width,
                    std::uint32_t value) {
    for (std::size_t i = 0; i < width; ++i) {
        bytes[offset + width - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace kel::emu
