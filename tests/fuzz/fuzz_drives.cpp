// Drive configuration texts and desktop paths from anywhere: the parsers must
// neither crash nor hand on an entry or a path component that breaks their rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drives/dos_path.h"
#include "platform/drives/drive_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    kel::drives::ParsedConfig config = kel::drives::parseDriveConfig(text);
    bool seen[26] = {};
    for (const kel::drives::ConfigEntry& entry : config.entries) {
        if (entry.letter < 'A' || entry.letter > 'Z' || entry.letter == 'C' ||
            seen[entry.letter - 'A'] || entry.source.empty()) {
            std::abort();
        }
        seen[entry.letter - 'A'] = true;
    }

    if (std::optional<kel::drives::DosPath> path = kel::drives::parseDosPath(text)) {
        for (const std::string& part : path->components) {
            if (part.empty() || part == "." || part == ".." ||
                part.find_first_of("\\/") != std::string::npos) {
                std::abort();
            }
        }
    }
    return 0;
}
