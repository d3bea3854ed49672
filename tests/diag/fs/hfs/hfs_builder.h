// HFS discs built byte by byte for what the mastering tools never make on
// purpose: a catalog past a wrongly recorded allocation start, files in two
// extents, lost parents, damaged nodes, maps and extents. The layout: a
// driver descriptor, a two-entry partition map, and the volume from block
// 64 (512-byte units) with its catalog in allocation blocks from 10, or in
// the extents a test gives (the fourth on kept by an extents overflow file
// in allocation blocks 5 and 6).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kel::diag::testing {

struct HfsRecord {
    bool directory = false;
    std::uint32_t parentId = 0;
    std::string name;
    std::uint32_t id = 0;
    std::uint16_t valence = 0;       // directories
    std::uint16_t firstExtent = 0;   // files: data fork's first extent start
    std::uint16_t secondExtent = 0;  // files: start of a second data extent
    std::uint16_t secondExtentBlocks = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t modified = 0;
};

class HfsBuilder {
public:
    static constexpr std::uint32_t kPartitionStart = 64;
    static constexpr std::uint16_t kBitmapStart = 3;
    static constexpr std::uint16_t kCatalogStart = 10;
    static constexpr std::uint32_t kNodeSize = 512;

    std::uint32_t allocationBlockSize = 512;
    std::uint16_t allocationBlocks = 200;
    // Where allocation block 0 lies, and what the master block says.
    std::uint16_t allocationStart = 4;
    std::uint16_t recordedAllocationStart = 4;
    std::uint32_t created = 3029529600;  // 2000-01-01 00:00:00
    std::uint32_t modified = 3029533200;
    std::string volumeName = "Built Volume";
    std::string partitionName = "Disc";
    // Leaf records per node; the catalog keeps as many leaves as it needs.
    std::size_t recordsPerLeaf = 3;
    // The catalog's extents (first allocation block, count); none: one
    // extent from kCatalogStart, as long as the catalog.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> catalogExtents;
    static constexpr std::uint16_t kExtentsFileStart = 5;

    void directory(std::uint32_t parentId, std::string name, std::uint32_t id,
                   std::uint16_t valence = 0);
    void file(std::uint32_t parentId, std::string name, std::uint32_t id, std::uint16_t firstExtent,
              std::uint32_t length, std::uint16_t secondExtent = 0);

    // The disc as 2048-byte blocks.
    std::vector<std::uint8_t> build() const;

    // Byte offsets in the built image, for damage after the build.
    std::size_t nodeOffset(std::uint32_t node) const;
    // The extents overflow file's leaf (a header node comes before it).
    std::size_t overflowLeafOffset() const;
    static std::size_t mapEntryOffset(std::uint32_t entry) { return entry * 512; }
    static std::size_t masterBlockOffset() { return (kPartitionStart + 2) * 512; }
    std::size_t leafCount() const;

    std::vector<HfsRecord> records;
};

void PutBig16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value);
void PutBig32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value);

}  // namespace kel::diag::testing
