// A temporary folder of small test images, written by each test itself and
// removed afterwards, and the sector patterns the images are filled with.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "emu/disc/loader.h"

namespace kel::emu::test {

class ImageFolder {
public:
    ImageFolder();
    ~ImageFolder();
    ImageFolder(const ImageFolder&) = delete;
    ImageFolder& operator=(const ImageFolder&) = delete;

    std::filesystem::path path(std::string_view name) const { return root_ / name; }
    std::filesystem::path write(std::string_view name, std::string_view text) const;
    std::filesystem::path write(std::string_view name,
                                const std::vector<std::uint8_t>& bytes) const;

private:
    std::filesystem::path root_;
};

// `count` stored sectors of `size` bytes; every byte depends on the sector's
// number (counted from `first`) and its position, so a sector read from the
// wrong place shows.
std::vector<std::uint8_t> patternSectors(int count, std::size_t size, int first = 0);
std::uint8_t patternByte(int sector, std::size_t position);

// The value of a load that must succeed; a failure names the load's error.
template <typename T>
T expectLoaded(std::variant<T, LoadError> result) {
    if (auto* error = std::get_if<LoadError>(&result)) {
        ADD_FAILURE() << "load failed: " << error->text();
        return T{};
    }
    return std::move(std::get<T>(result));
}

// The error of a load that must fail.
template <typename T>
LoadError expectFailure(std::variant<T, LoadError> result) {
    if (auto* error = std::get_if<LoadError>(&result)) {
        return *error;
    }
    ADD_FAILURE() << "load succeeded where it must fail";
    return LoadError{};
}

}  // namespace kel::emu::test
