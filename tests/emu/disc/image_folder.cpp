#include "image_folder.h"

#include <fstream>

#include "tests/support/temp_folder.h"

namespace kel::emu::test {

ImageFolder::ImageFolder() {
    root_ = kel::test::makeUniqueFolder("kel-disc-test-");
}

ImageFolder::~ImageFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::filesystem::path ImageFolder::write(std::string_view name, std::string_view text) const {
    const auto file = path(name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
    return file;
}

std::filesystem::path ImageFolder::write(std::string_view name,
                                         const std::vector<std::uint8_t>& bytes) const {
    return write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::uint8_t patternByte(int sector, std::size_t position) {
    return static_cast<std::uint8_t>(sector * 37 + position * 11 + (position >> 8) + 1);
}

std::vector<std::uint8_t> patternSectors(int count, std::size_t size, int first) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(count) * size);
    for (int s = 0; s < count; ++s) {
        for (std::size_t i = 0; i < size; ++i) {
            bytes.push_back(patternByte(first + s, i));
        }
    }
    return bytes;
}

}  // namespace kel::emu::test
