// The manufacturer file: a text file beside the program that names the
// maker of a recordable disc by the lead-in start time in its ATIP.
//
// Each line: a name starting with a letter and running to the first TAB,
// one or more TABs, then one or more codes "S.F" separated by TABs, the line
// ended by CR (LF follows; a bare LF, and the end of the text after the
// last row, are taken as well). S is the second of the lead-in start time
// 97:S:frame, F the tens digit of its frame.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kel::diag {

// The second and frame of a disc's lead-in start time; the minute is 97.
struct LeadInTime {
    int seconds = 0;
    int frame = 0;
};

struct ManufacturerLookup {
    enum class Result { Found, NotFound, Malformed };
    Result result = Result::NotFound;
    std::string name;  // Found
    // Malformed: 1 name without a TAB, 2 no code after the name, 3 no "."
    // after S, 4 F not followed by TAB or the line's end.
    int error = 0;
    int lineNumber = 0;  // 1-based line of the error
};

// The first name with a code that matches `time`. The text is parsed up to
// the matching code, so a malformed line behind it goes unnoticed.
ManufacturerLookup LookUpManufacturer(std::string_view text, LeadInTime time);

// The program file's name with the extension "mandb", in the program's
// folder; tests may point elsewhere (an empty path goes back).
std::filesystem::path ManufacturerFilePath();
void SetManufacturerFilePath(const std::filesystem::path& path);

}  // namespace kel::diag
