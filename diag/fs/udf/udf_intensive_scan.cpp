#include <array>
#include <string>

#include "diag/fs/readers.h"
#include "diag/fs/udf/udf_layout.h"
#include "diag/fs/udf/udf_reader.h"
#include "diag/fs/udf/udf_state.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/tools/duplicates/duplicate_entries.h"
#include "diag/tools/duplicates/extent_overlaps.h"
#include "diag/ui/messages.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

using namespace udf;

constexpr std::size_t kRunLineLength = 80;
// A drive that reports "out of range" this often in a row has reached the
// end of what it can read.
constexpr int kOutOfRangeLimit = 33;
constexpr std::uint8_t kOutOfRange = 0x21;

void LogUnusedRuns(std::int32_t from, std::int32_t to) {
    DebugLog("Block scan from %d to %d:", from, to);
    std::string line;
    for (std::int32_t block = from; block < to; ++block) {
        if (IsBlockUsed(block)) {
            continue;
        }
        std::int32_t last = block;
        while (last + 1 < to && !IsBlockUsed(last + 1)) {
            ++last;
        }
        line += last > block ? std::to_string(block) + "-" + std::to_string(last) + " "
                             : std::to_string(block) + " ";
        if (line.size() >= kRunLineLength) {
            DebugLog("%s", line);
            line.clear();
        }
        block = last;
    }
    if (!line.empty()) {
        DebugLog("%s", line);
    }
}

std::int32_t ScanEnd(const TrackInfo& track, std::int32_t partitionStart) {
    std::int32_t end = track.nextWritable != 0 ? track.nextWritable : track.end;
    const TrackInfo* next = NextTrack(track);
    if (next != nullptr && (next->flags & track_flags::kContinuation) != 0 &&
        next->nextWritable != 0) {
        end = next->nextWritable;
    }
    return end < partitionStart ? track.end : end;
}

// The collection node's list, kept with its last node so that what the scan
// finds is appended in block order.
class Collection {
public:
    explicit Collection(FileNode& node) : node_(node) {}
    FileNode* last() const { return last_; }
    void append(FileNode* list) {
        if (list == nullptr) {
            return;
        }
        if (last_ == nullptr) {
            node_.firstChild = list;
        } else if (last_ != list) {
            last_->next = list;
            list->previous = last_;
        }
        last_ = list;
        while (last_->next != nullptr) {
            last_ = last_->next;
        }
    }

private:
    FileNode& node_;
    FileNode* last_ = nullptr;
};

bool IsVatCandidate(std::span<const std::uint8_t> entry, std::int32_t partitionStart) {
    return Le8(entry, entry_field::kFileType) == 0 &&
           Le16(entry, entry_field::kAccessTime + 2) == 0 &&
           Le8(entry, entry_field::kAccessTime + 4) == 0 && IsVatFileEntry(entry, partitionStart);
}

// The block scan reads the block where it found the entry; the tag is made
// to say so, as the entry may have been copied from elsewhere.
void Relocate(std::span<std::uint8_t, 2048> entry, std::int32_t block) {
    for (int i = 0; i < 4; ++i) {
        entry[tag_field::kLocation + i] = static_cast<std::uint8_t>(block >> (8 * i));
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < tag_field::kSize; ++i) {
        if (i != tag_field::kChecksum) {
            sum += entry[i];
        }
    }
    entry[tag_field::kChecksum] = static_cast<std::uint8_t>(sum);
}

}  // namespace

bool IntensiveUdfScan(FileNode& root, std::int32_t partitionStart,
                      std::span<std::uint8_t, 2048> buffer) {
    ReaderState& state = State();
    TrackInfo& track = root.track != nullptr ? *root.track : *state.track;
    if (CdDevice* device = Device()) {
        device->cancelled = 0;
    }
    state.scanMode = true;
    const std::int32_t end = ScanEnd(track, partitionStart);
    MarkBlockUsed(partitionStart);
    if (DebugOn()) {
        LogUnusedRuns(partitionStart, end);
    }
    FileNode* collected = NewFileNode(LoadResString(180), false, __FILE__, __LINE__);
    if (collected == nullptr) {
        state.scanMode = false;
        return true;
    }
    collected->flags = node_flags::kDirectory | udf_node_flags::kFoundByScan;
    collected->startBlock = partitionStart;
    collected->size = 32767;
    collected->parent = &root;
    collected->track = &track;
    StopScan() = false;
    state.filesRead = 0;

    Collection found(*collected);
    int blocksRead = 0;
    int errors = 0;
    int outOfRange = 0;
    {
        QuietReads quiet;
        std::int32_t shownHundred = -1;
        for (std::int32_t block = std::max(partitionStart, 0); block < end; ++block) {
            if (Cancelled()) {
                break;
            }
            if (IsBlockUsed(block)) {
                continue;
            }
            AdvanceProgress();
            if (block / 100 != shownHundred) {
                shownHundred = block / 100;
                StatusText(184, block, end, state.filesRead, errors);
            }
            ++blocksRead;
            if (!ReadEntryBlock(block, buffer)) {
                ++errors;
                const CdDevice* device = Device();
                if (device == nullptr) {
                    break;
                }
                // One maker's drives report the end of the recorded area so.
                if (device->senseAsc == 0xC6 && device->senseAscq == 0x01 &&
                    device->DeviceDescription().starts_with("HP")) {
                    break;
                }
                outOfRange = device->senseAsc == kOutOfRange ? outOfRange + 1 : 0;
                if (outOfRange >= kOutOfRangeLimit) {
                    break;
                }
                continue;
            }
            outOfRange = 0;
            const std::uint16_t id = TagId(buffer);
            if ((id == tag::kExtendedAttributeHeader || id == tag::kFileIdentifier) &&
                CheckUdfTag(buffer, nullptr)) {
                const bool parentFirst =
                    id == tag::kFileIdentifier &&
                    (buffer[identifier_field::kCharacteristics] & identifier_field::kParent) != 0;
                const std::int32_t parentEntry =
                    TranslateUdfBlock(Block32(buffer, identifier_field::kIcbBlock),
                                      Le16(buffer, identifier_field::kIcbPartition));
                found.append(ParseFileIdentifiers(buffer, *collected));
                std::array<std::uint8_t, 2048> entry{};
                if (parentFirst && ReadEntryBlock(parentEntry, entry) &&
                    IsValidTag(entry, tag::kFileEntry)) {
                    found.append(ReadUdfDirectory(*collected, entry));
                }
            } else if (id == tag::kFileEntry && CheckUdfTag(buffer, nullptr) &&
                       !IsVatCandidate(buffer, partitionStart)) {
                Relocate(buffer, block);
                found.append(ReadUdfFileEntry(*collected, found.last(), buffer));
            }
        }
    }
    if (DebugOn()) {
        DebugLog("Intensive scan completed, %d blocks read, %d files found, %d errors", blocksRead,
                 state.filesRead, errors);
    }
    if (collected->firstChild != nullptr) {
        FileNode* last = root.firstChild;
        while (last != nullptr && last->next != nullptr) {
            last = last->next;
        }
        if (last == nullptr) {
            root.firstChild = collected;
        } else {
            last->next = collected;
            collected->previous = last;
        }
    } else {
        FreeTreeKeepingTable(collected);
    }
    // What the scan found again through the directories goes, then the
    // extents of the whole tree, finds included, are checked for overlaps.
    RemoveDuplicateEntries(&track);
    CheckExtentOverlaps(track);
    state.scanMode = false;
    return true;
}

}  // namespace kel::diag
