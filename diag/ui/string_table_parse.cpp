#include "diag/ui/string_table_parse.h"

#include <charconv>
#include <optional>

namespace kel::diag {
namespace {

constexpr int kMaxId = 65535;

// Decodes \n, \t, \b (the analysis lines' bold code) and \\; any other
// escape makes the line unreadable.
std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

}  // namespace

ParsedStringTable ParseStringTable(std::string_view text) {
    ParsedStringTable table;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto fail = [&](std::string_view why) {
            table.errors.push_back("line " + std::to_string(lineNumber) + ": " + std::string(why));
        };
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            fail("no TAB after the id");
            continue;
        }
        int id = 0;
        const auto [rest, ec] = std::from_chars(line.data(), line.data() + tab, id);
        if (ec != std::errc() || rest != line.data() + tab || id < 1 || id > kMaxId) {
            fail("the id is not a number from 1 to 65535");
            continue;
        }
        std::optional<std::string> value = unescape(line.substr(tab + 1));
        if (!value) {
            fail("unknown escape");
            continue;
        }
        if (!table.entries.emplace(id, std::move(*value)).second) {
            fail("id " + std::to_string(id) + " appears twice");
        }
    }
    return table;
}

}  // namespace kel::diag
