#include "diag/fs/hfs/hfs_catalog.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "diag/device/device_access.h"
#include "diag/fs/hfs/hfs_damage.h"
#include "diag/fs/hfs/hfs_tree.h"
#include "diag/fs/hfs/mac_roman.h"
#include "diag/tools/debug_log.h"

namespace kel::diag::hfs {

namespace {

constexpr std::uint32_t kMaxDiscBlocksPerRead = 16;
constexpr std::uint8_t kHeaderRecords = 3;

bool debugOn() {
    return logSwitches().debugMode;
}

// Whole multiples of 512 bytes, and small enough for the node cache.
bool UsableAllocationBlockSize(std::uint32_t size) {
    return size != 0 && size % kBlockBytes == 0 && size <= kMaxAllocationBlockSize;
}

// Reads `count` 512-byte blocks from `first` (relative to base) into `out`:
// whole disc blocks at once where the blocks line up with them.
bool ReadHfsBlocks(const HfsAccess& access, std::uint64_t first, std::uint32_t count,
                   std::span<std::uint8_t> out) {
    std::uint32_t done = 0;
    while (done < count) {
        const std::uint64_t absolute = access.base + first + done;
        const std::uint32_t left = count - done;
        auto target = out.subspan(static_cast<std::size_t>(done) * kBlockBytes);
        if (absolute % kBlocksPerDiscBlock == 0 && left >= kBlocksPerDiscBlock) {
            CdDevice* device = CurrentDevice();
            const std::uint64_t discBlock = absolute / kBlocksPerDiscBlock;
            const std::uint32_t discBlocks =
                std::min(left / kBlocksPerDiscBlock, kMaxDiscBlocksPerRead);
            if (device == nullptr || discBlock + discBlocks > 0x7FFFFFFF ||
                !device->ReadSectors(static_cast<std::uint32_t>(discBlock),
                                     target.first(discBlocks * kBlockBytes * kBlocksPerDiscBlock),
                                     discBlocks)) {
                if (debugOn()) {
                    DebugLog("Error reading HFS block %d", static_cast<std::int64_t>(first + done));
                }
                return false;
            }
            done += discBlocks * kBlocksPerDiscBlock;
            continue;
        }
        if (!ReadHfsBlock(access, first + done, target.first<kBlockBytes>())) {
            if (debugOn()) {
                DebugLog("Error reading HFS block %d", static_cast<std::int64_t>(first + done));
            }
            return false;
        }
        ++done;
    }
    return true;
}

// Splits the record at `offset` of a leaf node into key and data; nothing
// when the key points outside the record's room (up to the offset table) or
// the fixed part of a directory or file record does not fit.
std::optional<CatalogRecord> RecordAt(const HfsNode& node, std::size_t offset,
                                      std::size_t tableStart) {
    if (offset >= tableStart) {
        return std::nullopt;
    }
    const auto whole = node.bytes.subspan(offset, tableStart - offset);
    const BigEndianBytes record(whole);
    const std::size_t keyLength = record.u8(0);
    // A deleted record keeps a zero key length.
    if (keyLength < catalog_key::kName || !record.holds(0, keyLength + 1)) {
        return std::nullopt;
    }
    const std::size_t nameLength = record.u8(catalog_key::kName);
    if (nameLength > catalog_key::kNameRoom || catalog_key::kName + nameLength > keyLength) {
        return std::nullopt;
    }
    const std::size_t dataAt = (keyLength + 2) & ~std::size_t{1};
    const std::uint8_t type = record.u8(dataAt);
    std::size_t fixed = 1;
    if (type == catalog_record::kDirectory) {
        fixed = directory_record::kBytes;
    } else if (type == catalog_record::kFile) {
        fixed = file_record::kBytes;
    }
    // Only thread records go without a name; an empty one would read as ".".
    if (!record.holds(dataAt, fixed) || (fixed > 1 && nameLength == 0)) {
        return std::nullopt;
    }
    const auto kept = whole.first(dataAt + fixed);
    return CatalogRecord{
        record.u32(catalog_key::kParent),
        MacRomanToText(record.pascalText(catalog_key::kName, catalog_key::kNameRoom)),
        std::vector<std::uint8_t>(kept.begin(), kept.end()), dataAt};
}

// One walk along the leaf chain, collecting its records; a missing node
// (outside the catalog, unreadable or not a leaf) or a link back ends it
// with what was collected, and with a message.
void WalkLeaves(HfsAccess& access, const TrackInfo& track, HfsTreeBuilder& builder) {
    // A damaged header may claim more nodes than the catalog file holds;
    // what lies past its end is not catalog.
    const std::uint32_t nodes =
        std::min(access.header.totalNodes, access.master.catalogBytes / access.nodeSize);
    if (access.header.firstLeaf == 0 || access.header.firstLeaf >= nodes) {
        ReportCatalogDamage(CatalogDamage::HeaderUnusable, track, 0);
        return;
    }
    // A damaged chain may loop back: each node is taken once.
    std::unordered_set<std::uint32_t> visited;
    for (std::uint32_t n = access.header.firstLeaf; n != 0;) {
        if (!visited.insert(n).second) {
            ReportCatalogDamage(CatalogDamage::LeafChainLoops, track, n);
            return;
        }
        const std::optional<HfsNode> node = n < nodes ? GetHfsNode(access, n) : std::nullopt;
        // Only leaves hold catalog records: an index, header or map node's
        // bytes read as records would give entries the volume never had.
        if (!node || node->descriptor.kind != node::kLeafKind) {
            ReportCatalogDamage(CatalogDamage::NodeMissing, track, n);
            return;
        }
        if (debugOn()) {
            DumpBlock(node->bytes, static_cast<int>(node->bytes.size()), "Catalog node");
        }
        bool countDamaged = false;
        const std::vector<std::size_t> offsets = RecordOffsets(*node, countDamaged);
        if (countDamaged) {
            ReportCatalogDamage(CatalogDamage::RecordCount, track, n);
        }
        const std::size_t tableStart = node->bytes.size() - 2 * offsets.size();
        // Records lie one after another in the order of the table; an offset
        // that goes back would read a record, or part of one, a second time.
        std::size_t unused = node::kDescriptorBytes;
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            std::optional<CatalogRecord> record =
                offsets[i] >= unused ? RecordAt(*node, offsets[i], tableStart) : std::nullopt;
            if (!record) {
                if (debugOn()) {
                    DebugLog("HFS: catalog record %d of node %d is damaged", i, n);
                }
                continue;
            }
            unused = offsets[i] + record->whole.size();
            builder.Collect(std::move(*record));
        }
        n = node->descriptor.forwardLink;
    }
}

}  // namespace

