// Values as the program's settings texts hold them, typed in by hand: blanks
// around them, numbers in C notation.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kel::diag {

// The text without the blanks and TABs at either end.
std::string_view TrimBlanks(std::string_view text);

// A whole text as a number without a sign: "0x" or "0X" and hexadecimal
// digits, a leading 0 and octal digits, else decimal. Nothing for any other
// character, no digit at all, or a value beyond 32 bits.
std::optional<std::uint32_t> ParseCNumber(std::string_view text);

}  // namespace kel::diag
