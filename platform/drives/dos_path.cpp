#include "dos_path.h"

#include <cctype>

namespace kel::drives {

bool hasDriveLetter(std::string_view text) {
    return text.size() >= 2 && text[1] == ':' &&
           ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

std::optional<DosPath> parseDosPath(std::string_view text) {
    if (!hasDriveLetter(text) || text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    DosPath path;
    path.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    text.remove_prefix(2);
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\\/");
        std::string_view part = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!path.components.empty()) {
                path.components.pop_back();
            }
            continue;
        }
        path.components.emplace_back(part);
    }
    return path;
}

}  // namespace kel::drives
