#include <array>

#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_entry.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/format_text.h"
#include "diag/ui/node_path.h"

namespace kel::diag {
namespace {

using namespace udf;

// Continuation blocks of allocation descriptors a file may chain; a longer
// chain is taken for a loop.
constexpr int kMaxContinuations = 256;

// Names of entries found without an identifier count on for the whole disc.
std::string UnnamedEntryName(TrackInfo* track) {
    static const TrackInfo* disc = nullptr;
    static int counter = 0;
    const TrackInfo* first = track != nullptr ? &FirstTrack(*track) : nullptr;
    if (first != disc) {
        disc = first;
        counter = 0;
    }
    const FormatArg args[] = {FormatArg(counter++)};
    return FormatText("Unnamed_%04d", args, 32);
}

// Marks an extent's blocks within the bitmap; `budget` is what the file may
// still mark, so that extents repeated or overlapping without end cannot
// keep the reading busy: no file is larger than the bitmap.
void MarkExtent(std::int32_t first, std::uint32_t length, std::int32_t& budget) {
    const std::int64_t blocks = (std::int64_t{length} + kBlockSizeBytes - 1) / kBlockSizeBytes;
    const std::int64_t end = std::min<std::int64_t>(first + blocks, State().discEnd);
    for (std::int64_t block = std::max(first, 0); block < end && budget > 0; ++block, --budget) {
        MarkBlockUsed(static_cast<std::int32_t>(block));
    }
}

// Marks every block of a file's extents; long descriptors may go on in
// continuation blocks.
void MarkFileExtents(FileNode& node, std::span<const std::uint8_t> area, AllocationType type) {
    std::array<std::uint8_t, 2048> continuation{};
    std::size_t offset = 0;
    int extents = 0;
    int continuations = 0;
    std::int32_t budget = State().discEnd;
    AllocationDescriptor descriptor;
    while (DescriptorAt(area, offset, type, descriptor) && !descriptor.empty()) {
        if (type == AllocationType::Long && descriptor.type == kNextExtentType) {
            const std::int32_t block = TranslateUdfBlock(descriptor.position, descriptor.partition);
            if (++continuations > kMaxContinuations || !ReadBlocks(block, continuation) ||
                !IsValidTag(continuation, tag::kAllocationExtent)) {
                node.flags |= udf_node_flags::kBrokenChain;
                break;
            }
            MarkBlockUsed(block);
            const std::span<const std::uint8_t> descriptors =
                Tail(continuation, extent_field::kDescriptors);
            area = descriptors.first(std::min<std::size_t>(
                Le32(continuation, extent_field::kAllocationLength), descriptors.size()));
            offset = 0;
            continue;
        }
        ++extents;
        MarkExtent(TranslateUdfBlock(descriptor.position,
                                     type == AllocationType::Short ? 0 : descriptor.partition),
                   descriptor.length, budget);
        offset += DescriptorSize(type);
    }
    if (extents > 1) {
        node.flags |= udf_node_flags::kNotOneExtent;
    }
}

// The first descriptor that describes blocks: a leading extent that is
// neither recorded nor allocated has no place on the disc.
AllocationDescriptor FirstPlacedDescriptor(std::span<const std::uint8_t> area,
                                           AllocationType type) {
    AllocationDescriptor first;
    DescriptorAt(area, 0, type, first);
    AllocationDescriptor descriptor;
    for (std::size_t offset = 0;
         DescriptorAt(area, offset, type, descriptor) && !descriptor.empty();
         offset += DescriptorSize(type)) {
        if (descriptor.type != kUnplacedType) {
            return descriptor.type == kNextExtentType ? first : descriptor;
        }
    }
    return first;
}

std::int32_t DataStart(FileNode& node, std::span<const std::uint8_t> area, AllocationType type,
                       std::int32_t entryBlock) {
    AllocationDescriptor descriptor;
    switch (type) {
        case AllocationType::Short:
            descriptor = FirstPlacedDescriptor(area, type);
            return TranslateUdfBlock(descriptor.position, 0);
        case AllocationType::Long:
            descriptor = FirstPlacedDescriptor(area, type);
            return MarkBlockUsed(TranslateUdfBlock(descriptor.position, descriptor.partition));
        case AllocationType::Extended:
            // Extent length, recorded length, information length, location.
            if ((Le32(area, 0) & kExtentLengthMask) != node.size) {
                node.flags |= udf_node_flags::kNotOneExtent;
            }
            return TranslateUdfBlock(Block32(area, 12), 0);
        case AllocationType::Embedded:
            node.flags |= udf_node_flags::kNotOneExtent;
            return entryBlock;
    }
    return 0;
}

}  // namespace

FileNode* ReadUdfFileEntry(FileNode& directory, FileNode* previous,
                           std::span<const std::uint8_t> source) {
    ReaderState& state = State();
    const bool fromIdentifier = TagId(source) == tag::kFileIdentifier;
    std::array<std::uint8_t, 2048> entry{};
    std::string name;
    std::int32_t entryBlock = 0;
    bool bad = false;
    if (fromIdentifier) {
        const std::size_t nameAt = identifier_field::kImplementationUse +
                                   Le16(source, identifier_field::kImplementationUseLength);
        name =
            UdfStringToText(Le8(source, identifier_field::kIdentifierLength), Tail(source, nameAt));
        if (name.empty()) {
            name = "**NoName**";
        }
        const std::int32_t logical = Block32(source, identifier_field::kIcbBlock);
        const std::uint16_t reference = Le16(source, identifier_field::kIcbPartition);
        entryBlock = TranslateUdfBlock(logical, reference);
        if (DebugOn()) {
            DebugLog("Reading file entry at block %d(%d:%d) for %s", entryBlock, logical, reference,
                     name);
        }
        bad = (logical == 0 && Le32(source, identifier_field::kIcbLength) == 0) ||
              entryBlock >= state.discEnd || !ReadEntryBlock(entryBlock, entry) ||
              TagId(entry) != tag::kFileEntry ||
              (!CheckUdfTag(entry, nullptr) && Options().cSwitch == 0);
        if (bad) {
            state.structureErrors = true;
            if (!state.scanMode) {
                Dump(entry, "Invalid UDF File Entry");
            }
        }
    } else {
        if (state.scanMode && Le8(source, entry_field::kFileType) == entry_field::kVatType) {
            return nullptr;
        }
        std::copy_n(source.begin(), std::min(source.size(), entry.size()), entry.begin());
        name = UnnamedEntryName(directory.track);
        entryBlock = Block32(source, tag_field::kLocation);
    }
    if (!bad && Le32(entry, entry_field::kExtendedAttributeLength) >
                    entry_field::kMaxExtendedAttributeLength) {
        bad = true;
        state.structureErrors = true;
        Dump(entry, "Invalid ExtAttrLength in FE");
    }

    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return nullptr;
    }
    node->previous = previous;
    if (previous != nullptr) {
        previous->next = node;
    }
    node->parent = &directory;
    node->track = directory.track;
    if (!fromIdentifier) {
        node->flags |= udf_node_flags::kFoundByScan;
    }
    ++directory.count;
    if (bad) {
        node->startBlock = -1;
        node->flags |= udf_node_flags::kBadEntry;
        return node;
    }

