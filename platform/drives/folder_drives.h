// The machine's letters that stand for a folder rather than a CD drive:
// floppy disks, removable media and network shares, found in /dev, sysfs and
// the mount table.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/drives/drive_types.h"
#include "platform/drives/mounts.h"

namespace kel::drives {

// nfs, cifs, sshfs and the like: file systems that live on another machine.
bool isNetworkFileSystem(std::string_view type);

// True when the disk that holds block device `device` (a partition counts as
// its disk) tells sysfs that its medium is removable.
bool isRemovableDisk(const std::filesystem::path& device,
                     const std::filesystem::path& sysDir = "/sys");

// The floppy devices /dev/fdN take A: and B:; mounted removable disks and
// network shares take letters from `firstLetter` on, in mount order (a device
// mounted twice once). CD devices are left to the CD letters.
std::vector<FolderDrive> machineFolderDrives(char firstLetter,
                                             const std::vector<MountEntry>& mounts,
                                             const std::filesystem::path& devDir = "/dev",
                                             const std::filesystem::path& sysDir = "/sys");

}  // namespace kel::drives
