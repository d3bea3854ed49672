#include "drive_letters.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "frontend/common/kel_cd_data.h"
#include "platform/drives/path_translation.h"

namespace kel::frontend {

int DriveLetterOfDevice(int device) {
    if (device < 0 || device >= kNoDevice) {
        return kNoDriveLetter;
    }
    for (std::size_t letter = 0; letter < KelCdData.DriveLetterMap.size(); ++letter) {
        if (KelCdData.DriveLetterMap[letter] == device) {
            return static_cast<int>(letter);
        }
    }
    return kNoDriveLetter;
}

std::string_view DirectoryName(DiscDirectory directory) {
    switch (directory) {
        case DiscDirectory::Cdi:
            return "cdi";
        case DiscDirectory::PhotoCd:
            return "photo_cd";
        case DiscDirectory::Mpegav:
            return "Mpegav";
        case DiscDirectory::Karaoke:
            return "Karaoke";
        case DiscDirectory::Vcd:
            return "vcd";
    }
    return {};
}

bool HasDirectory(int letterIndex, DiscDirectory directory, const drives::DriveTable& table) {
    if (letterIndex < 0 || letterIndex >= 26) {
        return false;
    }
    std::optional<std::filesystem::path> root = table.root(static_cast<char>('A' + letterIndex));
    if (!root) {
        return false;
    }
    std::optional<std::filesystem::path> found =
        drives::findIgnoringCase(*root, DirectoryName(directory));
    std::error_code ec;
    return found && std::filesystem::is_directory(*found, ec);
}

}  // namespace kel::frontend
