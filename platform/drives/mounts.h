// What the kernel says about mounted file systems and CD block devices: where
// a real drive's disc is mounted, its label and its size.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kel::drives {

struct MountEntry {
    std::string device;
    std::filesystem::path mountPoint;
    std::string type;  // the file system: "ext4", "nfs4", "fuse.sshfs"
};

// Lines of /proc/mounts; the kernel's octal escapes (\040 for a blank) are
// undone. Lines with fewer than two fields are skipped; a missing type is "".
std::vector<MountEntry> parseMounts(std::string_view text);

// The current process's view of the mounts (empty when unreadable).
std::vector<MountEntry> readMounts();

// Where `device` is mounted: the last (topmost) matching entry. Device paths
// are compared after resolving symlinks, so /dev/cdrom finds /dev/sr0; other
// sources ("server:/share") as written.
std::optional<std::filesystem::path> mountPointOf(const std::filesystem::path& device,
                                                  const std::vector<MountEntry>& mounts);

// The device mounted at `mountPoint` (the topmost entry), if any.
std::optional<std::string> deviceMountedAt(const std::filesystem::path& mountPoint,
                                           const std::vector<MountEntry>& mounts);

// A device's file-system label from udev's by-label links (escapes such as
// \x20 undone), or "" when it has none. Cheap: no device is opened.
std::string labelOfDevice(const std::filesystem::path& device,
                          const std::filesystem::path& byLabelDir = "/dev/disk/by-label");

// Size in bytes of the file system mounted at `mountPoint`, 0 when unknown.
std::uint64_t totalBytesAt(const std::filesystem::path& mountPoint);

}  // namespace kel::drives
