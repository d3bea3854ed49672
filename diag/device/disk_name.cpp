#include "diag/device/disk_name.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

namespace kel::diag {

namespace {

// First line of a small sysfs attribute, blanks at both ends removed.
std::string attribute(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    std::size_t first = line.find_first_not_of(" \t");
    std::size_t last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

}  // namespace

std::string firstDiskName(const std::filesystem::path& sysDir) {
    std::error_code error;
    std::vector<std::filesystem::path> blocks;
    for (const auto& entry : std::filesystem::directory_iterator(sysDir / "block", error)) {
        blocks.push_back(entry.path());
    }
    std::sort(blocks.begin(), blocks.end());
    for (const std::filesystem::path& block : blocks) {
        if (attribute(block / "removable") != "0") {
            continue;
        }
        std::string model = attribute(block / "device" / "model");
        if (model.empty()) {
            continue;
        }
        std::string vendor = attribute(block / "device" / "vendor");
        return vendor.empty() ? model : vendor + " " + model;
    }
    return {};
}

}  // namespace kel::diag
