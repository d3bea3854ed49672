// Finding the file a launcher was asked for, the way the programs name it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kel::process {

struct Location {
    std::filesystem::path file;  // set when found
    int failure = 0;             // 0 when found, else a launch code (launch_codes.h)
    std::string error;
};

// `name` is "X:\dir\file" (through the drive letters), an absolute Linux path,
// or a path below `baseFolder`. Every component is matched ignoring case, and
// a last component ending in .EXE or .COM also finds the file without that
// ending ("Kelcd32.Exe" finds KELCD32).
Location locate(std::string_view name, const std::filesystem::path& baseFolder);

}  // namespace kel::process
