// The bytes of a directory tree file for a track list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "diag/disc/track_info.h"

namespace kel::diag::tree_file {

struct TreeFileImage {
    std::vector<std::uint8_t> bytes;
    // A node linked to one outside the saved trees: the link was written as
    // none, and the caller reports an internal error.
    bool linkMissing = false;
    // Why no file could be made; empty on success.
    std::string problem;
};

// Every track record and every node below each track's root.
TreeFileImage BuildTreeFile(const TrackList& tracks);

}  // namespace kel::diag::tree_file
