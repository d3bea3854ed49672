// Building a disc from a recipe: the BIN files and CUE sheet, the emulated
// drive's descriptor naming them, and the folder that stands for the mounted
// disc. This is the library entry point that the program and tests use.
#pragma once

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

struct BuildOptions {
    std::filesystem::path outputDir;  // created when missing
    // The programs that make ISO 9660 file systems (the recipe's `maker`).
    std::string xorriso = "xorriso";
    std::string genisoimage = "genisoimage";
};

// Everything is named after Recipe::name: NAME.cue, NAME.bin or NAME-NN.bin,
// NAME.sub, NAME.emu, and the folder NAME_files. A blank disc has only the
// descriptor.
struct BuiltDisc {
    std::filesystem::path cue;  // empty on a blank disc
    std::filesystem::path descriptor;
    std::filesystem::path subchannel;  // empty without CD+G
    std::filesystem::path folder;      // empty when the disc has no data track
    std::vector<std::filesystem::path> bins;
    DiscPlan plan;
};

std::variant<BuiltDisc, BuildError> buildDisc(const Recipe& recipe, const BuildOptions& options);

}  // namespace kel::mkdisc
