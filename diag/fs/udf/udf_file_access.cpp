// Reading a file's data through its allocation descriptors, including the
// compressed extents of one packet-writing program. No command uses it yet;
// the reader keeps one access record, for the node prepared last.
#include "diag/fs/udf/udf_file_access.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "diag/fs/udf/udf_entry.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace udf {
namespace {

constexpr int kMaxContinuations = 256;
constexpr std::uint32_t kCompressedMinimum = 4096;

struct AccessRecord {
    const FileNode* node = nullptr;
    AllocationType type = AllocationType::Short;
    std::vector<std::uint8_t> descriptors;
    std::size_t next = 0;
    // -1 until the first descriptor is taken.
    std::int32_t state = -1;
    std::uint32_t extentType = 0;
    std::int32_t block = 0;
    std::uint32_t remaining = 0;
    std::vector<std::uint8_t> expanded;
    std::size_t expandedAt = 0;
    int continuations = 0;
};

std::optional<AccessRecord>& Record() {
    static std::optional<AccessRecord> record;
    return record;
}

std::int32_t ExtentBlock(const FileNode& node, const AllocationDescriptor& descriptor,
                         AllocationType type) {
    const TrackInfo* track = node.track;
    const std::int32_t start = track != nullptr ? track->partitionStart : 0;
    // Later tracks of some discs record their files with absolute blocks.
    if (type == AllocationType::Long && descriptor.partition == 0 && track != nullptr &&
        track->track > 2) {
        return descriptor.position;
    }
    return start + descriptor.position;
}

bool IsCompressed(const FileNode& node, const AllocationDescriptor& descriptor,
                  AllocationType type) {
    return node.track != nullptr &&
           (node.track->flags & udf_track_flags::kCompressedFileSet) != 0 &&
           type == AllocationType::Long && descriptor.useFlags != 0 && descriptor.type == 0 &&
           descriptor.compressedLength > 0 && descriptor.compressedLength < descriptor.length;
}

// Expands a compressed extent into the record; false when it could not be
// read or expanded, with `plain` set when the extent is not compressed after
// all and is to be read as it stands.
bool Expand(AccessRecord& record, const FileNode& node, const AllocationDescriptor& descriptor,
            bool& plain) {
    const std::size_t compressed = descriptor.compressedLength;
    const std::uint32_t blocks =
        static_cast<std::uint32_t>((compressed + kBlockSizeBytes - 1) / kBlockSizeBytes);
    const std::size_t size = std::max<std::size_t>(
        {std::size_t{descriptor.length} + compressed,
         std::size_t{blocks} * kBlockSizeBytes + descriptor.length, kCompressedMinimum});
    TrackedBuffer buffer(size, __FILE__, __LINE__);
    if (buffer.empty() ||
        !ReadBlocks(ExtentBlock(node, descriptor, record.type), buffer.bytes(), blocks)) {
        return false;
    }
    const std::span<std::uint8_t> bytes = buffer.bytes();
    if (Le32(bytes, 0) != 0x14850) {
        plain = true;
        return false;
    }
    const std::span<std::uint8_t> output = bytes.subspan(compressed, descriptor.length);
    if (!ExpandCeQuadratBlock({bytes.first(compressed), output})) {
        return false;
    }
    record.expanded.assign(output.begin(), output.end());
    record.expandedAt = 0;
    return true;
}

}  // namespace

void FreeAccessRecord() {
    Record().reset();
}

}  // namespace udf

using namespace udf;

bool InitUDFAccess(FileNode& node, std::span<std::uint8_t, 2048> buffer) {
    FreeAccessRecord();
    const auto block = static_cast<std::int32_t>(node.reserved1);
    if (!ReadEntryBlock(block, buffer) || TagId(buffer) != tag::kFileEntry) {
        if (DebugOn()) {
            DebugLog("Invalid file entry for InitUDFAccess: %d %s", block, node.name);
            Dump(buffer, "Invalid File Entry");
        }
        return false;
    }
    AccessRecord record;
    record.node = &node;
    record.type = EntryAllocationType(buffer);
    const std::span<const std::uint8_t> area = AllocationArea(buffer);
    record.descriptors.assign(area.begin(), area.end());
    Record() = std::move(record);
    return true;
}

int ReadUdfFileBlock(FileNode& node, std::span<std::uint8_t, 2048> out) {
    std::optional<AccessRecord>& held = Record();
    if (!held || held->node != &node) {
        return -1;
    }
    AccessRecord& record = *held;
    if (record.type == AllocationType::Embedded) {
        if (record.state != -1) {
            return -1;
        }
        record.state = 0;
        std::fill(out.begin(), out.end(), 0);
        std::copy_n(record.descriptors.begin(), std::min(record.descriptors.size(), out.size()),
                    out.begin());
        return 1;
    }
    if (record.type == AllocationType::Extended) {
        return -1;
    }
    for (;;) {
        if (record.expandedAt < record.expanded.size()) {
            const std::size_t count =
                std::min(out.size(), record.expanded.size() - record.expandedAt);
            std::fill(out.begin(), out.end(), 0);
            std::copy_n(record.expanded.begin() + static_cast<std::ptrdiff_t>(record.expandedAt),
                        count, out.begin());
            record.expandedAt += count;
            return 1;
        }
        if (record.remaining > 0) {
            const std::uint32_t step = std::min<std::uint32_t>(record.remaining, kBlockSizeBytes);
            if (record.extentType == 0) {
                if (!ReadBlocks(record.block, out)) {
                    return 0;
                }
                ++record.block;
            } else {
                std::fill(out.begin(), out.end(), 0);
            }
            record.remaining -= step;
            return 1;
        }
        AllocationDescriptor descriptor;
        if (!DescriptorAt(record.descriptors, record.next, record.type, descriptor) ||
            descriptor.empty()) {
            return -1;
        }
        record.next += DescriptorSize(record.type);
        record.state = 0;
        if (descriptor.type == kNextExtentType) {
            if (descriptor.length > kBlockSizeBytes) {
                ShowMessage(232, NodePathText(node), 14, 5);
                return 0;
            }
            const std::int32_t block = ExtentBlock(node, descriptor, record.type);
            std::array<std::uint8_t, 2048> continuation{};
            if (!ReadBlocks(block, continuation)) {
                return 0;
            }
            if (++record.continuations > kMaxContinuations ||
                TagId(continuation) != tag::kAllocationExtent) {
                if (DebugOn()) {
                    DebugLog("Early termination of file %s - extent at block %d",
                             NodePathText(node), block);
                }
                return -1;
            }
            const std::span<const std::uint8_t> descriptors =
                Tail(continuation, extent_field::kDescriptors);
            const std::size_t length = std::min<std::size_t>(
                Le32(continuation, extent_field::kAllocationLength), descriptors.size());
            record.descriptors.assign(descriptors.begin(),
                                      descriptors.begin() + static_cast<std::ptrdiff_t>(length));
            record.next = 0;
            continue;
        }
        if (IsCompressed(node, descriptor, record.type)) {
            bool plain = false;
            if (Expand(record, node, descriptor, plain)) {
                continue;
            }
            if (!plain) {
                return 0;
            }
        }
        record.extentType = descriptor.type;
        record.block = ExtentBlock(node, descriptor, record.type);
        record.remaining = descriptor.length;
    }
}

}  // namespace kel::diag
