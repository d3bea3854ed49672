// The data fork of an HFS file that does not lie in one piece: its extents
// as its catalog record lists them (the first three; the reader's tree keeps
// only the first's start).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "diag/fs/hfs/hfs_volume.h"

namespace kel::diag {

// The data extents of the file `name` in the directory `parentId`, found
// along the catalog's leaf chain; nothing when the catalog holds no such
// file record or cannot be read. `access` must have found the catalog.
std::optional<hfs::ExtentRecord> FindHfsDataExtents(hfs::HfsAccess& access, std::uint32_t parentId,
                                                    const std::string& name);

}  // namespace kel::diag
