// The on-disc structures that the ISO 9660 reader reads: volume descriptors
// (ISO 9660 / ECMA-119 8.4 and 8.5, High Sierra's older layout), directory
// records (ECMA-119 9.1), path table records (9.4) and Rock Ridge's
// alternate name entry (SUSP 4, RRIP 4.1.4). Everything is read through the
// checked field readers below: a field that would lie outside the bytes
// given reads as zero, so no caller can read past a block or a record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "diag/fs/le_fields.h"

namespace kel::diag::iso {

inline constexpr std::size_t kBlockSize = 2048;
// The volume descriptor set starts after the 16-block system area (8.1).
inline constexpr std::int32_t kDescriptorBlock = 16;
// Longest directory a . record may claim (400 MiB); anything larger is
// taken as damage rather than a directory.
inline constexpr std::uint32_t kMaxDirectorySize = 838860800;
// The used-block bitmap and the default track end both stop here.
inline constexpr std::int32_t kMaxVolumeEnd = 340000;

using Bytes = std::span<const std::uint8_t>;

inline std::uint8_t Byte(Bytes bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes[offset] : 0;
}

// Both-byte-order fields (7.2.3, 7.3.3) are read from their little-endian half.
using diag::Le32;

inline bool Matches(Bytes bytes, std::size_t offset, std::string_view text) {
    if (offset > bytes.size() || bytes.size() - offset < text.size()) {
        return false;
    }
    return std::equal(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

inline Bytes Field(Bytes bytes, std::size_t offset, std::size_t length) {
    if (offset > bytes.size()) {
        return {};
    }
    return bytes.subspan(offset, std::min(length, bytes.size() - offset));
}

// Volume descriptors: type, standard identifier and version (8.1).
namespace descriptor {
inline constexpr std::uint8_t kPrimary = 1;
inline constexpr std::uint8_t kSupplementary = 2;
inline constexpr std::size_t kSystemId = 8;
// A CD-i bridge disc names its system in the first 17 bytes.
inline constexpr std::string_view kCdiBridge = "CD-RTOS CD-BRIDGE";
inline constexpr std::size_t kVolumeId = 40;
inline constexpr std::size_t kVolumeIdLength = 32;
inline constexpr std::size_t kVolumeSpaceSize = 80;
// Joliet's UCS-2 levels 1-3 are announced by these escape sequences.
inline constexpr std::size_t kEscapeSequences = 88;
inline constexpr std::size_t kPathTableL = 140;
inline constexpr std::size_t kRootRecord = 156;
}  // namespace descriptor

// High Sierra's descriptor: the block number first, its identifier 8 bytes on.
namespace hsg {
inline constexpr std::size_t kVolumeId = 48;
inline constexpr std::size_t kVolumeSpaceSize = 88;
inline constexpr std::size_t kRootRecord = 180;
}  // namespace hsg

inline bool IsDescriptor(Bytes block, std::uint8_t type) {
    return Byte(block, 0) == type && Matches(block, 1, "CD001") && Byte(block, 6) == 1;
}

inline bool IsHighSierraDescriptor(Bytes block) {
    return Byte(block, 8) == descriptor::kPrimary && Matches(block, 9, "CDROM") &&
           Byte(block, 14) == 1;
}

// Directory record fields (9.1); High Sierra keeps its flags one byte earlier
// because its date has no time-zone byte.
namespace record {
inline constexpr std::size_t kLength = 0;
inline constexpr std::size_t kExtent = 2;
inline constexpr std::size_t kDataLength = 10;
inline constexpr std::size_t kDate = 18;
inline constexpr std::size_t kDateLength = 7;
inline constexpr std::size_t kIsoFlags = 25;
inline constexpr std::size_t kHsgFlags = 24;
inline constexpr std::size_t kIdentifierLength = 32;
inline constexpr std::size_t kIdentifier = 33;
// The length of a record that holds the one-byte identifier of . or ..
inline constexpr std::size_t kDotRecordLength = 34;
inline constexpr std::uint8_t kDirectoryFlag = 0x02;
inline constexpr std::uint8_t kMultiExtentFlag = 0x80;
}  // namespace record

// One directory record whose identifier lies inside the record.
struct DirectoryRecord {
    Bytes bytes;  // the whole record
    std::uint32_t extent = 0;
    std::uint32_t dataLength = 0;
    std::uint8_t flags = 0;
    Bytes identifier;
    // From the byte after the identifier's padding to the record's end.
    Bytes systemUse;
};

// Nothing when the record cannot hold its fixed part and its identifier.
inline std::optional<DirectoryRecord> ParseDirectoryRecord(Bytes bytes, std::size_t flagsOffset) {
    if (bytes.size() < record::kIdentifier) {
        return std::nullopt;
    }
    const std::size_t identifierLength = bytes[record::kIdentifierLength];
    if (record::kIdentifier + identifierLength > bytes.size()) {
        return std::nullopt;
    }
    DirectoryRecord parsed;
    parsed.bytes = bytes;
    parsed.extent = Le32(bytes, record::kExtent);
    parsed.dataLength = Le32(bytes, record::kDataLength);
    parsed.flags = Byte(bytes, flagsOffset);
    parsed.identifier = bytes.subspan(record::kIdentifier, identifierLength);
    // An even-length identifier is followed by one padding byte (9.1.12).
    const std::size_t systemUse = record::kIdentifier + 1 + (identifierLength & ~std::size_t{1});
    parsed.systemUse = systemUse < bytes.size() ? bytes.subspan(systemUse) : Bytes{};
    return parsed;
}

// The . record that opens every directory: a one-byte identifier 0.
inline bool HasDotIdentifier(Bytes bytes) {
    return Byte(bytes, record::kIdentifierLength) == 1 && Byte(bytes, record::kIdentifier) == 0;
}

// A . record as the writers lay it out: exactly 34 bytes and a directory.
inline bool IsStrictDotRecord(Bytes bytes) {
    return Byte(bytes, record::kLength) == record::kDotRecordLength &&
           (Byte(bytes, record::kIsoFlags) & record::kDirectoryFlag) != 0 &&
           HasDotIdentifier(bytes);
}

// Path table record (9.4): identifier length, extended attribute length,
// extent of the directory.
namespace path_record {
inline constexpr std::size_t kIdentifierLength = 0;
inline constexpr std::size_t kAttributeLength = 1;
inline constexpr std::size_t kExtent = 2;
}  // namespace path_record

// System use entries (SUSP 4.1): signature, length, version, data.
namespace susp {
inline constexpr std::size_t kHeader = 4;
inline constexpr std::size_t kLength = 2;
inline constexpr std::size_t kVersion = 3;
// NM: flags in byte 4, the name from byte 5 (RRIP 4.1.4).
inline constexpr std::size_t kNameData = 5;
}  // namespace susp

}  // namespace kel::diag::iso
