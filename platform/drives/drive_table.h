// Drive letters as the programs see them: which exist, their types, and for a
// CD letter the medium behind it (mounted folder, label, size).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/drives/drive_config.h"
#include "platform/drives/drive_types.h"

namespace kel::drives {

// What is in a drive right now.
struct Volume {
    std::filesystem::path folder;  // its mounted file system; empty when it has none
    std::string label;
    std::uint64_t totalBytes = 0;
};

class DriveTable {
public:
    // C: the fixed disk, plus the configured CD letters and folder letters;
    // server device numbers follow configuration order.
    static DriveTable fromConfig(const std::vector<ConfigEntry>& entries,
                                 const std::vector<FolderDrive>& folders = {});

    // C: the fixed disk, plus `devices` from D: on (as many as letters
    // remain), plus the folder letters that no CD drive took.
    static DriveTable fromDevices(const std::vector<std::filesystem::path>& devices,
                                  const std::vector<FolderDrive>& folders = {});

    // Letters in either case; anything else is NoRootDir.
    DriveType type(char letter) const;

    // The CD drives in server device order.
    const std::vector<CdDrive>& cdDrives() const { return cdDrives_; }
    const CdDrive* cdDrive(char letter) const;
    const CdDrive* cdDriveOfDevice(int device) const;
    const FolderDrive* folderDrive(char letter) const;

    // The medium in the drive, queried afresh on every call: none for a letter
    // that is no drive, a tray that is open, no disc, or a real disc that is
    // not mounted.
    std::optional<Volume> volume(char letter) const;

    // The folder that stands for the letter's root: "/" for C:, a CD's mounted
    // file system, a folder letter's folder; none when there is no such
    // folder.
    std::optional<std::filesystem::path> root(char letter) const;

private:
    std::vector<CdDrive> cdDrives_;
    std::vector<FolderDrive> folderDrives_;
};

// How the medium of a CD letter whose source is a disc image is read. The
// platform layer has no drive of its own for images: the unit that brings in
// the emulated drive installs the reader; until then such a drive is empty.
using ImageVolumeReader = std::optional<Volume> (*)(const std::filesystem::path& source);
void setImageVolumeReader(ImageVolumeReader reader);

// The drive table every part of this process uses: from KEL_DRIVES when it is
// set (relative image paths and folders taken from the current folder, bad
// entries logged once), otherwise the machine's /dev/srN drives and its
// floppy, removable and network drives. Loaded on first use.
const DriveTable& drives();

// Makes the next drives() load the configuration again. A program's
// configuration stays as it started; a test process that sets KEL_DRIVES
// anew for each case calls it. References handed out before stay valid.
void reloadDrives();

}  // namespace kel::drives
