#include "folder_drives.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/drives/cd_devices.h"

namespace kel::drives {
namespace fs = std::filesystem;
namespace {

constexpr std::array<std::string_view, 9> kNetworkTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "ncpfs", "afs"};
constexpr std::array<char, 2> kFloppyLetters = {'A', 'B'};

fs::path resolved(const fs::path& path) {
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    return ec ? path.lexically_normal() : real;
}

bool isCdDevice(const fs::path& device) {
    return !blockDeviceOf(resolved(device)).empty();
}

}  // namespace

bool isNetworkFileSystem(std::string_view type) {
    return std::find(kNetworkTypes.begin(), kNetworkTypes.end(), type) != kNetworkTypes.end();
}

bool isRemovableDisk(const fs::path& device, const fs::path& sysDir) {
    std::error_code ec;
    fs::path node = fs::canonical(sysDir / "class/block" / resolved(device).filename(), ec);
    if (ec) {
        return false;
    }
    if (fs::exists(node / "partition", ec)) {
        node = node.parent_path();
    }
    std::ifstream flag(node / "removable");
    char value = 0;
    return flag.get(value) && value == '1';
}

std::vector<FolderDrive> machineFolderDrives(char firstLetter,
                                             const std::vector<MountEntry>& mounts,
                                             const fs::path& devDir, const fs::path& sysDir) {
    std::vector<FolderDrive> found;
    std::vector<fs::path> floppies = numberedDevices(devDir, "fd");
    for (std::size_t i = 0; i < floppies.size() && i < kFloppyLetters.size(); ++i) {
        found.push_back({kFloppyLetters[i], FolderKind::Floppy, {}, floppies[i].string()});
    }
    char letter = firstLetter;
    for (const MountEntry& mount : mounts) {
        if (letter > 'Z') {
            break;
        }
        const bool taken = std::any_of(found.begin(), found.end(), [&mount](const FolderDrive& d) {
            return d.device == mount.device;
        });
        if (taken) {
            continue;
        }
        if (isNetworkFileSystem(mount.type)) {
            found.push_back({letter++, FolderKind::Network, {}, mount.device});
        } else if (!mount.device.empty() && mount.device[0] == '/' && !isCdDevice(mount.device) &&
                   isRemovableDisk(mount.device, sysDir)) {
            found.push_back({letter++, FolderKind::Removable, {}, mount.device});
        }
    }
    return found;
}

}  // namespace kel::drives
