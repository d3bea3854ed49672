// The directory readers of ISO 9660, Joliet and High Sierra volumes: one walk
// over a directory's blocks and records, and what differs between the three.
//
// Damage policy: a block that cannot be read is skipped and counted; a block
// whose first record is implausible, or a record that cannot hold its own
// fields, ends the walk there, and what was read so far stays in the tree.
#include <algorithm>

#include "diag/fs/iso/iso_scan.h"
#include "diag/fs/iso/ucs_text.h"
#include "diag/fs/readers.h"
#include "diag/state/program_flags.h"
#include "diag/tools/tracked_alloc.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

using iso::Bytes;
using iso::DirectoryRecord;

struct DirectoryKind {
    std::size_t flagsOffset;
    bool extentLists;
    bool rockRidgeNames;
    bool jolietNames;
    // High Sierra directories carry no reliable . record to check, so every
    // block's first record is held to the volume's bounds.
    bool checkEveryFirstRecord;
    bool addShift;
    std::string_view readErrorLine;
    std::string_view dumpTitle;
};

constexpr DirectoryKind kIsoKind{iso::record::kIsoFlags,
                                 true,
                                 true,
                                 false,
                                 false,
                                 true,
                                 "Error reading sector %d, skipping directory block.",
                                 "ISO Directory"};
constexpr DirectoryKind kJolietKind{iso::record::kIsoFlags,
                                    true,
                                    false,
                                    true,
                                    false,
                                    true,
                                    "Error reading sector %d, skipping directory block.",
                                    "Joliet Directory"};
constexpr DirectoryKind kHsgKind{iso::record::kHsgFlags,
                                 false,
                                 false,
                                 false,
                                 true,
                                 false,
                                 "Error reading sector %d, directory block skipped.",
                                 "HSG Directory"};

// A joliet name of 127 characters fits in 255 bytes of most code pages.
constexpr std::size_t kMaxJolietName = 255;
// Extent lists grow by this many extents at a time.
constexpr std::uint32_t kExtentStep = 10;

class DirectoryWalk {
public:
    DirectoryWalk(IsoScan& scan, const DirectoryKind& kind, FileNode& directory)
        : scan_(scan), kind_(kind), directory_(directory) {}

    FileNode* read(std::int64_t firstBlock, std::uint32_t size);

private:
    bool stopRequested() const { return CloseRequested() || scan_.device.cancelled != 0; }
    bool firstRecordPlausible(Bytes block) const;
    // False when memory ran out: the directory ends there.
    bool walkBlock(Bytes block, std::int64_t blockNumber);
    bool takeRecord(const DirectoryRecord& record);
    bool appendExtent(const DirectoryRecord& record);
    std::string entryName(const DirectoryRecord& record);
    void readSubdirectory(FileNode& node, std::int64_t block, std::uint32_t size);

    IsoScan& scan_;
    const DirectoryKind& kind_;
    FileNode& directory_;
    FileNode* first_ = nullptr;
    FileNode* last_ = nullptr;
    // The last record was flagged multi-extent: the next one continues it.
    bool continuation_ = false;
};

FileNode* readDirectory(IsoScan& scan, const DirectoryKind& kind, FileNode& directory,
                        std::int64_t firstBlock, std::uint32_t size) {
    return DirectoryWalk(scan, kind, directory).read(firstBlock, size);
}

FileNode* DirectoryWalk::read(std::int64_t firstBlock, std::uint32_t size) {
    IsoScanState& state = scan_.state;
    if (firstBlock > state.VolumeEndLimit) {
        return nullptr;
    }
    const std::int64_t blocks = (std::int64_t{size} + iso::kBlockSize - 1) / iso::kBlockSize;
    IsoLog("Processing directory at sector %d for %d sectors.", firstBlock, blocks);
    if (blocks == 0 || !state.directoriesRead.insert(firstBlock).second) {
        return nullptr;
    }
    TrackedBuffer buffer(iso::kBlockSize, __FILE__, __LINE__);
    if (!buffer) {
        return nullptr;
    }
    const std::span<std::uint8_t> data = buffer.span();
    for (std::int64_t i = 0; i < blocks && !stopRequested(); ++i) {
        const std::int64_t block = firstBlock + i;
        // A directory claiming more than the volume holds ends with it.
        if (block > state.VolumeEndLimit) {
            break;
        }
        if (!ReadBlock(scan_.device, block, data)) {
            IsoLog(kind_.readErrorLine, block);
            ++state.DirectoryReadErrors;
            continue;
        }
        if (Options().logWriteThrough) {
            DumpSector(data, static_cast<int>(block), kind_.dumpTitle);
        }
        if (data[0] == 0 || !firstRecordPlausible(data) || !walkBlock(data, block)) {
            break;
        }
    }
    return first_;
}

bool DirectoryWalk::firstRecordPlausible(Bytes block) const {
    if (!kind_.checkEveryFirstRecord && !iso::HasDotIdentifier(block)) {
        return true;
    }
    const std::uint32_t extent = iso::Le32(block, iso::record::kExtent);
    const std::uint32_t length = iso::Le32(block, iso::record::kDataLength);
    return std::int64_t{extent} <= scan_.state.VolumeEndLimit && length <= iso::kMaxDirectorySize;
}

