#include "diag/fs/hfs/hfs_catalog_extents.h"

#include <map>
#include <unordered_set>

#include "diag/fs/hfs/hfs_catalog.h"
#include "diag/tools/debug_log.h"

namespace kel::diag::hfs {

namespace {

std::uint64_t Blocks(const std::vector<HfsExtent>& extents) {
    std::uint64_t blocks = 0;
    for (const HfsExtent& extent : extents) {
        blocks += extent.count;
    }
    return blocks;
}

// The catalog's extent records in one leaf of the overflow tree, by the
// catalog allocation block each begins at.
void CollectCatalogRecords(const HfsNode& leaf, std::map<std::uint32_t, ExtentRecord>& records) {
    bool countDamaged = false;
    const std::vector<std::size_t> offsets = RecordOffsets(leaf, countDamaged);
    const BigEndianBytes in(leaf.bytes);
    const std::size_t tableStart = leaf.bytes.size() - 2 * offsets.size();
    for (const std::size_t at : offsets) {
        const std::size_t keyLength = in.u8(at);
        const std::size_t dataAt = at + ((keyLength + 2) & ~std::size_t{1});
        if (keyLength + 1 < extents_key::kBytes ||
            dataAt + kExtentsPerRecord * kExtentBytes > tableStart) {
            continue;
        }
        if (in.u8(at + extents_key::kForkType) == extents_key::kDataFork &&
            in.u32(at + extents_key::kFileId) == extents_key::kCatalogFileId) {
            records.emplace(in.u16(at + extents_key::kStartBlock), ParseExtentRecord(in, dataAt));
        }
    }
}

}  // namespace

void AddOverflowCatalogExtents(HfsAccess& access) {
    const std::uint64_t needed =
        (std::uint64_t{access.master.catalogBytes} + access.allocationBlockSize - 1) /
        access.allocationBlockSize;
    if (Blocks(access.extents) >= needed) {
        return;
    }
    // The overflow file's own extents are all in the master block.
    HfsAccess tree;
    tree.base = access.base;
    tree.master = access.master;
    tree.allocationBlockSize = access.allocationBlockSize;
    tree.allocationStart = access.allocationStart;
    tree.extents = UsedExtents(access.master.extentsFileExtents);
    if (!CatalogHeaderFound(tree)) {
        if (logSwitches().debugMode) {
            DebugLog("HFS: no extents overflow file for the catalog's further extents");
        }
        return;
    }
    const std::optional<HfsNode> header = GetHfsNode(tree, 0);
    if (!header) {
        return;
    }
    tree.header = ParseCatalogHeader(BigEndianBytes(header->bytes));
    if (!UsableNodeSize(tree.header.nodeSize, tree.allocationBlockSize)) {
        return;
    }
    tree.nodeSize = tree.header.nodeSize;
    tree.cacheFirstNode.reset();
    const std::uint32_t nodes =
        std::min(tree.header.totalNodes, access.master.extentsFileBytes / tree.nodeSize);
    std::map<std::uint32_t, ExtentRecord> records;
    std::unordered_set<std::uint32_t> visited;
    for (std::uint32_t n = tree.header.firstLeaf;
         n != 0 && n < nodes && visited.insert(n).second;) {
        const std::optional<HfsNode> leaf = GetHfsNode(tree, n);
        if (!leaf || leaf->descriptor.kind != node::kLeafKind) {
            break;
        }
        CollectCatalogRecords(*leaf, records);
        n = leaf->descriptor.forwardLink;
    }
    // Each record goes on where the extents so far end; a gap leaves the
    // rest of the catalog unreachable.
    for (const auto& [start, record] : records) {
        if (start != Blocks(access.extents)) {
            break;
        }
        const std::vector<HfsExtent> more = UsedExtents(record);
        access.extents.insert(access.extents.end(), more.begin(), more.end());
    }
}

bool FindHfsCatalog(HfsAccess& access) {
    const std::uint32_t recordedStart = access.allocationStart;
    if (!CatalogHeaderFound(access)) {
        const std::uint64_t bitmapBytes = (std::uint64_t{access.master.allocationBlocks} + 7) / 8;
        const std::uint64_t size = access.allocationBlockSize;
        const std::uint64_t pastBitmap =
            size == 0
                ? 0
                : (bitmapBytes + size - 1) / size * size / kBlockBytes + access.master.bitmapStart;
        access.allocationStart = static_cast<std::uint32_t>(pastBitmap);
        if (!CatalogHeaderFound(access)) {
            if (logSwitches().debugMode) {
                DebugLog("No valid node 0 found at any location. drAlBlSt=%d, past bitmap=%d",
                         recordedStart, pastBitmap);
            }
            return false;
        }
    }
    if (logSwitches().debugMode) {
        DebugLog("HFS: PartBegin=%d, BlkSize=%d, AlBegin=%d, CatTreeBase=%d", access.base,
                 access.allocationBlockSize, access.allocationStart,
                 access.master.catalogExtents[0].start);
    }
    AddOverflowCatalogExtents(access);
    return true;
}

}  // namespace kel::diag::hfs
