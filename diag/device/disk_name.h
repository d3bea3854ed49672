// The name the system gives its first hard disk, as a desktop's device
// manager shows it: vendor and model from sysfs.
#pragma once

#include <filesystem>
#include <string>

namespace kel::diag {

// The first fixed (not removable) block device in name order that has a
// model, as "vendor model" with surplus blanks removed; empty when none.
std::string firstDiskName(const std::filesystem::path& sysDir = "/sys");

}  // namespace kel::diag
