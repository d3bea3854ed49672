// Message ids that every process agrees on by name.
#pragma once

#include <cstdint>
#include <string_view>

namespace kel::link {

// The id for `name`, in 0xC000..0xFFFF, the same in every process that uses the
// same link folder; names compare case-insensitively (ASCII). Ids are handed
// out in order from a name table in the link folder under a file lock, so two
// different names never share an id. Returns 0 (with a log line) for an empty
// name, a name holding a line break or NUL, a full table, or an unusable folder.
std::uint32_t registerMessage(std::string_view name);

}  // namespace kel::link
