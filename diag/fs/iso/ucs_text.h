// Joliet names and volume identifiers are big-endian UCS-2; the program's
// texts are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kel::diag {

// Converts byteLength / 2 characters (an odd last byte is ignored) into at
// most `maxBytes` bytes of `output`. False when nothing was converted, or
// when the text had to be cut to fit (at a whole character). A character
// that has no UTF-8 form (an unpaired surrogate) becomes '?'.
bool UcsToText(std::span<const std::uint8_t> ucs, std::size_t maxBytes, std::string& output);

}  // namespace kel::diag
