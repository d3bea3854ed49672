// mkdisc RECIPE [OUTPUT-FOLDER]: builds the disc a recipe describes
// (docs/mkdisc.md). The output folder defaults to the current folder.
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/recipe_parser.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || std::string_view(argv[1]) == "--help") {
        std::fprintf(stderr, "usage: mkdisc RECIPE [OUTPUT-FOLDER]\n");
        return 2;
    }
    auto recipe = kel::mkdisc::readRecipe(argv[1]);
    if (auto* error = std::get_if<kel::mkdisc::BuildError>(&recipe)) {
        std::fprintf(stderr, "mkdisc: %s\n", error->text().c_str());
        return 1;
    }
    kel::mkdisc::BuildOptions options;
    options.outputDir =
        argc == 3 ? std::filesystem::path(argv[2]) : std::filesystem::current_path();
    auto built = kel::mkdisc::buildDisc(std::get<kel::mkdisc::Recipe>(recipe), options);
    if (auto* error = std::get_if<kel::mkdisc::BuildError>(&built)) {
        std::fprintf(stderr, "mkdisc: %s\n", error->text().c_str());
        return 1;
    }
    const auto& disc = std::get<kel::mkdisc::BuiltDisc>(built);
    if (!disc.cue.empty()) {
        std::printf("%s\n", disc.cue.string().c_str());
    }
    std::printf("%s\n", disc.descriptor.string().c_str());
    return 0;
}
