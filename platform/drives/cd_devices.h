// The machine's own CD drives, for when no drive configuration is given.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace kel::drives {

// The nodes "<prefix>N" in `devDir`, ordered by N (sr2 before sr10).
std::vector<std::filesystem::path> numberedDevices(const std::filesystem::path& devDir,
                                                   std::string_view prefix);

// The /dev/srN nodes in `devDir`.
std::vector<std::filesystem::path> machineCdDevices(const std::filesystem::path& devDir = "/dev");

// The block device a drive's disc is mounted from: /dev/srN stays as it is; a
// SCSI generic node /dev/sgN maps to the srN of the same drive through sysfs.
// Empty when there is none (a /dev/sgN that is no CD drive).
std::filesystem::path blockDeviceOf(const std::filesystem::path& device,
                                    const std::filesystem::path& sysDir = "/sys");

}  // namespace kel::drives
