#include "tests/support/have_program.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace kel::test {

bool haveProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path == nullptr ? "" : path);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) {
            continue;
        }
        const std::filesystem::path candidate = std::filesystem::path(folder) / program;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace kel::test
