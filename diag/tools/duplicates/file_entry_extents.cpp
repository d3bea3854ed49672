#include "diag/tools/duplicates/file_entry_extents.h"

#include <algorithm>
#include <string>

#include "diag/device/device_access.h"
#include "diag/fs/disc_end.h"
#include "diag/fs/le_fields.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

// Where the descriptors lie in a file entry (ECMA-167 4/14.9) and in an
// allocation extent descriptor (4/14.5).
constexpr std::size_t kIcbFlags = 34;
constexpr std::size_t kExtendedAttributeLength = 168;
constexpr std::size_t kDescriptorsLength = 172;
constexpr std::size_t kDescriptors = 176;
constexpr std::size_t kContinuedDescriptors = 24;
constexpr std::uint16_t kAllocationExtentTag = 258;

constexpr std::uint32_t kLengthMask = 0x3FFFFFFF;
constexpr std::uint32_t kUnrecorded = 2;
constexpr std::uint32_t kContinuation = 3;
constexpr std::uint16_t kEmbedded = 3;

// A chain of continuation blocks that points back into itself would never
// end; no real file needs more blocks of descriptors than this.
constexpr int kMaxContinuations = 256;

// Size of one descriptor and where its position lies, by form: short,
// long, extended.
struct DescriptorForm {
    std::size_t size;
    std::size_t position;
};
constexpr DescriptorForm kForms[] = {{8, 4}, {16, 4}, {20, 12}};

// The descriptor bytes from `offset` with `length` bytes, cut to the block.
std::span<const std::uint8_t> Area(std::span<const std::uint8_t> block, std::uint64_t offset,
                                   std::uint64_t length) {
    if (offset >= block.size()) {
        return {};
    }
    return block.subspan(
        static_cast<std::size_t>(offset),
        static_cast<std::size_t>(std::min<std::uint64_t>(length, block.size() - offset)));
}

bool ReadBlock(std::int32_t block, std::span<std::uint8_t, 2048> buffer) {
    CdDevice* device = CurrentDevice();
    return device != nullptr && block >= 0 &&
           device->ReadSectors(static_cast<std::uint32_t>(block), buffer, 1);
}

}  // namespace

bool PutExtent(const ExtentSink& sink, FileNode& entry, std::int32_t start, std::int32_t blocks) {
    if (logSwitches().debugMode) {
        DebugLog("%s %s at %d for %d", IsDirectory(entry) ? "Dir" : "File", entry.name, start,
                 blocks);
    }
    return sink(ExtentEntry{start, blocks, &entry});
}

bool CollectFileEntryExtents(FileNode& entry, std::span<std::uint8_t, 2048> fileEntry,
                             std::int32_t partitionStart, const ExtentSink& sink) {
    const std::uint16_t form = Le16(fileEntry, kIcbFlags) & 3;
    if (form == kEmbedded) {
        return true;
    }
    const DescriptorForm shape = kForms[form];
    std::span<const std::uint8_t> area =
        Area(fileEntry, std::uint64_t{kDescriptors} + Le32(fileEntry, kExtendedAttributeLength),
             Le32(fileEntry, kDescriptorsLength));
    const std::int32_t discEnd = entry.track != nullptr ? DiscEnd(*entry.track) : kMaxDiscBlocks;
    int continuations = 0;
    std::size_t at = 0;
    while (at + shape.size <= area.size()) {
        const std::uint32_t lengthWord = Le32(area, at);
        const std::int64_t position =
            std::int64_t{partitionStart} + Le32(area, at + shape.position);
        if (position >= discEnd) {
            if (logSwitches().debugMode) {
                DebugLog("Invalid extent detected for %s, FE at %d", entry.name, entry.reserved1);
            }
            return true;
        }
        if (lengthWord == 0) {
            return true;
        }
        const std::uint32_t bytes = lengthWord & kLengthMask;
        const auto block = static_cast<std::int32_t>(position);
        if (lengthWord >> 30 != kContinuation) {
            // An extent neither recorded nor allocated holds no data and
            // occupies no blocks, whatever its position says.
            if (lengthWord >> 30 != kUnrecorded &&
                !PutExtent(sink, entry, block, BlocksFor(bytes))) {
                return false;
            }
            at += shape.size;
            continue;
        }
        if (bytes > fileEntry.size()) {
            ShowMessage(232, NodePathText(entry), 14, 5);
            return true;
        }
        if (++continuations > kMaxContinuations || !ReadBlock(block, fileEntry)) {
            return true;
        }
        if (Le16(fileEntry, 0) != kAllocationExtentTag) {
            entry.startBlock = -1;
            return true;
        }
        area = Area(fileEntry, kContinuedDescriptors,
                    bytes > kContinuedDescriptors ? bytes - kContinuedDescriptors : 0);
        at = 0;
    }
    return true;
}

}  // namespace kel::diag
