// One "%d" field of a text as the program's scan patterns read it: blanks
// skipped, an optional sign, at least one digit. A value beyond 32 bits is
// held at the nearest limit instead of wrapping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kel::diag {

// Reads from `at` on and moves `at` past the field; false (and `at` past
// any blanks) when no digit follows.
bool ReadDecimalField(std::string_view text, std::size_t& at, std::int32_t& value);

}  // namespace kel::diag
