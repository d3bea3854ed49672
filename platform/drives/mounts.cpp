#include "mounts.h"

#include <sys/statvfs.h>

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/base/hex_digit.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

// /proc/mounts writes blank, tab, newline and backslash as \ooo.
std::string unescapeOctal(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int a = field[i + 1] - '0', b = field[i + 2] - '0', c = field[i + 3] - '0';
            if (a >= 0 && a <= 3 && b >= 0 && b <= 7 && c >= 0 && c <= 7) {
                out.push_back(static_cast<char>(a * 64 + b * 8 + c));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

// udev writes unsafe label characters as \xNN.
std::string unescapeHex(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            int high = HexDigitValue(name[i + 2]), low = HexDigitValue(name[i + 3]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(name[i]);
    }
    return out;
}

fs::path resolved(const fs::path& path) {
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    return ec ? path.lexically_normal() : real;
}

// "/mnt/cd/" and "/mnt/cd" name the same mount point.
fs::path normalFolder(const fs::path& folder) {
    fs::path normal = folder.lexically_normal();
    return normal.has_filename() || !normal.has_relative_path() ? normal : normal.parent_path();
}

}  // namespace

std::vector<MountEntry> parseMounts(std::string_view text) {
    std::vector<MountEntry> mounts;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (fields >> device >> mountPoint) {
            fields >> type;
            mounts.push_back(
                {unescapeOctal(device), fs::path(unescapeOctal(mountPoint)), unescapeOctal(type)});
        }
    }
    return mounts;
}

std::vector<MountEntry> readMounts() {
    std::ifstream in("/proc/self/mounts");
    std::ostringstream text;
    text << in.rdbuf();
    return parseMounts(text.str());
}

std::optional<fs::path> mountPointOf(const fs::path& device,
                                     const std::vector<MountEntry>& mounts) {
    const bool isPath = device.is_absolute();
    fs::path wanted = isPath ? resolved(device) : device;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        const bool same =
            isPath ? !it->device.empty() && it->device[0] == '/' && resolved(it->device) == wanted
                   : it->device == device.string();
        if (same) {
            return it->mountPoint;
        }
    }
    return std::nullopt;
}

std::optional<std::string> deviceMountedAt(const fs::path& mountPoint,
                                           const std::vector<MountEntry>& mounts) {
    fs::path wanted = normalFolder(mountPoint);
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        if (normalFolder(it->mountPoint) == wanted) {
            return it->device;
        }
    }
    return std::nullopt;
}

std::string labelOfDevice(const fs::path& device, const fs::path& byLabelDir) {
    fs::path wanted = resolved(device);
    std::error_code ec;
    for (fs::directory_iterator it(byLabelDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (resolved(it->path()) == wanted) {
            return unescapeHex(it->path().filename().string());
        }
    }
    return {};
}

std::uint64_t totalBytesAt(const fs::path& mountPoint) {
    struct statvfs info {};
    if (::statvfs(mountPoint.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize;
}

}  // namespace kel::drives
