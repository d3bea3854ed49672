// A program's hold on the ASPI-style manager: the shared library loaded at
// run time, its entry points looked up by name, and what the file says of
// its version.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kel::aspi {

class ManagerLibrary {
public:
    // Null when the file cannot be loaded; `error` then holds the system's
    // reason as one line.
    static std::unique_ptr<ManagerLibrary> load(const std::filesystem::path& file,
                                                std::string& error);
    ~ManagerLibrary();
    ManagerLibrary(const ManagerLibrary&) = delete;
    ManagerLibrary& operator=(const ManagerLibrary&) = delete;

    // The entry point of that name; null (and `error` set) when the library
    // has none, so that a missing one is never called.
    void* entry(const char* name, std::string& error) const;
    // The full path the library was loaded from.
    const std::filesystem::path& path() const { return path_; }
    // The library's version: the numbers after ".so." in the name of the
    // file it really is (a link's target), padded to four parts; none when
    // the file name carries no version.
    std::optional<std::array<std::uint16_t, 4>> version() const;

private:
    ManagerLibrary(void* handle, std::filesystem::path path)
        : handle_(handle), path_(std::move(path)) {}

    void* handle_;
    std::filesystem::path path_;
};

// The version part of a library file name ("libx.so.4.60.1.0"); none when
// there is none or a part is not a 16-bit number.
std::optional<std::array<std::uint16_t, 4>> libraryVersion(const std::string& fileName);

}  // namespace kel::aspi
