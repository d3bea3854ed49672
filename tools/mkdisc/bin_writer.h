// Writes the raw 2352-byte sectors of every track into the BIN files of a
// plan: data sectors encoded from the file system image (sync, header,
// EDC/ECC made real), audio as synthesised tones, stored pregaps included.
#pragma once

#include <filesystem>
#include <optional>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

// `isoFile` is the data track's image (unused when the disc has none).
std::optional<BuildError> writeBins(const Recipe& recipe, const DiscPlan& plan,
                                    const std::filesystem::path& outputDir,
                                    const std::filesystem::path& isoFile);

}  // namespace kel::mkdisc
