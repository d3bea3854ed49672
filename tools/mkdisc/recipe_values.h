// The value forms a recipe line may hold. Each returns nullopt for text it
// does not accept; the caller names the line and says what was expected.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "emu/disc/descriptor.h"
#include "tools/mkdisc/recipe.h"

namespace kel::mkdisc {

std::optional<bool> parseYesNo(std::string_view text);  // yes/no, true/false, on/off, 1/0

// A decimal integer (or 0x-prefixed hexadecimal) within [low, high].
std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high);

// A length on the disc: "300" (frames), "4s" or "1.5s" (seconds, a whole
// number of frames), or "mm:ss:ff".
std::optional<std::int32_t> parseFrames(std::string_view text);

// LBAs and ranges "first-last" (first <= last), separated by commas:
// "1000-1010, 5000", as the drive descriptor writes them.
std::optional<std::vector<emu::LbaRange>> parseLbaRanges(std::string_view text);

// Bytes in hexadecimal with or without 0x, separated by commas or blanks:
// "43, 0xBE".
std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text);

// A positive frequency in Hz or a level in [0, 1]: plain decimals.
std::optional<double> parseDecimal(std::string_view text, double low, double high);

// dao, tao or packet.
std::optional<WriteMethod> parseWriteMethod(std::string_view text);

// A fixed packet size in user blocks, 1 to 65535, or "variable" (0).
std::optional<std::int32_t> parsePacketSize(std::string_view text);

// A time on the disc as mm:ss:ff (seconds below 60, frames below 75).
std::optional<std::int32_t> parseMsf(std::string_view text);

}  // namespace kel::mkdisc