bool DirectoryWalk::walkBlock(Bytes block, std::int64_t blockNumber) {
    std::size_t pos = 0;
    while (pos < iso::kBlockSize) {
        const std::size_t length = block[pos];
        if (length == 0 || pos + length > iso::kBlockSize || stopRequested()) {
            break;
        }
        const auto record =
            iso::ParseDirectoryRecord(block.subspan(pos, length), kind_.flagsOffset);
        if (!record) {
            IsoLog("Damaged directory record in sector %d at offset %d, rest of block skipped.",
                   blockNumber, pos);
            break;
        }
        if (!takeRecord(*record)) {
            return false;
        }
        pos += length;
    }
    return true;
}

bool DirectoryWalk::takeRecord(const DirectoryRecord& record) {
    const bool multiExtent = kind_.extentLists && (record.flags & iso::record::kMultiExtentFlag);
    if (continuation_) {
        continuation_ = multiExtent;
        return appendExtent(record);
    }
    const std::string name = entryName(record);
    FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
    if (node == nullptr) {
        return false;
    }
    AdvanceProgress();
    if (last_ != nullptr) {
        last_->next = node;
        node->previous = last_;
    } else {
        first_ = node;
    }
    last_ = node;
    node->parent = &directory_;
    node->track = directory_.track;

    const std::int32_t limit = scan_.state.VolumeEndLimit;
    const std::int64_t start = AdjustedBlock(scan_, record.extent, kind_.addShift);
    node->startBlock = static_cast<std::int32_t>(start);
    node->size = record.dataLength;
    const Bytes date = iso::Field(record.bytes, iso::record::kDate, iso::record::kDateLength);
    std::copy(date.begin(), date.end(), node->recordingDate.begin());
    if (!IsDotEntry(*node)) {
        ++directory_.count;
    }
    if (start > limit) {
        IsoLog("File missing from disc: %s %d end:%d", node->name, start, limit);
        if (!Options().showAll) {
            node->startBlock = -1;
        }
    }
    if (multiExtent) {
        auto* extents = static_cast<FileExtent*>(
            TrackedAlloc(sizeof(FileExtent) * kExtentStep, __FILE__, __LINE__));
        if (extents == nullptr) {
            return false;
        }
        node->flags |= node_flags::kExtentList;
        node->extents = extents;
        node->extents[0] = {node->startBlock, record.dataLength};
        node->count = 1;
        continuation_ = true;
    }
    if (record.flags & iso::record::kDirectoryFlag) {
        node->flags |= node_flags::kDirectory;
        readSubdirectory(*node, start, record.dataLength);
    }
    return true;
}

// Subdirectories are read where their node says they are, with the shift
// and the offset applied, as the root is.
void DirectoryWalk::readSubdirectory(FileNode& node, std::int64_t block, std::uint32_t size) {
    IsoScanState& state = scan_.state;
    if (node.startBlock == -1 || IsDotEntry(node)) {
        return;
    }
    if (state.depth + 1 >= kMaxDirectoryDepth) {
        IsoLog("Directory %s at sector %d lies too deep, not read.", node.name, block);
        if (state.foldersLeftUnread++ == 0) {
            state.firstFolderLeftUnread = node.name;
        }
        return;
    }
    ++state.depth;
    node.firstChild = readDirectory(scan_, kind_, node, block, size);
    if (node.firstChild != nullptr) {
        directory_.count += node.count;
    }
    --state.depth;
}

bool DirectoryWalk::appendExtent(const DirectoryRecord& record) {
    FileNode& node = *last_;
    if (node.count % kExtentStep == 0) {
        const std::size_t grown = std::size_t{node.count} + kExtentStep;
        auto* extents = static_cast<FileExtent*>(TrackedAlloc(
            static_cast<std::int32_t>(sizeof(FileExtent) * grown), __FILE__, __LINE__));
        if (extents == nullptr) {
            return false;
        }
        std::copy_n(node.extents, node.count, extents);
        TrackedFree(node.extents, __FILE__, __LINE__);
        node.extents = extents;
    }
    const std::int64_t start = AdjustedBlock(scan_, record.extent, kind_.addShift);
    node.extents[node.count] = {static_cast<std::int32_t>(start), record.dataLength};
    node.size += record.dataLength;
    ++node.count;
    return true;
}

std::string DirectoryWalk::entryName(const DirectoryRecord& record) {
    const Bytes identifier = record.identifier;
    if (kind_.jolietNames && identifier.size() > 1) {
        std::string name;
        if (!UcsToText(identifier, kMaxJolietName, name)) {
            scan_.state.jolietNameError = true;
        }
        return name;
    }
    if (kind_.rockRidgeNames) {
        if (std::optional<std::string> alternate = RockRidgeName(scan_, record.systemUse)) {
            scan_.track.flags |= track_flags::kRockRidge;
            return std::move(*alternate);
        }
    }
    return {identifier.begin(), identifier.end()};
}

}  // namespace

FileNode* ReadIsoDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                           std::uint32_t size) {
    return readDirectory(scan, kIsoKind, directory, firstBlock, size);
}

FileNode* ReadJolietDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                              std::uint32_t size) {
    return readDirectory(scan, kJolietKind, directory, firstBlock, size);
}

FileNode* ReadHsgDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                           std::uint32_t size) {
    return readDirectory(scan, kHsgKind, directory, firstBlock, size);
}

}  // namespace kel::diag
