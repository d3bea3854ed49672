// The lines of a hex dump in the debug log: offset, sixteen hex bytes and
// their characters, with runs of lines equal to the one before folded into
// one omission line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kel::diag {

inline constexpr std::size_t kMaxDumpBytes = 8192;

// The dump of every byte given (the caller has already bounded them).
std::vector<std::string> DumpLines(std::span<const std::uint8_t> bytes);

}  // namespace kel::diag
