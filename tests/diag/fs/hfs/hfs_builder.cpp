#include "tests/diag/fs/hfs/hfs_builder.h"

#include <algorithm>

namespace kel::diag::testing {

namespace {

constexpr std::size_t kBlock = 512;

void PutText(std::vector<std::uint8_t>& out, std::size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Key and data record as they lie in a leaf node.
std::vector<std::uint8_t> RecordBytes(const HfsRecord& r) {
    const std::size_t keyLength = 6 + r.name.size();
    const std::size_t dataAt = (keyLength + 2) & ~std::size_t{1};
    std::vector<std::uint8_t> bytes(dataAt + (r.directory ? 70 : 102), 0);
    bytes[0] = static_cast<std::uint8_t>(keyLength);
    PutBig32(bytes, 2, r.parentId);
    bytes[6] = static_cast<std::uint8_t>(r.name.size());
    PutText(bytes, 7, r.name);
    bytes[dataAt] = r.directory ? 1 : 2;
    if (r.directory) {
        PutBig16(bytes, dataAt + 4, r.valence);
        PutBig32(bytes, dataAt + 6, r.id);
        PutBig32(bytes, dataAt + 14, r.modified);
    } else {
        PutBig32(bytes, dataAt + 20, r.id);
        PutBig32(bytes, dataAt + 26, r.dataLength);
        PutBig32(bytes, dataAt + 48, r.modified);
        PutBig16(bytes, dataAt + 74, r.firstExtent);
        PutBig16(bytes, dataAt + 76, r.dataLength == 0 ? 0 : 1);
        PutBig16(bytes, dataAt + 78, r.secondExtent);
        PutBig16(bytes, dataAt + 80, r.secondExtentBlocks);
    }
    return bytes;
}

}  // namespace

void PutBig16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

void PutBig32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    PutBig16(out, at, static_cast<std::uint16_t>(value >> 16));
    PutBig16(out, at + 2, static_cast<std::uint16_t>(value));
}

void HfsBuilder::directory(std::uint32_t parentId, std::string name, std::uint32_t id,
                           std::uint16_t valence) {
    HfsRecord r;
    r.directory = true;
    r.parentId = parentId;
    r.name = std::move(name);
    r.id = id;
    r.valence = valence;
    r.modified = modified;
    records.push_back(r);
}

void HfsBuilder::file(std::uint32_t parentId, std::string name, std::uint32_t id,
                      std::uint16_t firstExtent, std::uint32_t length, std::uint16_t secondExtent) {
    HfsRecord r;
    r.parentId = parentId;
    r.name = std::move(name);
    r.id = id;
    r.firstExtent = firstExtent;
    r.dataLength = length;
    r.secondExtent = secondExtent;
    r.secondExtentBlocks = secondExtent == 0 ? 0 : 1;
    r.modified = modified;
    records.push_back(r);
}

std::size_t HfsBuilder::leafCount() const {
    return std::max<std::size_t>(1, (records.size() + recordsPerLeaf - 1) / recordsPerLeaf);
}

std::size_t HfsBuilder::nodeOffset(std::uint32_t node) const {
    const std::size_t nodesPerBlock = allocationBlockSize / kNodeSize;
    std::size_t block = kCatalogStart + node / nodesPerBlock;
    std::size_t index = node / nodesPerBlock;
    for (const auto& [start, count] : catalogExtents) {
        if (index < count) {
            block = start + index;
            break;
        }
        index -= count;
    }
    return (kPartitionStart + allocationStart) * kBlock + block * allocationBlockSize +
           node % nodesPerBlock * kNodeSize;
}

std::size_t HfsBuilder::overflowLeafOffset() const {
    return (kPartitionStart + allocationStart) * kBlock +
           std::size_t{kExtentsFileStart} * allocationBlockSize + kNodeSize;
}

namespace {

// A B-tree header node: one leaf (node 1) of `records` records.
void PutHeaderNode(std::vector<std::uint8_t>& out, std::size_t header, std::uint32_t leaves,
                   std::uint32_t records, std::uint16_t keyLength) {
    out[header + 8] = 1;
    PutBig16(out, header + 10, 3);
    PutBig16(out, header + 14, 1);
    PutBig32(out, header + 16, 1);
    PutBig32(out, header + 20, records);
    PutBig32(out, header + 24, 1);
    PutBig32(out, header + 28, leaves);
    PutBig16(out, header + 32, 512);
    PutBig16(out, header + 34, keyLength);
    PutBig32(out, header + 36, leaves + 1);
    PutBig16(out, header + 512 - 2, 14);
}

// The extents overflow file: a header node and one leaf holding the
// catalog's extents from the fourth on, three to a record.
void PutOverflowFile(std::vector<std::uint8_t>& out, std::size_t at,
                     const std::vector<std::pair<std::uint16_t, std::uint16_t>>& extents) {
    std::uint32_t records = 0;
    const std::size_t leaf = at + 512;
    out[leaf + 8] = 0xFF;
    out[leaf + 9] = 1;
    std::size_t used = 14;
    std::uint16_t fileBlock = 0;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        if (i >= 3 && i % 3 == 0) {
            PutBig16(out, leaf + 512 - 2 * (records + 1), static_cast<std::uint16_t>(used));
            out[leaf + used] = 7;
            PutBig32(out, leaf + used + 2, 4);  // the catalog's data fork
            PutBig16(out, leaf + used + 6, fileBlock);
            for (std::size_t k = 0; k < 3 && i + k < extents.size(); ++k) {
                PutBig16(out, leaf + used + 8 + 4 * k, extents[i + k].first);
                PutBig16(out, leaf + used + 10 + 4 * k, extents[i + k].second);
            }
            used += 20;
            ++records;
        }
        fileBlock = static_cast<std::uint16_t>(fileBlock + extents[i].second);
    }
    PutBig16(out, leaf + 512 - 2 * (records + 1), static_cast<std::uint16_t>(used));
    PutBig16(out, leaf + 10, static_cast<std::uint16_t>(records));
    PutHeaderNode(out, at, 1, records, 7);
}

}  // namespace

