#include "platform/aspi/manager_library.h"

#include <dlfcn.h>

#include <charconv>

namespace kel::aspi {

namespace {

// dlerror's text up to its first line break.
std::string lastLoadError() {
    const char* text = ::dlerror();
    std::string line = text ? text : "unknown error";
    return line.substr(0, line.find_first_of("\r\n"));
}

}  // namespace

std::unique_ptr<ManagerLibrary> ManagerLibrary::load(const std::filesystem::path& file,
                                                     std::string& error) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(file, ec);
    if (ec) {
        full = file;
    }
    void* handle = ::dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = lastLoadError();
        return nullptr;
    }
    return std::unique_ptr<ManagerLibrary>(new ManagerLibrary(handle, full));
}

ManagerLibrary::~ManagerLibrary() {
    ::dlclose(handle_);
}

void* ManagerLibrary::entry(const char* name, std::string& error) const {
    ::dlerror();
    void* symbol = ::dlsym(handle_, name);
    if (!symbol) {
        error = lastLoadError();
    }
    return symbol;
}

std::optional<std::array<std::uint16_t, 4>> ManagerLibrary::version() const {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::canonical(path_, ec);
    return libraryVersion((ec ? path_ : real).filename().string());
}

std::optional<std::array<std::uint16_t, 4>> libraryVersion(const std::string& fileName) {
    std::size_t at = fileName.find(".so.");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::array<std::uint16_t, 4> parts{};
    const char* p = fileName.data() + at + 4;
    const char* end = fileName.data() + fileName.size();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        auto [next, ec] = std::from_chars(p, end, parts[i]);
        if (ec != std::errc{} || next == p) {
            return std::nullopt;
        }
        p = next;
        if (p == end) {
            return parts;
        }
        if (*p != '.') {
            return std::nullopt;
        }
        ++p;
    }
    return std::nullopt;
}

}  // namespace kel::aspi
