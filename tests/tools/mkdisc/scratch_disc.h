// A temporary folder for one test's recipe and output, removed afterwards,
// and a helper that writes a recipe there and builds it.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "tests/support/have_program.h"
#include "tools/mkdisc/build_disc.h"

namespace kel::mkdisc::testing {

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

    // Writes `text` as `name` (a .recipe file) and builds it into path()/out.
    std::variant<BuiltDisc, BuildError> build(const std::string& name, const std::string& text,
                                              const std::string& xorriso = "xorriso") const;

private:
    std::filesystem::path path_;
};

using kel::test::haveProgram;

}  // namespace kel::mkdisc::testing
