// The text the program shows for a drive's sense bytes: the string-table
// entry of the additional sense code when there is one, and the codes.
#pragma once

#include <cstdint>
#include <string>

#include "diag/device/device_messages.h"

namespace kel::diag {

std::string senseString(const StringSource& strings, std::uint8_t asc, std::uint8_t ascq);

}  // namespace kel::diag
