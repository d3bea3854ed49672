#include "diag/tools/duplicates/tree_extents.h"

#include <vector>

#include "diag/device/device_access.h"
#include "diag/fs/udf/extended_file_entry.h"
#include "diag/ui/progress_dialog.h"

namespace kel::diag {
namespace {

bool Cancelled() {
    const CdDevice* device = CurrentDevice();
    return device != nullptr && device->cancelled != 0;
}

bool ReadFileEntry(const FileNode& entry, std::span<std::uint8_t, 2048> buffer) {
    CdDevice* device = CurrentDevice();
    if (device == nullptr || !device->ReadSectors(entry.reserved1, buffer, 1)) {
        return false;
    }
    udf::ToPlainFileEntry(buffer);
    return true;
}

enum class Outcome { Done, Descend, Refused };

// The records of one entry, and whether its children are to be visited.
// A UDF node keeps its file entry's block in reserved1.
Outcome EntryExtents(FileNode& entry, std::span<std::uint8_t, 2048> buffer,
                     std::int32_t partitionStart, const ExtentSink& sink) {
    const bool directory = IsDirectory(entry);
    const std::uint32_t fileEntry = entry.reserved1;
    // Data embedded in a directory's file entry occupies that one block.
    if (directory && fileEntry == static_cast<std::uint32_t>(entry.startBlock)) {
        return PutExtent(sink, entry, entry.startBlock, 1) ? Outcome::Descend : Outcome::Refused;
    }
    const bool pieces = (entry.flags & node_flags::kExtentList) != 0;
    if ((!directory && !pieces) || fileEntry == 0) {
        return PutExtent(sink, entry, entry.startBlock, BlocksFor(entry.size)) ? Outcome::Done
                                                                               : Outcome::Refused;
    }
    // An unreadable file entry only costs this entry its extents.
    if (!ReadFileEntry(entry, buffer)) {
        return Outcome::Done;
    }
    if (!CollectFileEntryExtents(entry, buffer, partitionStart, sink)) {
        return Outcome::Refused;
    }
    return directory ? Outcome::Descend : Outcome::Done;
}

}  // namespace

bool CollectExtents(FileNode& directory, std::span<std::uint8_t, 2048> buffer,
                    std::int32_t partitionStart, const ExtentSink& sink) {
    // Depth first without recursion: the next sibling waits below the
    // children of the entry at hand.
    std::vector<FileNode*> pending{directory.firstChild};
    while (!pending.empty()) {
        FileNode* entry = pending.back();
        pending.pop_back();
        if (entry == nullptr) {
            continue;
        }
        if (Cancelled()) {
            return true;
        }
        AdvanceProgress();
        pending.push_back(entry->next);
        // Self and parent entries describe their directories, not data.
        if (entry->size == 0 || entry->startBlock == -1 || IsDotEntry(*entry)) {
            continue;
        }
        switch (EntryExtents(*entry, buffer, partitionStart, sink)) {
            case Outcome::Refused:
                return false;
            case Outcome::Descend:
                pending.push_back(entry->firstChild);
                break;
            case Outcome::Done:
                break;
        }
    }
    return true;
}

}  // namespace kel::diag
