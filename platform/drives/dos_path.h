// Desktop-style paths "X:\dir\file" taken apart, before any file is looked at.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::drives {

struct DosPath {
    char letter = 0;                      // upper case
    std::vector<std::string> components;  // below the drive's root, "." and ".." resolved
};

// True when `text` starts with a drive letter and a colon.
bool hasDriveLetter(std::string_view text);

// Splits "X:\dir\file" ('\' and '/' both separate; "X:dir" counts from the
// root, as there is no per-drive current folder here). ".." stops at the
// root, so "D:\..\..\etc" is "D:\etc". None when there is no drive letter or
// the text holds a NUL.
std::optional<DosPath> parseDosPath(std::string_view text);

}  // namespace kel::drives
