#include <algorithm>
#include <string_view>

#include "diag/disc/analysis/track_checks.h"

namespace kel::diag {
namespace {

constexpr std::string_view kDCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
constexpr std::string_view kAExtra = " !\"%&'()*+,-./:;<=>?";
constexpr std::string_view kDosTrouble = ":.,;=+\t ";

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

}  // namespace

int ClassifyIsoChars(std::string_view text, std::size_t maximum, bool fileNameMode) {
    text = text.substr(0, std::min({text.size(), maximum, text.find('\0')}));
    const std::size_t last = text.find_last_not_of(' ');
    if (last == std::string_view::npos) {
        return iso_chars::kBlank;
    }
    text = text.substr(0, last + 1);
    if (fileNameMode && text.size() > 2 && text[text.size() - 2] == ';') {
        text.remove_suffix(2);
    }
    int found = iso_chars::kDCharacters;
    bool dotSeen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (kDCharacters.find(c) != std::string_view::npos) {
            continue;
        }
        if (!fileNameMode && kAExtra.find(c) != std::string_view::npos) {
            found = std::max(found, iso_chars::kACharacters);
            continue;
        }
        if (fileNameMode && c == '.' && i > 0 && !dotSeen) {
            dotSeen = true;
            continue;
        }
        if (isLower(c) || kDosTrouble.find(c) != std::string_view::npos) {
            return iso_chars::kNotForDos;
        }
        found = iso_chars::kOther;
    }
    return found;
}

}  // namespace kel::diag
