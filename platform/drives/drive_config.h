// The one drive configuration (KEL_DRIVES) that the server, the front ends and
// the diagnostic program share, so that device numbers and letters agree.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives/drive_types.h"

namespace kel::drives {

struct ConfigEntry {
    char letter = 0;  // upper case
    std::filesystem::path source;
    SourceKind kind = SourceKind::Image;
};

struct ParsedConfig {
    std::vector<ConfigEntry> entries;   // the CD letters, configuration order
    std::vector<FolderDrive> folders;   // the floppy, removable and network letters
    std::vector<std::string> problems;  // one line per skipped entry, naming it
};

// Parses "D:=disc.cue;E:=/dev/sr0;A:=floppy:/srv/floppy". Entries are
// `X:=SOURCE` for a CD letter (an image, or a device: /dev/srN, /dev/sgN or
// any other character device node) and `X:=KIND:FOLDER` for a letter that stands
// for a folder (KIND is floppy, for A: and B: only, removable or network),
// letters in any case; a malformed entry is left out and described in
// `problems`, the others still count. Empty entries (a trailing ';') are
// ignored.
ParsedConfig parseDriveConfig(std::string_view text);

// The source kind a path names, judged by its spelling only.
std::optional<SourceKind> sourceKindOf(std::string_view source);

}  // namespace kel::drives
