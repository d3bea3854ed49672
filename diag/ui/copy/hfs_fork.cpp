#include "diag/ui/copy/hfs_fork.h"

#include <algorithm>
#include <unordered_set>

#include "diag/fs/hfs/hfs_catalog.h"
#include "diag/fs/hfs/mac_roman.h"

namespace kel::diag {
namespace {

using hfs::BigEndianBytes;

// The file record at `offset` of a leaf, when it is the one sought.
std::optional<hfs::ExtentRecord> MatchingRecord(const BigEndianBytes& leaf, std::size_t offset,
                                                std::uint32_t parentId, const std::string& name) {
    const std::size_t keyLength = leaf.u8(offset);
    if (keyLength < hfs::catalog_key::kName ||
        leaf.u32(offset + hfs::catalog_key::kParent) != parentId) {
        return std::nullopt;
    }
    const std::size_t data = offset + ((keyLength + 2) & ~std::size_t{1});
    if (leaf.u8(data) != hfs::catalog_record::kFile ||
        !leaf.holds(data, hfs::file_record::kBytes) ||
        hfs::MacRomanToText(leaf.pascalText(offset + hfs::catalog_key::kName,
                                            hfs::catalog_key::kNameRoom)) != name) {
        return std::nullopt;
    }
    return hfs::ParseExtentRecord(leaf, data + hfs::file_record::kDataExtents);
}

}  // namespace

std::optional<hfs::ExtentRecord> FindHfsDataExtents(hfs::HfsAccess& access, std::uint32_t parentId,
                                                    const std::string& name) {
    const std::optional<hfs::HfsNode> header = hfs::GetHfsNode(access, 0);
    if (!header) {
        return std::nullopt;
    }
    access.header = hfs::ParseCatalogHeader(BigEndianBytes(header->bytes));
    const std::uint32_t nodeSize = access.header.nodeSize;
    if (!hfs::UsableNodeSize(nodeSize, access.allocationBlockSize)) {
        return std::nullopt;
    }
    access.nodeSize = nodeSize;
    access.cacheFirstNode.reset();
    const std::uint32_t nodes =
        std::min(access.header.totalNodes, access.master.catalogBytes / nodeSize);
    std::unordered_set<std::uint32_t> visited;
    for (std::uint32_t n = access.header.firstLeaf; n != 0 && n < nodes;) {
        const std::optional<hfs::HfsNode> leaf = hfs::GetHfsNode(access, n);
        if (!visited.insert(n).second || !leaf || leaf->descriptor.kind != hfs::node::kLeafKind) {
            return std::nullopt;
        }
        const BigEndianBytes bytes(leaf->bytes);
        bool countDamaged = false;
        for (const std::size_t offset : hfs::RecordOffsets(*leaf, countDamaged)) {
            if (auto found = MatchingRecord(bytes, offset, parentId, name)) {
                return found;
            }
        }
        n = leaf->descriptor.forwardLink;
    }
    return std::nullopt;
}

}  // namespace kel::diag
