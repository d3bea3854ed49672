// What a drive letter stands for. The numeric values are the ones the
// programs compare against (5 is "CD-ROM drive"), so they are kept as is.
#pragma once

#include <filesystem>
#include <string>

namespace kel::drives {

enum class DriveType : unsigned {
    Unknown = 0,
    NoRootDir = 1,  // the letter names no drive
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
};

enum class SourceKind {
    Image,   // .iso, .cue or .emu: served by the emulated drive
    Device,  // /dev/srN or /dev/sgN: a real drive through SG_IO
};

// One CD letter of the drive configuration.
struct CdDrive {
    char letter = 0;  // 'A'..'Z'
    std::filesystem::path source;
    SourceKind kind = SourceKind::Image;
    int device = 0;  // the drive server's device number: position among the CD letters
};

// What a letter that stands for a folder is, as the main module names it.
enum class FolderKind {
    Floppy,     // A: or B:
    Removable,  // a removable disk
    Network,    // a share of another machine
};

// A floppy, removable or network letter. A machine drive names its device and
// is looked for in the mount table afresh each time; a configured one names
// its folder.
struct FolderDrive {
    char letter = 0;  // 'A'..'Z'
    FolderKind kind = FolderKind::Removable;
    std::filesystem::path folder;
    std::string device;  // as the mount table writes it: "/dev/sdb1", "server:/share"
};

}  // namespace kel::drives
