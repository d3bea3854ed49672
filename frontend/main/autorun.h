// The "[AUTORUN]" entry of a disc: which program its OPEN line names and with
// what parameters.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace kel::frontend {

struct AutorunEntry {
    // False when the first line is not exactly "[AUTORUN]" (upper-cased,
    // untrimmed): then nothing is to run.
    bool IsAutorun = false;
    // The program of the first OPEN line, as written on the disc; none when
    // there is no OPEN line.
    std::optional<std::string> Program;
    std::string Parameters;
};

// Blanks before the "=" and right after it are dropped; the first blank after
// that ends the program name and starts the parameters.
AutorunEntry ParseAutorun(std::istream& file);

}  // namespace kel::frontend
