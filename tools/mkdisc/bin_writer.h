// Writes the raw 2352-byte sectors of every track into the BIN files of a
// plan: data sectors encoded from the track's file system image (sync,
// header, EDC/ECC made real), audio as synthesised tones. Blocks that hold
// nothing on the disc (session gaps, run-out blocks) are left as holes in
// the file, which read as zeros and take no space.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

// The image file of data track `index`.
using DataImage = std::function<std::filesystem::path(std::size_t index)>;

std::optional<BuildError> writeBins(const Recipe& recipe, const DiscPlan& plan,
                                    const std::filesystem::path& outputDir,
                                    const DataImage& dataImage);

}  // namespace kel::mkdisc
