// The data track's ISO 9660 file system, made by xorriso or genisoimage from
// the track's folder, so that our readers meet a real-world layout rather
// than our own. A later session is made to sit at its place on the disc and
// imports the previous session's tree with -C and -M, as a writer appends a
// session to a multi-session disc.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

inline constexpr std::size_t kUserDataSize = 2048;

struct IsoPrograms {
    std::string xorriso = "xorriso";
    std::string genisoimage = "genisoimage";
};

// Where the image goes on the disc: block 0 at `start`; with `previousDisc`
// (a file of 2048-byte blocks holding the disc so far at their LBAs), the
// previous session starting at `previousStart` is imported.
struct IsoPlace {
    std::int32_t start = 0;
    std::filesystem::path previousDisc;  // empty: nothing imported
    std::int32_t previousStart = 0;
};

// Writes `isoFile` from `folder` with the track's file system settings and
// returns its size in 2048-byte sectors. A failing tool (missing, or exiting
// non-zero) names the track's recipe line and quotes the end of what it
// printed.
std::variant<std::int32_t, BuildError> makeIsoImage(const Recipe& recipe, const TrackRecipe& track,
                                                    const std::filesystem::path& folder,
                                                    const IsoPlace& place,
                                                    const std::filesystem::path& isoFile,
                                                    const IsoPrograms& programs);

// The size of a file of 2048-byte blocks that a tool wrote, checked to be a
// whole number of blocks that fits on a CD.
std::variant<std::int32_t, BuildError> imageBlocks(const Recipe& recipe, const TrackRecipe& track,
                                                   const std::filesystem::path& image,
                                                   const std::string& maker);

}  // namespace kel::mkdisc
