// Command lines split as the desktop C runtime splits them, so that a program
// started with "prog \"a b\" c" sees the arguments its author expected.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kel::process {

// The program name (the first token): double quotes group and are dropped,
// backslashes are plain characters (they are the path separator), and the
// name ends at the first blank or tab outside quotes.
// The arguments after it: blanks and tabs separate, double quotes group, ""
// inside quotes is a literal quote, 2n backslashes before a quote give n
// backslashes and a grouping quote, 2n+1 give n backslashes and a literal
// quote, and backslashes before anything else stay as they are.
std::vector<std::string> splitCommandLine(std::string_view line);

// The same rules for the arguments only (a parameter text with no program name).
std::vector<std::string> splitArguments(std::string_view text);

}  // namespace kel::process
