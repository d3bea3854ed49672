// The data track's ISO 9660 file system, made by xorriso from the disc
// folder, so that our readers meet a real-world layout rather than our own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

inline constexpr std::size_t kUserDataSize = 2048;

// Writes `isoFile` from `folder` with the track's file system settings and
// returns its size in 2048-byte sectors. `xorriso` is the program to run;
// its failure (missing, or exiting non-zero) names the track's recipe line
// and quotes the end of what it printed.
std::variant<std::int32_t, BuildError> makeIsoImage(const Recipe& recipe, const TrackRecipe& track,
                                                    const std::filesystem::path& folder,
                                                    const std::filesystem::path& isoFile,
                                                    const std::string& xorriso);

}  // namespace kel::mkdisc