bool UsableNodeSize(std::uint32_t nodeSize, std::uint32_t allocationBlockSize) {
    return nodeSize >= kBlockBytes && nodeSize % kBlockBytes == 0 &&
           nodeSize <= allocationBlockSize && allocationBlockSize % nodeSize == 0;
}

std::vector<std::size_t> RecordOffsets(const HfsNode& node, bool& countDamaged) {
    const std::size_t size = node.bytes.size();
    const std::size_t room = (size - node::kDescriptorBytes) / 2;
    countDamaged = node.descriptor.records > room;
    const std::size_t count = countDamaged ? room : node.descriptor.records;
    const BigEndianBytes table(node.bytes);
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = size - 2 * (i + 1);
        const std::size_t offset = table.u16(at);
        // Without a count, the table ends where its offsets stop rising
        // through the node's records: the free space holds no table.
        if (countDamaged && (offset < node::kDescriptorBytes || offset >= at ||
                             (!offsets.empty() && offset <= offsets.back()))) {
            break;
        }
        offsets.push_back(offset);
    }
    return offsets;
}

std::optional<HfsNode> GetHfsNode(HfsAccess& access, std::uint32_t n) {
    if (!UsableAllocationBlockSize(access.allocationBlockSize) ||
        !UsableNodeSize(access.nodeSize, access.allocationBlockSize)) {
        return std::nullopt;
    }
    const std::uint32_t nodesPerBlock = access.allocationBlockSize / access.nodeSize;
    const std::uint32_t index = n / nodesPerBlock;
    const std::uint32_t first = index * nodesPerBlock;
    if (access.cacheFirstNode != first) {
        access.cacheFirstNode.reset();
        access.cache.resize(access.allocationBlockSize);
        const std::uint32_t blocksPerAllocation = access.allocationBlockSize / kBlockBytes;
        const std::optional<std::uint32_t> block = FileAllocationBlock(access.extents, index);
        if (!block) {
            if (debugOn()) {
                DebugLog("HFS: node %d lies beyond the extents of its file", n);
            }
            return std::nullopt;
        }
        const std::uint64_t start =
            access.allocationStart + std::uint64_t{*block} * blocksPerAllocation;
        if (!ReadHfsBlocks(access, start, blocksPerAllocation, access.cache)) {
            if (debugOn()) {
                DebugLog("Error reading HFS node %d", n);
            }
            return std::nullopt;
        }
        access.cacheFirstNode = first;
    }
    const auto bytes =
        std::span<const std::uint8_t>(access.cache)
            .subspan(static_cast<std::size_t>(n - first) * access.nodeSize, access.nodeSize);
    const BigEndianBytes in(bytes);
    return HfsNode{bytes,
                   {in.u32(node::kForwardLink), in.u32(node::kBackwardLink), in.u8(node::kKind),
                    in.u8(node::kHeight), in.u16(node::kRecords)}};
}

bool CatalogHeaderFound(HfsAccess& access) {
    access.nodeSize = kBlockBytes;
    access.cacheFirstNode.reset();
    const std::optional<HfsNode> node0 = GetHfsNode(access, 0);
    return node0 && node0->descriptor.kind == node::kHeaderKind && node0->descriptor.height == 0 &&
           node0->descriptor.records == kHeaderRecords;
}

void ReadHfsCatalog(HfsAccess& access, TrackInfo& track) {
    std::optional<HfsNode> node0 = GetHfsNode(access, 0);
    if (!node0) {
        ReportCatalogDamage(CatalogDamage::HeaderUnusable, track, 0);
        return;
    }
    if (debugOn()) {
        DumpBlock(node0->bytes, static_cast<int>(node0->bytes.size()), "1st Catalog block");
    }
    access.header = ParseCatalogHeader(BigEndianBytes(node0->bytes));
    if (!UsableNodeSize(access.header.nodeSize, access.allocationBlockSize)) {
        if (debugOn()) {
            DebugLog("HFS: catalog node size %d is not usable", access.header.nodeSize);
        }
        ReportCatalogDamage(CatalogDamage::HeaderUnusable, track, 0);
        return;
    }
    if (access.header.nodeSize != access.nodeSize) {
        access.nodeSize = access.header.nodeSize;
        access.cacheFirstNode.reset();
    }
    HfsTreeBuilder builder(track, access.master.volumeName);
    WalkLeaves(access, track, builder);
    builder.Build();
}

}  // namespace kel::diag::hfs
