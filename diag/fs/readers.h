// The entry points by which the file-system readers call one another. Each
// reader lives in its own folder (iso/, udf/, hfs/, volinfo/); the ISO reader's track
// dispatcher chooses between them, and the UDF and HFS readers build their
// trees from the ISO reader's nodes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "diag/disc/track_info.h"
#include "diag/fs/file_node.h"

namespace kel::diag {

// --- ISO 9660 reader (iso/) ---
// Finds the track's file system and reads its whole tree; true when a tree
// was built and handed to the tree pane.
bool ReadTrackFileSystem(TrackInfo& track);
// A cleared node with room for `name` (kRootNameRoom characters when `root`),
// from the tracked allocator; null after message 111.
FileNode* NewFileNode(std::string_view name, bool root, const char* module, int line);
// Frees the UDF map table first, then a sibling list with everything below.
void FreeFileTree(FileNode* first);
// Inserts the node into the tree pane, then its subdirectories depth first.
void AddDirectoryToTree(FileNode& directory);
// "-- N/A --" for year byte 0, else the user's short date and the time.
std::string FormatRecordingDate(std::span<const std::uint8_t, 7> date);

// Deepest folder level of an ISO 9660 or UDF tree that is still read: far
// past what any mastering tool writes, yet a bound on the recursion when a
// hostile disc chains folders without end. A folder at this level is listed,
// not read, and reported (message 272), so that no entry vanishes unseen.
inline constexpr int kMaxDirectoryDepth = 255;
// Message 272 for the folders of `track` left unread at kMaxDirectoryDepth,
// the first of them named; nothing when there were none.
void ReportFoldersLeftUnread(const TrackInfo& track, int count, const std::string& first);

// --- UDF reader (udf/) ---
bool ReadUdfVolume(TrackInfo& track, std::span<std::uint8_t, 2048> buffer);
void FreeUdfTable();

// --- HFS reader and other track kinds (hfs/) ---
bool ReadHfsVolume(TrackInfo& track);
// A damaged catalog is reported once a disc scan, however many HFS volumes
// the disc holds; the scan calls this as it starts.
void AllowHfsDamageReport();
bool IdentifyOtherTrack(TrackInfo& track);

// --- Volume information and the used-block bitmap (volinfo/) ---
// Marks `block` in the bitmap of the volume being read; gives `block`.
std::int32_t MarkBlockUsed(std::int32_t block);

}  // namespace kel::diag
