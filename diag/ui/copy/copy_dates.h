// The modification time a copied file or folder keeps: the date its file
// system recorded.
#pragma once

#include <filesystem>
#include <optional>

#include "diag/fs/file_node.h"

namespace kel::diag {

// ISO 9660 and High Sierra dates carry their offset from GMT; HFS and UDF
// dates as the readers keep them are the clock reading of the machine
// that wrote them, taken as local time here. Nothing for a node without a
// date (year byte 0) or with an impossible one.
std::optional<std::filesystem::file_time_type> NodeFileTime(const FileNode& node);

// Gives `path` the node's time, when it has one.
void KeepNodeTime(const FileNode& node, const std::filesystem::path& path);

}  // namespace kel::diag
