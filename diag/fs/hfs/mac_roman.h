// Names on an HFS volume are in the Mac's own character set; the program's
// texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kel::diag::hfs {

// Each byte as its Mac Roman character, in UTF-8; bytes below 0x80 are ASCII.
std::string MacRomanToText(std::string_view macRoman);

}  // namespace kel::diag::hfs