    ++state.filesRead;
    node->reserved1 = static_cast<std::uint32_t>(entryBlock);
    node->size = Le32(entry, entry_field::kInformationLength) |
                 std::uint64_t{Le32(entry, entry_field::kInformationLength + 4)} << 32;
    const AllocationType type = EntryAllocationType(entry);
    const std::span<const std::uint8_t> area = AllocationArea(entry);
    std::int32_t start = DataStart(*node, area, type, entryBlock);
    const bool isDirectory = Le8(entry, entry_field::kFileType) == entry_field::kDirectoryType;
    if (!isDirectory && (type == AllocationType::Short || type == AllocationType::Long)) {
        MarkFileExtents(*node, area, type);
    }
    if ((start > state.volumeEnd && Options().acceptErrors == 0) || start == state.partitionStart) {
        start = -1;
        node->flags |= udf_node_flags::kBadEntry;
    }
    node->startBlock = start;
    node->recordingDate = UdfTimestampToDate(Tail(entry, entry_field::kModificationTime));
    const std::string path = NodePathText(directory);
    if (isDirectory) {
        node->flags |= node_flags::kDirectory;
        MarkBlockUsed(start);
        if (DebugOn()) {
            DebugLog("UDF Dir: %s\\%s at %d for %d (%x), FE at %d", path, name, start, node->size,
                     node->flags, entryBlock);
        }
        // A directory has one parent; an identifier that leads to one
        // already read would make a loop, or read a shared subtree again.
        const bool readBefore = !state.directoriesRead.insert(entryBlock).second;
        if (readBefore) {
            state.structureErrors = true;
        } else if (!Cancelled() && state.directoriesEnabled) {
            if (state.depth + 1 >= kMaxDirectoryDepth) {
                if (DebugOn()) {
                    DebugLog("UDF Dir: %s\\%s lies too deep, not read", path, name);
                }
                if (state.foldersLeftUnread++ == 0) {
                    state.firstFolderLeftUnread = name;
                }
            } else {
                ++state.depth;
                node->firstChild = ReadUdfDirectory(*node, entry);
                --state.depth;
                directory.count += node->count;
            }
        }
    } else if (DebugOn()) {
        DebugLog("UDF File: %s\\%s at %d for %d (%x), FE at %d", path, name, start, node->size,
                 node->flags, entryBlock);
    }
    MarkBlockUsed(entryBlock);
    return node;
}

}  // namespace kel::diag
