// What stands behind a drive letter for the disc classification: the letter
// of a server device, and the folders on the disc in it.
#pragma once

#include <string_view>

#include "platform/drives/drive_table.h"

namespace kel::frontend {

// The first letter index (0 = A) whose DriveLetterMap entry is `device`, or 27
// when no letter has it.
int DriveLetterOfDevice(int device);

inline constexpr int kNoDriveLetter = 27;

// The folders that mark a disc's kind.
enum class DiscDirectory { Cdi, PhotoCd, Mpegav, Karaoke, Vcd };

// "cdi", "photo_cd", "Mpegav", "Karaoke", "vcd".
std::string_view DirectoryName(DiscDirectory directory);

// True when the root of the disc in drive `letterIndex` (0 = A) holds the
// folder, in any case. Looks without entering it: the process's current folder
// never moves onto a disc (it would keep the disc busy).
bool HasDirectory(int letterIndex, DiscDirectory directory,
                  const drives::DriveTable& table = drives::drives());

}  // namespace kel::frontend
