// The string table of the diagnostic program: every message, caption, button
// text and sense text, addressed by number, compiled in from strings.txt.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace kel::diag {

// Sense texts are the entries at this base plus the additional sense code.
inline constexpr int kSenseTextBase = 8000;

// The entry's whole text, or nothing when the table has no such id.
std::optional<std::string_view> StringTableEntry(int id);

// Every id of the table, ascending.
std::vector<int> StringTableIds();

}  // namespace kel::diag
