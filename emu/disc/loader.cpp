#include "emu/disc/loader.h"

#include "emu/disc/disc_image.h"
#include "emu/disc/image_file.h"

namespace kel::emu {

std::string LoadError::text() const {
    auto out = file.string();
    if (line > 0) {
        out += ":" + std::to_string(line);
    }
    return out + ": " + message;
}

std::variant<LoadedDrive, LoadError> loadDrive(const std::filesystem::path& source) {
    if (lowerExtension(source) == ".emu") {
        auto text = readTextFile(source);
        if (auto* error = std::get_if<LoadError>(&text)) {
            return std::move(*error);
        }
        return parseDescriptor(std::get<std::string>(text), source);
    }
    auto disc = loadDiscImage(source);
    if (auto* error = std::get_if<LoadError>(&disc)) {
        return std::move(*error);
    }
    return LoadedDrive{DriveDescription{}, std::move(std::get<Disc>(disc))};
}

}  // namespace kel::emu
