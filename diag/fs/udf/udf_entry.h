// Reading a file entry's allocation descriptors (ECMA-167 4/14.14): short
// descriptors of 8 bytes, long ones of 16, each a length whose top two bits
// are the extent type and a position.
#pragma once

#include <cstdint>
#include <span>

#include "diag/fs/udf/udf_layout.h"

namespace kel::diag::udf {

inline AllocationType EntryAllocationType(std::span<const std::uint8_t> entry) {
    return static_cast<AllocationType>(Le16(entry, entry_field::kIcbFlags) & 3);
}

// The allocation descriptors of a file entry: they follow its extended
// attributes, and both lengths are cut to what the block holds.
inline std::span<const std::uint8_t> AllocationArea(std::span<const std::uint8_t> entry) {
    const std::size_t attributes = Le32(entry, entry_field::kExtendedAttributeLength);
    const std::span<const std::uint8_t> area =
        Tail(entry, entry_field::kAllocationArea + std::min<std::size_t>(attributes, entry.size()));
    return area.first(
        std::min<std::size_t>(Le32(entry, entry_field::kAllocationLength), area.size()));
}

struct AllocationDescriptor {
    std::uint32_t length = 0;  // bytes, without the type bits
    std::uint32_t type = 0;
    std::int32_t position = 0;
    std::uint16_t partition = 0;  // long descriptors only
    // Long descriptors: bytes 10-15, the implementation use.
    std::uint16_t useFlags = 0;
    std::uint32_t compressedLength = 0;
    bool empty() const { return length == 0 && type == 0 && position == 0; }
};

inline std::size_t DescriptorSize(AllocationType type) {
    return type == AllocationType::Long ? 16 : 8;
}

// The descriptor at `offset` of `area`, or nothing when it does not fit.
inline bool DescriptorAt(std::span<const std::uint8_t> area, std::size_t offset,
                         AllocationType type, AllocationDescriptor& descriptor) {
    if (offset > area.size() || area.size() - offset < DescriptorSize(type)) {
        return false;
    }
    const std::uint32_t length = Le32(area, offset);
    descriptor.length = length & kExtentLengthMask;
    descriptor.type = length >> 30;
    descriptor.position = Block32(area, offset + 4);
    if (type == AllocationType::Long) {
        descriptor.partition = Le16(area, offset + 8);
        descriptor.useFlags = Le16(area, offset + 10);
        descriptor.compressedLength = Le32(area, offset + 12);
    }
    return true;
}

}  // namespace kel::diag::udf
