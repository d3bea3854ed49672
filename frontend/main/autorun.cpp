#include "frontend/main/autorun.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kel::frontend {
namespace {

std::string upperCased(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

// A disc written on the desktop ends its lines with CR LF.
bool readLine(std::istream& file, std::string& line) {
    if (!std::getline(file, line)) {
        return false;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

void parseOpenLine(std::string line, AutorunEntry& entry) {
    if (line.find('=') == std::string::npos) {
        return;
    }
    std::string parameters;
    std::size_t blank = line.find(' ');
    while (blank != std::string::npos) {
        // The "=" moves left as blanks before it go; any blank past the one
        // right after it ends the name, so a one-letter name keeps its
        // parameters apart.
        if (blank > line.find('=') + 1) {
            parameters = line.substr(blank + 1);
            line.erase(blank);
            break;
        }
        line.erase(blank, 1);
        blank = line.find(' ');
    }
    entry.Program = line.substr(line.find('=') + 1);
    entry.Parameters = parameters;
}

}  // namespace

AutorunEntry ParseAutorun(std::istream& file) {
    AutorunEntry entry;
    std::string line;
    if (!readLine(file, line) || upperCased(line) != "[AUTORUN]") {
        return entry;
    }
    entry.IsAutorun = true;
    while (readLine(file, line)) {
        if (upperCased(line.substr(0, 4)) == "OPEN") {
            parseOpenLine(line, entry);
            break;
        }
    }
    return entry;
}

}  // namespace kel::frontend
