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
    return (kPartitionStart + allocationStart) * kBlock +
           std::size_t{kCatalogStart} * allocationBlockSize + std::size_t{node} * kNodeSize;
}

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
    PutBig16(out, mdb + 150, kCatalogStart);
    PutBig16(
        out, mdb + 152,
        static_cast<std::uint16_t>((catalogBytes + allocationBlockSize - 1) / allocationBlockSize));

    const std::size_t header = nodeOffset(0);
    PutBig32(out, header, 0);
    out[header + 8] = 1;
    out[header + 9] = 0;
    PutBig16(out, header + 10, 3);
    PutBig16(out, header + 14, 1);
    PutBig32(out, header + 16, 1);
    PutBig32(out, header + 20, static_cast<std::uint32_t>(records.size()));
    PutBig32(out, header + 24, 1);
    PutBig32(out, header + 28, leaves);
    PutBig16(out, header + 32, kNodeSize);
    PutBig16(out, header + 34, 37);
    PutBig32(out, header + 36, leaves + 1);
    PutBig32(out, header + 40, 0);
    PutBig16(out, header + kNodeSize - 2, 14);

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
