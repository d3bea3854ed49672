// The on-disc structures of an Apple HFS volume as this reader meets them
// (Inside Macintosh: Files, "Data Organization on Volumes", and Inside
// Macintosh: Devices, "The Partition Map"). Every field is big-endian and
// 512-byte blocks are the unit unless a name says otherwise.
//
// Fields are read through BigEndianBytes, which never reads outside its
// span: a caller checks `holds` for a structure's fixed part first, so an
// out-of-range read cannot happen even where that check is forgotten (it
// gives 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kel::diag::hfs {

inline constexpr std::size_t kBlockBytes = 512;
inline constexpr std::uint32_t kBlocksPerDiscBlock = 4;

class BigEndianBytes {
public:
    explicit BigEndianBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool holds(std::size_t at, std::size_t count) const {
        return at <= bytes_.size() && count <= bytes_.size() - at;
    }
    std::uint8_t u8(std::size_t at) const { return holds(at, 1) ? bytes_[at] : 0; }
    std::uint16_t u16(std::size_t at) const {
        return holds(at, 2) ? static_cast<std::uint16_t>(bytes_[at] << 8 | bytes_[at + 1]) : 0;
    }
    std::uint32_t u32(std::size_t at) const {
        return holds(at, 4) ? static_cast<std::uint32_t>(u16(at)) << 16 | u16(at + 2) : 0;
    }
    // Up to `room` bytes from `at`, ended early by a NUL.
    std::string text(std::size_t at, std::size_t room) const;
    // A Pascal string: a length byte, then at most `room` characters.
    std::string pascalText(std::size_t at, std::size_t room) const;
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
};

// Driver descriptor record, block 0 of the disc.
namespace driver_descriptor {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::uint16_t kSignatureValue = 0x4552;  // "ER"
}  // namespace driver_descriptor

// Partition map entry, one per block from block 1.
namespace partition_entry {
inline constexpr std::size_t kSignature = 0;
inline constexpr std::uint16_t kSignatureValue = 0x504D;  // "PM"
inline constexpr std::size_t kMapEntries = 4;
inline constexpr std::size_t kPhysicalStart = 8;
inline constexpr std::size_t kName = 16;
inline constexpr std::size_t kType = 48;
inline constexpr std::size_t kTextRoom = 32;
inline constexpr std::size_t kDataStart = 80;
inline constexpr std::string_view kHfsType = "Apple_HFS";
}  // namespace partition_entry

// Master directory block, block 2 of the volume.
inline constexpr std::uint32_t kMasterDirectoryBlock = 2;
namespace mdb {
inline constexpr std::size_t kCreated = 2;
inline constexpr std::size_t kModified = 6;
inline constexpr std::size_t kBitmapStart = 14;
inline constexpr std::size_t kAllocationBlocks = 18;
inline constexpr std::size_t kAllocationBlockSize = 20;
inline constexpr std::size_t kAllocationStart = 28;
inline constexpr std::size_t kFreeBlocks = 34;
inline constexpr std::size_t kVolumeName = 36;
inline constexpr std::size_t kVolumeNameRoom = 27;
inline constexpr std::size_t kFiles = 84;
inline constexpr std::size_t kDirectories = 88;
inline constexpr std::size_t kExtentsFileBytes = 130;
inline constexpr std::size_t kExtentsFileExtents = 134;
inline constexpr std::size_t kCatalogFileBytes = 146;
inline constexpr std::size_t kCatalogExtents = 150;
}  // namespace mdb

// An extent record: three extents of (first allocation block, count).
inline constexpr std::size_t kExtentsPerRecord = 3;
inline constexpr std::size_t kExtentBytes = 4;
struct HfsExtent {
    std::uint16_t start = 0;
    std::uint16_t count = 0;
};
using ExtentRecord = std::array<HfsExtent, kExtentsPerRecord>;

