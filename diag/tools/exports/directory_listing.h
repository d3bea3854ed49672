// The directory listing: every folder and file of the disc's trees with
// start block, size, date and flags, as a text file the user names.
#pragma once

#include <string>

#include "diag/disc/track_info.h"

namespace kel::diag {

// FileNode::flags of the copy command: the file was copied, and copying it
// failed.
inline constexpr std::uint16_t kCopiedFile = 0x100;
inline constexpr std::uint16_t kCopyError = 0x200;

// Whether the track has a tree to list: a root directory that holds
// entries (a track's placeholder node holds none).
bool HasFileTree(const TrackInfo& track);

// The listing of every track before the lead-out that has a tree, with or
// without the column that says whether each file was copied.
std::string DirectoryListingText(bool withCopyColumn);

// Asks for the file and writes the listing; message 181 when no track has
// a tree, and the file's failures as messages.
void SaveDirectoryListing(bool withCopyColumn);

}  // namespace kel::diag
