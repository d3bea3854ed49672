// One line of diagnostics on standard error, for input that the platform layer
// skips (a garbage frame, a malformed INI line, a bad drive entry): nothing is
// dropped without a trace.
#pragma once

#include <string_view>

namespace kel::log {

void warning(std::string_view component, std::string_view text);

}  // namespace kel::log
