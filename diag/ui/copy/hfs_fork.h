// The data fork of an HFS file that does not lie in one piece: its extents
// as its catalog record lists them (the first three; the reader's tree keeps
// only the first's start).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "diag/fs/hfs/hfs_volume.h"

namespace kel::diag {

struct HfsExtent {
    std::uint32_t start = 0;  // allocation block
    std::uint32_t count = 0;  // allocation blocks
};

// The data extents of the file `name` in the directory `parentId`, found
// along the catalog's leaf chain; nothing when the catalog holds no such
// file record or cannot be read. `access` must have found the catalog.
std::optional<std::array<HfsExtent, 3>> FindHfsDataExtents(hfs::HfsAccess& access,
                                                           std::uint32_t parentId,
                                                           const std::string& name);

}  // namespace kel::diag
