// One CD+G instruction as a recipe writes it (docs/mkdisc.md, "CD+G"):
//   [@TIME] NAME key=value ...
// for example "@2s tile row=3 column=10 colours=0,15 pixels=3F,21,21,...".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "tools/mkdisc/cdg_pack.h"

namespace kel::mkdisc {

struct CdgInstruction {
    int line = 0;
    std::int32_t atPack = -1;  // pack number from the track's index 1; -1: right after the last
    int count = 1;             // packs written (memory preset repeats, counting in data[1])
    std::uint8_t instruction = 0;
    CdgData data{};
};

// The instruction, or what is wrong with the text.
std::variant<CdgInstruction, std::string> parseCdgInstruction(std::string_view text);

}  // namespace kel::mkdisc
