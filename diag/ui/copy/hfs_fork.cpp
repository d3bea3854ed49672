#include "diag/ui/copy/hfs_fork.h"

#include <algorithm>
#include <unordered_set>

#include "diag/fs/hfs/hfs_catalog.h"
#include "diag/fs/hfs/mac_roman.h"

namespace kel::diag {
namespace {

using hfs::BigEndianBytes;

// The file record at `offset` of a leaf, when it is the one sought.
std::optional<std::array<HfsExtent, 3>> MatchingRecord(const BigEndianBytes& leaf,
                                                       std::size_t offset, std::uint32_t parentId,
                                                       const std::string& name) {
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
    std::array<HfsExtent, 3> extents;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        const std::size_t at = data + hfs::file_record::kDataExtents + 4 * i;
        extents[i] = {leaf.u16(at), leaf.u16(at + 2)};
    }
    return extents;
}

}  // namespace

std::optional<std::array<HfsExtent, 3>> FindHfsDataExtents(hfs::HfsAccess& access,
                                                           std::uint32_t parentId,
                                                           const std::string& name) {
    const std::optional<hfs::HfsNode> header = hfs::GetHfsNode(access, 0);
    if (!header) {
        return std::nullopt;
    }
    access.header = hfs::ParseCatalogHeader(BigEndianBytes(header->bytes));
    const std::uint32_t nodeSize = access.header.nodeSize;
    // Nodes tile the allocation block, as the reader demands of them.
    if (nodeSize < hfs::kBlockBytes || nodeSize % hfs::kBlockBytes != 0 ||
        nodeSize > access.allocationBlockSize || access.allocationBlockSize % nodeSize != 0) {
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
        for (std::size_t i = 0; i < leaf->descriptor.records; ++i) {
            const std::size_t slot = 2 * (i + 1);
            if (slot > leaf->bytes.size()) {
                break;
            }
            if (auto found =
                    MatchingRecord(bytes, bytes.u16(leaf->bytes.size() - slot), parentId, name)) {
                return found;
            }
        }
        n = leaf->descriptor.forwardLink;
    }
    return std::nullopt;
}

}  // namespace kel::diag
