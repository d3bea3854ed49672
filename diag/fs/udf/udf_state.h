// What one track's UDF reading shares between its steps: the partition, the
// map table, the error and mode switches, and the device reads they all use.
// One reading runs at a time (on the disc scan's thread), as the reader was
// designed; the state is cleared at the start of each.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "diag/device/cd_device.h"
#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"
#include "diag/fs/udf/udf_layout.h"

namespace kel::diag::udf {

// The virtual allocation table or the sparing table, whichever was loaded.
struct MapTable {
    enum class Kind { None, Vat, Sparing };
    Kind kind = Kind::None;
    std::vector<std::uint8_t> bytes;
    // VAT only: where its 32-bit entries start and how many there are.
    std::size_t vatFirstEntry = 0;
    std::int32_t vatEntryCount = 0;
};

struct ReaderState {
    TrackInfo* track = nullptr;
    std::int32_t partitionStart = 0;
    std::int32_t partitionLength = 0;
    // Block numbers without a partition reference get the start added only
    // once it is known.
    bool partitionKnown = false;
    std::int32_t volumeEnd = 0;
    // No file entry or directory data lies at or past the disc's end.
    std::int32_t discEnd = 0;
    bool type2Map = false;
    bool directoriesEnabled = false;
    bool structureErrors = false;
    bool checksumError = false;
    bool ignoreChecksums = false;
    std::int32_t filesRead = 0;
    bool scanMode = false;
    std::int32_t rememberedVatBlock = 0;
    std::int32_t depth = 0;
    // Folders at kMaxDirectoryDepth, listed but not read, and the first one.
    std::int32_t foldersLeftUnread = 0;
    std::string firstFolderLeftUnread;
    // File entry blocks of the directories read since the root.
    std::set<std::int32_t> directoriesRead;
    MapTable map;
};

ReaderState& State();
// Before the tree is read (again): no folder has been left unread yet.
void ClearFoldersLeftUnread();
// Clears everything but the map table, which FreeUdfTable releases.
void ResetState(TrackInfo& track);

// The current device, or null.
CdDevice* Device();
// One or more blocks from the current device; false for a negative block,
// without a device, or on a read error.
bool ReadBlocks(std::int32_t block, std::span<std::uint8_t> buffer, std::uint32_t count = 1);
// One block that may hold a file entry; an extended one is turned into the
// plain form (extended_file_entry.h).
bool ReadEntryBlock(std::int32_t block, std::span<std::uint8_t> buffer);
// The stop conditions of every reading loop: the device's cancelled flag and
// a close request of the main window.
bool Cancelled();
// Sets the device's quiet flag for a scope and puts the old value back.
class QuietReads {
public:
    QuietReads();
    ~QuietReads();
    QuietReads(const QuietReads&) = delete;
    QuietReads& operator=(const QuietReads&) = delete;

private:
    std::uint8_t saved_ = 0;
};

bool DebugOn();
void Dump(std::span<const std::uint8_t> bytes, std::string_view title);

// The track after `track` in the list, null for none and for the lead-out.
TrackInfo* NextTrack(const TrackInfo& track);
TrackInfo& FirstTrack(TrackInfo& track);
inline bool IsPacket(const TrackInfo& track) {
    return (track.flags & track_flags::kPacket) != 0;
}
inline bool IsIncremental(const TrackInfo& track) {
    return (track.control & control_bits::kPreEmphasisOrIncremental) != 0;
}

// A descriptor's tag identifier and whether the tag is valid.
std::uint16_t TagId(std::span<const std::uint8_t> descriptor);
bool IsValidTag(std::span<const std::uint8_t> descriptor, std::uint16_t id);

// Steps of the volume reading, each in its own file.
bool FindVat(std::span<std::uint8_t, 2048> buffer, TrackInfo& track, std::int32_t partitionStart,
             bool forwards);
bool IsVatFileEntry(std::span<const std::uint8_t> entry, std::int32_t partitionStart);
bool ReadSparingTable(std::span<std::uint8_t, 2048> buffer, std::span<const std::uint8_t> map);
bool IsIsoBridge(const TrackInfo& track, std::span<std::uint8_t, 2048> buffer);
std::int32_t FindFileSetDescriptor(std::int32_t from, std::int32_t to,
                                   std::span<std::uint8_t, 2048> buffer);

// A working buffer from the tracked allocator; empty after message 111.
class TrackedBuffer {
public:
    TrackedBuffer(std::size_t size, const char* module, int line);
    ~TrackedBuffer();
    TrackedBuffer(const TrackedBuffer&) = delete;
    TrackedBuffer& operator=(const TrackedBuffer&) = delete;
    std::span<std::uint8_t> bytes() const { return {data_, size_}; }
    bool empty() const { return data_ == nullptr; }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// Frees the nodes below `first` without touching the map table, which the
// reading still needs.
void FreeTreeKeepingTable(FileNode* first);

}  // namespace kel::diag::udf
