// File access for the image loaders: only regular files are accepted, so that
// a descriptor naming a device or a pipe fails at once instead of hanging.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "emu/disc/loader.h"

namespace kel::emu {

// The size of a regular file, or why it cannot be used (an error text
// without the file name, for the caller to place).
std::variant<std::uint64_t, std::string> regularFileSize(const std::filesystem::path& path);

// A whole text file (CUE sheet, descriptor); refused beyond a size no sheet
// or descriptor reaches.
std::variant<std::string, LoadError> readTextFile(const std::filesystem::path& path);

}  // namespace kel::emu
