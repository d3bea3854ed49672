// Desktop paths onto Linux files: "D:\Setup.Exe" becomes the file of that name,
// in any case, below the folder that stands for D:'s root, and never outside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives/drive_table.h"

namespace kel::drives {

enum class Lookup {
    Found,
    FileMissing,    // every folder exists, the last component does not
    FolderMissing,  // a folder on the way does not exist
    NoRoot,         // the letter has no root folder (no drive, no disc, not mounted)
    Invalid,        // not a drive path
    OutsideRoot,    // a symlink on the way leads out of the drive's root
};

struct Translation {
    Lookup status = Lookup::Invalid;
    std::filesystem::path path;  // Found: the file; FileMissing: where it would be
    std::string error;           // set unless Found
};

// The entry of `folder` named `name` ignoring ASCII case; an exact match wins,
// otherwise the first in name order, so the answer does not depend on the
// order the folder lists its entries in.
std::optional<std::filesystem::path> findIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name);

// Walks `components` down from `root`, each looked up ignoring case.
Translation resolveBelow(const std::filesystem::path& root,
                         const std::vector<std::string>& components);

// "X:\dir\file" through the letter's root in `table`.
Translation translatePath(std::string_view dosPath, const DriveTable& table = drives());

}  // namespace kel::drives
