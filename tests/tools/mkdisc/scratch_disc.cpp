#include "scratch_disc.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc::testing {

ScratchFolder::ScratchFolder() {
    std::random_device random;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() /
                ("mkdisc-test-" + std::to_string(random()) + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) {
            return;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::variant<BuiltDisc, BuildError> ScratchFolder::build(const std::string& name,
                                                         const std::string& text,
                                                         const std::string& xorriso) const {
    const auto file = path_ / name;
    std::ofstream(file) << text;
    auto recipe = readRecipe(file);
    if (auto* error = std::get_if<BuildError>(&recipe)) {
        return *error;
    }
    BuildOptions options;
    options.outputDir = path_ / "out";
    options.xorriso = xorriso;
    return buildDisc(std::get<Recipe>(recipe), options);
}

}  // namespace kel::mkdisc::testing
