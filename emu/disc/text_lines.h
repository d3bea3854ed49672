// The line structure shared by the CUE sheet and descriptor parsers: numbered
// lines with CRLF, surrounding blanks and a leading UTF-8 byte-order mark
// removed, so that errors can name the line a user sees in an editor.
#pragma once

#include <string_view>
#include <vector>

namespace kel::emu {

struct TextLine {
    int number = 0;  // 1-based
    std::string_view text;
};

std::vector<TextLine> splitLines(std::string_view text);

std::string_view trimBlanks(std::string_view text);

}  // namespace kel::emu
