// Names of the additional sense codes, for the name line of a failed read.
#pragma once

#include <cstdint>
#include <string_view>

namespace kel::server {

// The name of the sense code `status` (ASC * 256 + ASCQ), or an empty text
// when the table has no entry for exactly that value.
std::string_view SenseCodeName(std::uint32_t status);

}  // namespace kel::server
