#include "cd_devices.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>
#include <utility>

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

// The N of a name "<prefix>N", or -1 when the name is not of that form.
int numberAfter(const std::string& name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return -1;
    }
    int number = -1;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    auto [end, ec] = std::from_chars(first, last, number);
    return ec == std::errc() && end == last ? number : -1;
}

}  // namespace

std::vector<fs::path> numberedDevices(const fs::path& devDir, std::string_view prefix) {
    std::vector<std::pair<int, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(devDir, ec), end; !ec && it != end; it.increment(ec)) {
        int number = numberAfter(it->path().filename().string(), prefix);
        if (number >= 0) {
            found.emplace_back(number, it->path());
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> devices;
    for (auto& [number, path] : found) {
        devices.push_back(std::move(path));
    }
    return devices;
}

std::vector<fs::path> machineCdDevices(const fs::path& devDir) {
    return numberedDevices(devDir, "sr");
}

fs::path blockDeviceOf(const fs::path& device, const fs::path& sysDir) {
    std::string name = device.filename().string();
    if (numberAfter(name, "sr") >= 0) {
        return device;
    }
    if (numberAfter(name, "sg") < 0) {
        return {};
    }
    std::error_code ec;
    fs::path blockDir = sysDir / "class/scsi_generic" / name / "device/block";
    for (fs::directory_iterator it(blockDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string block = it->path().filename().string();
        if (numberAfter(block, "sr") >= 0) {
            return device.parent_path() / block;
        }
    }
    return {};
}

}  // namespace kel::drives
