#include "tools/mkdisc/fs/apple_partition_map.h"

#include <string_view>

namespace kel::mkdisc::fs {

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::uint16_t kDriverDescriptorSignature = 0x4552;  // "ER"
constexpr std::uint16_t kPartitionSignature = 0x504D;         // "PM"
constexpr std::uint32_t kEntries = 2;
// Valid, allocated, readable and writable.
constexpr std::uint32_t kPartitionStatus = 0x33;

void putBig16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

void putBig32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    putBig16(out, at, static_cast<std::uint16_t>(value >> 16));
    putBig16(out, at + 2, static_cast<std::uint16_t>(value));
}

void putText(std::vector<std::uint8_t>& out, std::size_t at, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

// A partition map entry (pmSig .. pmPartStatus) in block `index`.
void putEntry(std::vector<std::uint8_t>& out, std::uint32_t index, std::uint32_t start,
              std::uint32_t count, std::string_view name, std::string_view type) {
    const std::size_t at = index * kBlock;
    putBig16(out, at + 0, kPartitionSignature);
    putBig32(out, at + 4, kEntries);  // pmMapBlkCnt
    putBig32(out, at + 8, start);     // pmPyPartStart
    putBig32(out, at + 12, count);    // pmPartBlkCnt
    putText(out, at + 16, name);      // pmPartName, 32 bytes
    putText(out, at + 48, type);      // pmParType, 32 bytes
    putBig32(out, at + 80, 0);        // pmLgDataStart
    putBig32(out, at + 84, count);    // pmDataCnt
    putBig32(out, at + 88, kPartitionStatus);
}

}  // namespace

std::vector<std::uint8_t> applePartitionMap(std::uint32_t totalBlocks) {
    std::vector<std::uint8_t> out(kHfsPartitionStart * kBlock, 0);
    putBig16(out, 0, kDriverDescriptorSignature);
    putBig16(out, 2, kBlock);  // sbBlkSize
    putBig32(out, 4, totalBlocks);
    putEntry(out, 1, 1, kHfsPartitionStart - 1, "Apple", "Apple_partition_map");
    putEntry(out, 2, kHfsPartitionStart, totalBlocks - kHfsPartitionStart, "Disc", "Apple_HFS");
    return out;
}

}  // namespace kel::mkdisc::fs
