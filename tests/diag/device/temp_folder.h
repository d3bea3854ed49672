// The device tests' temporary folder and file helpers.
#pragma once

#include "tests/support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace kel::diag::testing {

using kel::test::TempFolder;

inline void writeFile(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kel::diag::testing
