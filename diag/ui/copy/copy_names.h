// The names a copy writes on Linux: a disc may record names that cannot
// stand in a Linux folder ("/", ".", "..", an empty name), and a copy must
// never write outside the folder the user chose.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "diag/fs/file_node.h"

namespace kel::diag {

// `name` with every "/" turned into "_"; ".", ".." and the empty name get a
// "_" in front, so that the result always names an entry of its folder.
std::string LinuxFileName(std::string_view name);

// The name a node's copy gets: its name as the list pane shows it (without
// the version marker when RemoveVersion is on), made fit for Linux.
std::string CopyNameOf(const FileNode& node);

// Whether `path` names an entry inside `folder` (not the folder itself),
// judged on the paths' text without following links.
bool LiesInside(const std::filesystem::path& folder, const std::filesystem::path& path);

}  // namespace kel::diag
