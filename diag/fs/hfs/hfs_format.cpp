#include "diag/fs/hfs/hfs_format.h"

#include <algorithm>

#include "diag/fs/hfs/mac_roman.h"

namespace kel::diag::hfs {

std::string BigEndianBytes::text(std::size_t at, std::size_t room) const {
    std::string out;
    for (std::size_t i = 0; i < room && holds(at + i, 1) && bytes_[at + i] != 0; ++i) {
        out += static_cast<char>(bytes_[at + i]);
    }
    return out;
}

std::string BigEndianBytes::pascalText(std::size_t at, std::size_t room) const {
    if (!holds(at, 1)) {
        return {};
    }
    const std::size_t length = std::min<std::size_t>(bytes_[at], room);
    std::string out;
    for (std::size_t i = 0; i < length && holds(at + 1 + i, 1); ++i) {
        out += static_cast<char>(bytes_[at + 1 + i]);
    }
    return out;
}

MasterDirectoryBlock ParseMasterDirectoryBlock(std::span<const std::uint8_t, kBlockBytes> block) {
    const BigEndianBytes in(block);
    MasterDirectoryBlock m;
    m.created = in.u32(mdb::kCreated);
    m.modified = in.u32(mdb::kModified);
    m.bitmapStart = in.u16(mdb::kBitmapStart);
    m.allocationBlocks = in.u16(mdb::kAllocationBlocks);
    m.allocationBlockSize = in.u32(mdb::kAllocationBlockSize);
    m.allocationStart = in.u16(mdb::kAllocationStart);
    m.freeBlocks = in.u16(mdb::kFreeBlocks);
    m.volumeName = MacRomanToText(in.pascalText(mdb::kVolumeName, mdb::kVolumeNameRoom));
    m.files = in.u32(mdb::kFiles);
    m.directories = in.u32(mdb::kDirectories);
    m.extentsFileBytes = in.u32(mdb::kExtentsFileBytes);
    m.extentsFileExtents = ParseExtentRecord(in, mdb::kExtentsFileExtents);
    m.catalogBytes = in.u32(mdb::kCatalogFileBytes);
    m.catalogExtents = ParseExtentRecord(in, mdb::kCatalogExtents);
    return m;
}

ExtentRecord ParseExtentRecord(BigEndianBytes in, std::size_t at) {
    ExtentRecord record{};
    for (std::size_t i = 0; i < kExtentsPerRecord; ++i) {
        record[i] = {in.u16(at + i * kExtentBytes), in.u16(at + i * kExtentBytes + 2)};
    }
    return record;
}

CatalogHeader ParseCatalogHeader(BigEndianBytes node0) {
    constexpr std::size_t at = node::kDescriptorBytes;
    CatalogHeader h;
    h.depth = node0.u16(at + 0);
    h.root = node0.u32(at + 2);
    h.leafRecords = node0.u32(at + 6);
    h.firstLeaf = node0.u32(at + 10);
    h.lastLeaf = node0.u32(at + 14);
    h.nodeSize = node0.u16(at + 18);
    h.maxKeyLength = node0.u16(at + 20);
    h.totalNodes = node0.u32(at + 22);
    h.freeNodes = node0.u32(at + 26);
    return h;
}

}  // namespace kel::diag::hfs
