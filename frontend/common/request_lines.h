// The text lines of a request: the code, then the parameter lines its code
// takes from the module variables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/common/kel_cd_data.h"

namespace kel::frontend {

std::vector<std::string> RequestLines(std::uint32_t code, const KelCdVariables& data);

}  // namespace kel::frontend