// The master directory block fields this reader uses, in host order.
struct MasterDirectoryBlock {
    std::uint32_t created = 0;
    std::uint32_t modified = 0;
    std::uint16_t bitmapStart = 0;
    std::uint16_t allocationBlocks = 0;
    std::uint32_t allocationBlockSize = 0;
    std::uint16_t allocationStart = 0;
    std::uint16_t freeBlocks = 0;
    std::string volumeName;
    std::uint32_t files = 0;
    std::uint32_t directories = 0;
    std::uint32_t extentsFileBytes = 0;  // the extents overflow file's length
    ExtentRecord extentsFileExtents{};   // all of it: that file has no overflow
    std::uint32_t catalogBytes = 0;      // the catalog file's length
    ExtentRecord catalogExtents{};       // its first three extents
};
MasterDirectoryBlock ParseMasterDirectoryBlock(std::span<const std::uint8_t, kBlockBytes> block);

// B-tree node descriptor, the first 14 bytes of every node.
namespace node {
inline constexpr std::size_t kForwardLink = 0;
inline constexpr std::size_t kBackwardLink = 4;
inline constexpr std::size_t kKind = 8;
inline constexpr std::size_t kHeight = 9;
inline constexpr std::size_t kRecords = 10;
inline constexpr std::size_t kDescriptorBytes = 14;
inline constexpr std::uint8_t kHeaderKind = 1;
inline constexpr std::uint8_t kLeafKind = 0xFF;
}  // namespace node

struct NodeDescriptor {
    std::uint32_t forwardLink = 0;
    std::uint32_t backwardLink = 0;
    std::uint8_t kind = 0;
    std::uint8_t height = 0;
    std::uint16_t records = 0;
};

// Header record of the catalog tree, right after node 0's descriptor.
struct CatalogHeader {
    std::uint16_t depth = 0;
    std::uint32_t root = 0;
    std::uint32_t leafRecords = 0;
    std::uint32_t firstLeaf = 0;
    std::uint32_t lastLeaf = 0;
    std::uint16_t nodeSize = 0;
    std::uint16_t maxKeyLength = 0;
    std::uint32_t totalNodes = 0;
    std::uint32_t freeNodes = 0;
};
CatalogHeader ParseCatalogHeader(BigEndianBytes node0);

ExtentRecord ParseExtentRecord(BigEndianBytes in, std::size_t at);

// Extents overflow key: length byte, fork type, file id, first allocation
// block of the file that the record's extents hold.
namespace extents_key {
inline constexpr std::size_t kForkType = 1;
inline constexpr std::size_t kFileId = 2;
inline constexpr std::size_t kStartBlock = 6;
inline constexpr std::size_t kBytes = 8;  // key length byte included
inline constexpr std::uint8_t kDataFork = 0;
inline constexpr std::uint32_t kCatalogFileId = 4;
}  // namespace extents_key

// Catalog key: length byte, reserved byte, parent id, Pascal name.
namespace catalog_key {
inline constexpr std::size_t kParent = 2;
inline constexpr std::size_t kName = 6;
inline constexpr std::size_t kNameRoom = 31;
}  // namespace catalog_key

namespace catalog_record {
inline constexpr std::uint8_t kDirectory = 1;
inline constexpr std::uint8_t kFile = 2;
}  // namespace catalog_record

// Directory record.
namespace directory_record {
inline constexpr std::size_t kValence = 4;
inline constexpr std::size_t kId = 6;
inline constexpr std::size_t kModified = 14;
inline constexpr std::size_t kBytes = 70;
}  // namespace directory_record

// File record.
namespace file_record {
inline constexpr std::size_t kId = 20;
inline constexpr std::size_t kDataLength = 26;
inline constexpr std::size_t kResourceLength = 36;
inline constexpr std::size_t kModified = 48;
inline constexpr std::size_t kDataExtents = 74;  // 3 x (start, count)
inline constexpr std::size_t kSecondDataExtent = 78;
inline constexpr std::size_t kSecondDataExtentBlocks = 80;
inline constexpr std::size_t kResourceExtents = 86;
inline constexpr std::size_t kBytes = 102;
}  // namespace file_record

}  // namespace kel::diag::hfs
