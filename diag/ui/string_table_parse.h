// Reading the text form of the string table (strings.txt): an entry a line,
// the decimal id, a TAB and the text with its escapes.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kel::diag {

struct ParsedStringTable {
    std::map<int, std::string> entries;
    // One text per line that could not be read (its number and why).
    std::vector<std::string> errors;
};

ParsedStringTable ParseStringTable(std::string_view text);

}  // namespace kel::diag
