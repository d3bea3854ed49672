// A failure of the disc-image builder: the recipe file and line at fault
// (0 when no single line is), and why. The library returns these; only the
// program prints them.
#pragma once

#include <filesystem>
#include <string>

namespace kel::mkdisc {

struct BuildError {
    std::filesystem::path file;
    int line = 0;
    std::string message;

    // "file:line: message", or "file: message" without a line.
    std::string text() const;
};

}  // namespace kel::mkdisc
