#include "scratch_disc.h"

#include <fstream>

#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc::testing {

std::variant<BuiltDisc, BuildError> ScratchFolder::build(const std::string& name,
                                                         const std::string& text,
                                                         const std::string& xorriso) const {
    const auto file = path() / name;
    std::ofstream(file) << text;
    auto recipe = readRecipe(file);
    if (auto* error = std::get_if<BuildError>(&recipe)) {
        return *error;
    }
    BuildOptions options;
    options.outputDir = path() / "out";
    options.xorriso = xorriso;
    return buildDisc(std::get<Recipe>(recipe), options);
}

}  // namespace kel::mkdisc::testing
