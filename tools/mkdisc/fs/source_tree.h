// The folder a file-system image is made from, listed once so that every
// maker sizes, names and orders the same entries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace kel::mkdisc::fs {

struct SourceEntry {
    std::vector<std::string> names;  // path components below the folder
    bool directory = false;
    std::uint64_t size = 0;        // files only
    std::filesystem::path source;  // where its bytes are read from
};

struct SourceTree {
    // Depth first, each directory before what it holds, names in byte order
    // so that the same folder always gives the same image.
    std::vector<SourceEntry> entries;
    std::uint64_t fileBytes = 0;
};

// Lists `folder` (an empty path gives an empty tree). Symbolic links and
// special files are refused rather than followed or skipped, because each
// tool treats them differently and the image would depend on which ran.
std::variant<SourceTree, std::string> scanSourceTree(const std::filesystem::path& folder);

}  // namespace kel::mkdisc::fs
