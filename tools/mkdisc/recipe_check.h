// The checks of a parsed recipe as a whole: the layout against its tracks,
// and what each track needs. Each failure names the line at fault.
#pragma once

#include <optional>

#include "tools/mkdisc/build_error.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

std::optional<BuildError> checkRecipe(const Recipe& recipe);

}  // namespace kel::mkdisc
