// Integers as hand-edited settings files hold them.
#pragma once

#include <optional>
#include <string_view>

namespace kel::profile {

// Reads a number the forgiving way the profile readers always have: leading
// blanks, an optional sign, then decimal digits or "0x"/"0X" and hexadecimal
// digits; whatever follows the digits is ignored ("12 px" is 12, "0x1Fz" is
// 31, a bare "0x" is 0). Without any digit the text is not a number. Values
// beyond the int range saturate at its ends rather than wrapping.
std::optional<int> parseLenientInteger(std::string_view text);

}  // namespace kel::profile
