// The CUE sheet of a planned disc: FILE, TRACK, FLAGS, ISRC, PREGAP and
// INDEX lines, with index times relative to the start of each BIN file.
#pragma once

#include <string>

#include "tools/mkdisc/disc_plan.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

std::string cueSheet(const Recipe& recipe, const DiscPlan& plan);

}  // namespace kel::mkdisc
