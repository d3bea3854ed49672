// Loading the disc alone from an image file: what loadDrive does for an ISO
// or a CUE sheet, and what a descriptor does with the image it names.
#pragma once

#include <filesystem>
#include <variant>

#include "emu/disc/disc.h"
#include "emu/disc/loader.h"

namespace kel::emu {

// One MODE1/2048 data track from LBA 0 over the whole file.
std::variant<Disc, LoadError> loadIsoImage(const std::filesystem::path& path);

// ".iso" or ".cue" (any case); anything else is refused.
std::variant<Disc, LoadError> loadDiscImage(const std::filesystem::path& path);

// The extension of `path` in lower case, with its dot.
std::string lowerExtension(const std::filesystem::path& path);

}  // namespace kel::emu
