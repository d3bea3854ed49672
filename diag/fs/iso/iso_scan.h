// What the parts of the ISO 9660 reader share while one track is read: the
// drive, the track, the scan state, and the operations that the track
// dispatcher, the volume readers and the directory readers call.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "diag/device/cd_device.h"
#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"
#include "diag/fs/iso/iso_format.h"
#include "diag/state/options.h"
#include "diag/tools/debug_log.h"

namespace kel::diag {

// Cleared at the start of each track's reading.
struct IsoScanState {
    // Highest block that belongs to the volume; entries beyond it are missing.
    std::int32_t VolumeEndLimit = 0;
    // Blocks by which this disc's recorded block numbers fall short (0-15).
    std::int32_t PathTableShift = 0;
    // The volume was recorded as if its track began at block 0.
    bool OffsetImage = false;
    int depth = 0;
    int DirectoryReadErrors = 0;
    // Folders at kMaxDirectoryDepth, listed but not read, and the first one.
    int foldersLeftUnread = 0;
    std::string firstFolderLeftUnread;
    bool jolietNameError = false;
    // First blocks of the directories read so far: a directory that a
    // damaged or hostile disc links in twice is listed but not read again.
    std::set<std::int64_t> directoriesRead;
};

struct IsoScan {
    CdDevice& device;
    TrackInfo& track;
    IsoScanState state;
};

// Log lines of the reader are written only in debug mode.
template <typename... Args>
void IsoLog(std::string_view format, const Args&... args) {
    if (Options().debugMode) {
        DebugLog(format, args...);
    }
}

// One block through the drive; false for a block number the drive cannot be
// asked for, as for a read error.
bool ReadBlock(CdDevice& device, std::int64_t block, std::span<std::uint8_t> buffer);

// A working buffer from the tracked allocator, freed on leaving the scope;
// empty (and already reported) when memory ran out.
class TrackedBuffer {
public:
    TrackedBuffer(std::int32_t size, const char* module, int line);
    ~TrackedBuffer();
    TrackedBuffer(const TrackedBuffer&) = delete;
    TrackedBuffer& operator=(const TrackedBuffer&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    std::span<std::uint8_t> span() const { return {data_, size_}; }
    std::span<std::uint8_t> block(std::size_t index) const {
        return span().subspan(index * iso::kBlockSize, iso::kBlockSize);
    }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// The end of the volume that a descriptor describes: the track's end when
// another track follows, else its start plus the descriptor's size (at most
// the largest block a disc can have).
std::int32_t VolumeEndFor(const TrackInfo& track, std::uint32_t volumeSpaceSize);

// A descriptor's volume identifier: up to its first NUL, trailing blanks removed.
std::string VolumeLabel(std::string_view identifier);

// The root node "\ LABEL (Session N)" hung on the track; null when memory ran out.
FileNode* MakeRootNode(IsoScan& scan, std::string_view label);

// Where a recorded block number really lies: the path-table shift added,
// and for an offset image the track start for blocks below it.
std::int64_t AdjustedBlock(const IsoScan& scan, std::uint32_t recorded, bool addShift);

// Reads the block where the root directory of an offset image would lie
// (its recorded block plus the track start) and sets OffsetImage when a .
// record opens it.
bool ProbeOffsetImage(IsoScan& scan, std::uint32_t rootBlock);

// Sets PathTableShift when the root directory and the path table are found
// a few blocks after their stated places.
void FindPathTableShift(IsoScan& scan, std::uint32_t pathTableBlock, std::uint32_t rootBlock);

// The directory readers: the first node of the directory's new list, or null.
FileNode* ReadIsoDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                           std::uint32_t size);
FileNode* ReadJolietDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                              std::uint32_t size);
FileNode* ReadHsgDirectory(IsoScan& scan, FileNode& directory, std::int64_t firstBlock,
                           std::uint32_t size);

// The Rock Ridge name of a directory record, joined from its NM entries
// and the continuation areas they go on in; nothing when the record has
// none or only an empty one (. and ..). A continuation that loops or lies
// outside the volume ends the name with what was read.
std::optional<std::string> RockRidgeName(IsoScan& scan, iso::Bytes systemUse);

// The volume readers: true when a tree was built and handed to the tree pane.
bool ReadIsoVolume(IsoScan& scan, iso::Bytes descriptor);
bool ReadJolietVolume(IsoScan& scan, iso::Bytes descriptor);
bool ReadHsgVolume(IsoScan& scan, iso::Bytes descriptor);

// Takes the following data tracks of the same session that hold no volume
// of their own into this track's volume.
void ExtendVolumeOverTracks(IsoScan& scan, iso::Bytes descriptor);

// Looks for a root directory in the blocks after an unreadable volume
// descriptor; on success `buffer` holds a minimal descriptor naming it and
// the block is given, else -1.
std::int32_t ScanForRootDirectory(IsoScan& scan, std::span<std::uint8_t> buffer);

// Reports the directory blocks that could not be read and the folders left
// unread, once per track.
void ReportDirectoryReadErrors(const IsoScan& scan);

}  // namespace kel::diag
