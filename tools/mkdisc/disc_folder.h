// The folder that stands for the mounted disc: a copy of the data track's
// source folder plus the recipe's inline files and empty folders. The ISO
// 9660 image is made from it, so the two hold the same files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

// Replaces `target` with the track's files. Errors name the recipe line.
std::optional<BuildError> makeDiscFolder(const Recipe& recipe, const TrackRecipe& track,
                                         const std::filesystem::path& target);

// The bytes of an inline file of `size` bytes: a fixed pseudo-random stream
// seeded by its path, the same on every run and every machine.
void generatedContent(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> out);

}  // namespace kel::mkdisc
