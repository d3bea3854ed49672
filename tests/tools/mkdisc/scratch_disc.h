// A temporary folder for one test's recipe and output, removed afterwards,
// and a helper that writes a recipe there and builds it.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/build_disc.h"

namespace kel::mkdisc::testing {

class ScratchFolder {
public:
    const std::filesystem::path& path() const { return folder_.path(); }

    // Writes `text` as `name` (a .recipe file) and builds it into path()/out.
    std::variant<BuiltDisc, BuildError> build(const std::string& name, const std::string& text,
                                              const std::string& xorriso = "xorriso") const;

private:
    kel::test::TempFolder folder_;
};

using kel::test::haveProgram;

}  // namespace kel::mkdisc::testing
