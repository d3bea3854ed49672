// What the file-system image tests share: a scratch folder with a small
// source tree, and running the third-party readers that check our images.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/have_program.h"
#include "tools/mkdisc/fs/filesystems.h"

namespace kel::mkdisc::fs::testing {

using kel::test::haveProgram;

// Output of `argv` (standard output and error), or nothing when it could not
// run or exited non-zero.
std::optional<std::string> readerOutput(const std::vector<std::string>& argv,
                                        const std::filesystem::path& logFile);

// A fresh folder per test, removed afterwards.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `bytes` to `relative` below the scratch folder, making folders.
    std::filesystem::path file(const std::string& relative, const std::string& bytes) const;
    // Bytes generated from `seed`, different for every seed.
    static std::string pattern(std::size_t size, unsigned seed);

private:
    std::filesystem::path path_;
};

// A request for `kind` from `folder`, naming "disc.recipe" line 7.
FileSystemRequest request(FileSystemKind kind, const std::filesystem::path& folder,
                          const std::string& volumeId);

inline constexpr int kRecipeLine = 7;

}  // namespace kel::mkdisc::fs::testing
