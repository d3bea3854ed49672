#include "fs_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <variant>

#include "tests/support/temp_folder.h"
#include "tools/mkdisc/run_program.h"

namespace kel::mkdisc::fs::testing {

std::optional<std::string> readerOutput(const std::vector<std::string>& argv,
                                        const std::filesystem::path& logFile) {
    const auto run = runProgram(argv, logFile);
    const auto* finished = std::get_if<ProgramRun>(&run);
    if (finished == nullptr || finished->exitCode != 0) {
        return std::nullopt;
    }
    return finished->output;
}

Scratch::Scratch() {
    path_ = kel::test::makeUniqueFolder("kel_fs_");
}

Scratch::~Scratch() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::filesystem::path Scratch::file(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path target = path_ / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << bytes;
    return target;
}

std::string Scratch::pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

FileSystemRequest request(FileSystemKind kind, const std::filesystem::path& folder,
                          const std::string& volumeId) {
    FileSystemRequest made;
    made.kind = kind;
    made.folder = folder;
    made.volumeId = volumeId;
    made.recipeFile = "disc.recipe";
    made.line = kRecipeLine;
    return made;
}

}  // namespace kel::mkdisc::fs::testing