std::vector<std::uint8_t> HfsBuilder::build() const {
    const std::size_t volumeBytes = (kPartitionStart + allocationStart) * kBlock +
                                    std::size_t{allocationBlocks} * allocationBlockSize;
    std::vector<std::uint8_t> out((volumeBytes + 2047) / 2048 * 2048, 0);

    PutBig16(out, 0, 0x4552);
    PutBig16(out, 2, 512);
    const auto entry = [&](std::uint32_t index, std::uint32_t start, std::uint32_t count,
                           const std::string& name, const std::string& type) {
        const std::size_t at = mapEntryOffset(index);
        PutBig16(out, at, 0x504D);
        PutBig32(out, at + 4, 2);
        PutBig32(out, at + 8, start);
        PutBig32(out, at + 12, count);
        PutText(out, at + 16, name);
        PutText(out, at + 48, type);
    };
    entry(1, 1, kPartitionStart - 1, "Apple", "Apple_partition_map");
    entry(2, kPartitionStart, static_cast<std::uint32_t>(volumeBytes / kBlock) - kPartitionStart,
          partitionName, "Apple_HFS");

    const std::size_t mdb = masterBlockOffset();
    PutBig16(out, mdb, 0x4244);
    PutBig32(out, mdb + 2, created);
    PutBig32(out, mdb + 6, modified);
    PutBig16(out, mdb + 14, kBitmapStart);
    PutBig16(out, mdb + 18, allocationBlocks);
    PutBig32(out, mdb + 20, allocationBlockSize);
    PutBig16(out, mdb + 28, recordedAllocationStart);
    PutBig16(out, mdb + 34, 17);
    out[mdb + 36] = static_cast<std::uint8_t>(volumeName.size());
    PutText(out, mdb + 37, volumeName);
    std::uint32_t files = 0;
    std::uint32_t directories = 0;
    for (const HfsRecord& r : records) {
        ++(r.directory ? directories : files);
    }
    PutBig32(out, mdb + 84, files);
    PutBig32(out, mdb + 88, directories);
    const std::uint32_t leaves = static_cast<std::uint32_t>(leafCount());
    const std::uint32_t catalogBytes = (leaves + 1) * kNodeSize;
    PutBig32(out, mdb + 146, catalogBytes);
    std::vector<std::pair<std::uint16_t, std::uint16_t>> extents = catalogExtents;
    if (extents.empty()) {
        extents.emplace_back(kCatalogStart,
                             static_cast<std::uint16_t>((catalogBytes + allocationBlockSize - 1) /
                                                        allocationBlockSize));
    }
    for (std::size_t i = 0; i < extents.size() && i < 3; ++i) {
        PutBig16(out, mdb + 150 + 4 * i, extents[i].first);
        PutBig16(out, mdb + 152 + 4 * i, extents[i].second);
    }
    if (extents.size() > 3) {
        PutBig32(out, mdb + 130, 2 * kNodeSize);
        PutBig16(out, mdb + 134, kExtentsFileStart);
        PutBig16(out, mdb + 136,
                 static_cast<std::uint16_t>((2 * kNodeSize + allocationBlockSize - 1) /
                                            allocationBlockSize));
        PutOverflowFile(out, overflowLeafOffset() - kNodeSize, extents);
    }

    PutHeaderNode(out, nodeOffset(0), leaves, static_cast<std::uint32_t>(records.size()), 37);

    for (std::uint32_t leaf = 0; leaf < leaves; ++leaf) {
        const std::size_t at = nodeOffset(leaf + 1);
        PutBig32(out, at, leaf + 1 < leaves ? leaf + 2 : 0);
        PutBig32(out, at + 4, leaf);
        out[at + 8] = 0xFF;
        out[at + 9] = 1;
        std::size_t used = 14;
        std::uint16_t count = 0;
        for (std::size_t i = leaf * recordsPerLeaf;
             i < records.size() && i < (leaf + 1) * recordsPerLeaf; ++i, ++count) {
            const std::vector<std::uint8_t> bytes = RecordBytes(records[i]);
            std::copy(bytes.begin(), bytes.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(at + used));
            PutBig16(out, at + kNodeSize - 2 * (count + 1), static_cast<std::uint16_t>(used));
            used += bytes.size();
        }
        PutBig16(out, at + kNodeSize - 2 * (count + 1), static_cast<std::uint16_t>(used));
        PutBig16(out, at + 10, count);
    }
    return out;
}

}  // namespace kel::diag::testing
