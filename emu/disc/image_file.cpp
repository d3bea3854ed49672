#include "emu/disc/image_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kel::emu {

namespace {
constexpr std::uint64_t kMaxTextFile = 1 << 20;
}

std::variant<std::uint64_t, std::string> regularFileSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) {
        return error.message();
    }
    if (!std::filesystem::is_regular_file(status)) {
        return std::string("not a regular file");
    }
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return error.message();
    }
    return static_cast<std::uint64_t>(size);
}

std::variant<std::string, LoadError> readTextFile(const std::filesystem::path& path) {
    const auto size = regularFileSize(path);
    if (const auto* why = std::get_if<std::string>(&size)) {
        return LoadError{path, 0, "cannot open: " + *why};
    }
    if (std::get<std::uint64_t>(size) > kMaxTextFile) {
        return LoadError{path, 0, "too large for a text file (more than 1 MiB)"};
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return LoadError{path, 0, "cannot open for reading"};
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return LoadError{path, 0, "read error"};
    }
    return text;
}

}  // namespace kel::emu
