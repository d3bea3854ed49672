// Reading a recipe file (docs/mkdisc.md): sections [disc], [drive], and one
// [data] or [audio] section per track, in track order.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

// `text` is the recipe's content; `origin` names it in errors and is the
// folder that relative paths in it are resolved against.
std::variant<Recipe, BuildError> parseRecipe(const std::string& text,
                                             const std::filesystem::path& origin);

std::variant<Recipe, BuildError> readRecipe(const std::filesystem::path& file);

}  // namespace kel::mkdisc
