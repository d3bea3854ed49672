// The program's command-line switches: -C (read by the UDF reader) and
// -D with an optional value 1 to 15 that switches on debug mode (bit 0), log
// write-through (bit 1) and allocation tracing (bit 2). "/" may stand for
// "-", and the letter may be of either case.
#pragma once

#include <string_view>

namespace kel::diag {

// Sets the switches of every token; an empty line is fine. At the first
// token it does not recognise it shows message 206 with that token and gives
// false (the switches of the tokens before it stay set).
bool ParseCommandLine(std::string_view text);

}  // namespace kel::diag
