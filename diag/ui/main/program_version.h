// The program's own version, as its version information gives it.
#pragma once

#include <string>

namespace kel::diag {

// "%d.%d.%d.%d" (string 121) of the product version.
std::string GetVersionText();

}  // namespace kel::diag
