// What a drive letter stands for. The numeric values are the ones the
// programs compare against (5 is "CD-ROM drive"), so they are kept as is.
#pragma once

#include <filesystem>

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

}  // namespace kel::drives
