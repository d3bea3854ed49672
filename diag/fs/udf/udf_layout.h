// Where the UDF reader finds its fields: descriptor tag identifiers and the
// byte offsets of the structures of ECMA-167 (parts 3 and 4) and of the UDF
// additions (virtual allocation table, sparing table) that the reader uses.
// Every field is read through the checked readers of le_fields.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "diag/fs/le_fields.h"

namespace kel::diag::udf {

inline constexpr std::int32_t kBlockSize = 2048;
inline constexpr std::size_t kBlockSizeBytes = 2048;

using diag::Le16;
using diag::Le32;
using diag::Le8;
using diag::LeField;

// Block numbers are held signed, as the track list holds them.
inline std::int32_t Block32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(Le32(bytes, offset));
}

// The bytes from `offset` on, empty when the offset lies outside.
inline std::span<const std::uint8_t> Tail(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return offset < bytes.size() ? bytes.subspan(offset) : std::span<const std::uint8_t>();
}

// Descriptor tag identifiers (ECMA-167 3/7.2.1 and 4/7.2.1).
namespace tag {
inline constexpr std::uint16_t kSparingTable = 0;  // UDF 2.2.12
inline constexpr std::uint16_t kAnchor = 2;
inline constexpr std::uint16_t kPartition = 5;
inline constexpr std::uint16_t kLogicalVolume = 6;
inline constexpr std::uint16_t kTerminating = 8;
inline constexpr std::uint16_t kFileSet = 256;
inline constexpr std::uint16_t kFileIdentifier = 257;
inline constexpr std::uint16_t kAllocationExtent = 258;
inline constexpr std::uint16_t kFileEntry = 261;
inline constexpr std::uint16_t kExtendedAttributeHeader = 262;
// A file set descriptor with this identifier turns on the compressed-extent
// handling of one packet-writing program's discs.
inline constexpr std::uint16_t kCompressedFileSet = 392;
}  // namespace tag

// Descriptor tag (ECMA-167 3/7.2).
namespace tag_field {
inline constexpr std::size_t kIdentifier = 0;
inline constexpr std::size_t kVersion = 2;
inline constexpr std::size_t kChecksum = 4;
inline constexpr std::size_t kReserved = 5;
inline constexpr std::size_t kCrcLength = 10;
inline constexpr std::size_t kLocation = 12;
inline constexpr std::size_t kSize = 16;
}  // namespace tag_field

// Anchor volume descriptor pointer (3/10.2): main and reserve sequence
// extents, each a length in bytes and a location.
namespace anchor_field {
inline constexpr std::size_t kMainLength = 16;
inline constexpr std::size_t kMainLocation = 20;
inline constexpr std::size_t kReserveLength = 24;
inline constexpr std::size_t kReserveLocation = 28;
}  // namespace anchor_field

// Partition descriptor (3/10.5).
namespace partition_field {
inline constexpr std::size_t kAccessType = 184;
inline constexpr std::size_t kStart = 188;
inline constexpr std::size_t kLength = 192;
inline constexpr std::uint32_t kReadOnly = 1;
inline constexpr std::uint32_t kRewritable = 3;
inline constexpr std::uint32_t kOverwritable = 4;
}  // namespace partition_field

// Logical volume descriptor (3/10.6).
namespace volume_field {
inline constexpr std::size_t kIdentifier = 84;
inline constexpr std::size_t kIdentifierLength = 128;
inline constexpr std::size_t kFileSetLocation = 252;  // in the contents-use long_ad
inline constexpr std::size_t kImplementationId = 273;
inline constexpr std::size_t kImplementationIdLength = 23;
inline constexpr std::size_t kFirstPartitionMap = 440;
}  // namespace volume_field

// Type-2 partition map of a sparable partition (UDF 2.2.9), from the map's
// first byte.
namespace sparable_map {
inline constexpr std::size_t kSize = 64;
inline constexpr std::size_t kTableCount = 42;
inline constexpr std::size_t kFirstLocation = 48;
inline constexpr std::size_t kMaxLocations = (kSize - kFirstLocation) / 4;
}  // namespace sparable_map

// Sparing table (UDF 2.2.12).
namespace sparing_field {
inline constexpr std::size_t kIdentifier = 17;
inline constexpr std::size_t kEntryCount = 48;
inline constexpr std::size_t kFirstEntry = 56;
inline constexpr std::size_t kEntrySize = 8;
}  // namespace sparing_field

// File set descriptor (4/14.1).
namespace file_set_field {
inline constexpr std::size_t kRecordingTime = 16;
inline constexpr std::size_t kRootLength = 400;
inline constexpr std::size_t kRootBlock = 404;
inline constexpr std::size_t kRootPartition = 408;
}  // namespace file_set_field

// File identifier descriptor (4/14.4).
namespace identifier_field {
inline constexpr std::size_t kCharacteristics = 18;
inline constexpr std::size_t kIdentifierLength = 19;
inline constexpr std::size_t kIcbLength = 20;
inline constexpr std::size_t kIcbBlock = 24;
inline constexpr std::size_t kIcbPartition = 28;
inline constexpr std::size_t kImplementationUseLength = 36;
inline constexpr std::size_t kImplementationUse = 38;
inline constexpr std::uint8_t kDeleted = 0x04;
inline constexpr std::uint8_t kParent = 0x08;
}  // namespace identifier_field

// File entry (4/14.9).
namespace entry_field {
inline constexpr std::size_t kFileType = 27;
inline constexpr std::size_t kIcbFlags = 34;
inline constexpr std::size_t kInformationLength = 56;
inline constexpr std::size_t kBlocksRecorded = 64;
inline constexpr std::size_t kAccessTime = 72;
inline constexpr std::size_t kModificationTime = 84;
inline constexpr std::size_t kExtendedAttributeLength = 168;
inline constexpr std::size_t kAllocationLength = 172;
inline constexpr std::size_t kAllocationArea = 176;
// Extended attribute header (4/14.10.1) when it opens the attribute area:
// the application attributes location.
inline constexpr std::size_t kApplicationAttributes = 196;
inline constexpr std::uint8_t kDirectoryType = 4;
inline constexpr std::uint8_t kVatType = 248;
inline constexpr std::uint32_t kMaxExtendedAttributeLength = 512;
}  // namespace entry_field

// Allocation extent descriptor (4/14.5): its descriptors follow at byte 24.
namespace extent_field {
inline constexpr std::size_t kAllocationLength = 20;
inline constexpr std::size_t kDescriptors = 24;
}  // namespace extent_field

// ICB flags bits 0-2 (4/14.6.8): how the data is described.
enum class AllocationType : std::uint8_t { Short = 0, Long = 1, Extended = 2, Embedded = 3 };

// Extent types in the top two bits of a descriptor's length (4/14.14.1.1).
inline constexpr std::uint32_t kExtentLengthMask = 0x3FFFFFFF;
inline constexpr std::uint32_t kUnplacedType = 2;  // neither recorded nor allocated
inline constexpr std::uint32_t kNextExtentType = 3;

}  // namespace kel::diag::udf
