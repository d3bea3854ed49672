#include "emu/disc/disc_image.h"

#include <algorithm>
#include <cctype>

#include "emu/disc/image_file.h"

namespace kel::emu {

namespace {
constexpr std::uint64_t kIsoSectorSize = 2048;
}

std::string lowerExtension(const std::filesystem::path& path) {
    auto extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::variant<Disc, LoadError> loadIsoImage(const std::filesystem::path& path) {
    const auto size = regularFileSize(path);
    if (const auto* why = std::get_if<std::string>(&size)) {
        return LoadError{path, 0, "cannot open: " + *why};
    }
    const auto bytes = std::get<std::uint64_t>(size);
    if (bytes == 0 || bytes % kIsoSectorSize != 0) {
        return LoadError{path, 0,
                         "size " + std::to_string(bytes) +
                             " is not a nonzero multiple of the 2048-byte ISO sector"};
    }
    if (bytes / kIsoSectorSize > static_cast<std::uint64_t>(kMaxLeadOut)) {
        return LoadError{path, 0,
                         "too large for a CD: " + std::to_string(bytes / kIsoSectorSize) +
                             " sectors, at most " + std::to_string(kMaxLeadOut)};
    }
    const auto sectors = static_cast<std::int32_t>(bytes / kIsoSectorSize);
    Disc disc;
    disc.files.push_back(path);
    Track track;
    track.storage = StorageFormat::Cooked2048;
    track.end = sectors;
    track.storedTo = sectors;
    disc.tracks.push_back(track);
    disc.leadOut = sectors;
    describeSessions(disc);
    return disc;
}

std::variant<Disc, LoadError> loadDiscImage(const std::filesystem::path& path) {
    const auto extension = lowerExtension(path);
    if (extension == ".iso") {
        return loadIsoImage(path);
    }
    if (extension == ".cue") {
        auto text = readTextFile(path);
        if (auto* error = std::get_if<LoadError>(&text)) {
            return std::move(*error);
        }
        return parseCueSheet(std::get<std::string>(text), path);
    }
    return LoadError{path, 0, "unknown image type \"" + extension + "\" (expected .iso or .cue)"};
}

}  // namespace kel::emu
