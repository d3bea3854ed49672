#include "emu/disc/descriptor_values.h"

#include <algorithm>
#include <cctype>

#include "emu/disc/text_lines.h"

namespace kel::emu::descriptor {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::vector<std::string_view> splitOn(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at <= text.size()) {
        const auto end = text.find_first_of(separators, at);
        const auto part =
            trimBlanks(text.substr(at, end == std::string_view::npos ? end : end - at));
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (end == std::string_view::npos) {
            break;
        }
        at = end + 1;
    }
    return parts;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

std::variant<std::int32_t, Problem> parseLba(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty() || text.size() > 7) {
        return Problem{"\"" + std::string(text) + "\" is not an LBA"};
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return Problem{"\"" + std::string(text) + "\" is not an LBA"};
        }
        value = value * 10 + (c - '0');
    }
    if (value >= kMaxLeadOut) {
        return Problem{"LBA " + std::string(text) + " lies beyond any CD (at most " +
                       std::to_string(kMaxLeadOut - 1) + ")"};
    }
    return static_cast<std::int32_t>(value);
}

std::variant<sector::Msf, Problem> parseMsf(std::string_view text) {
    const auto wrong = [&] {
        return Problem{"expected MM:SS:FF (seconds below 60, frames below 75), not \"" +
                       std::string(text) + "\""};
    };
    const auto parts = splitOn(text, ":");
    if (parts.size() != 3 || text.size() != 8) {
        return wrong();
    }
    int values[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        auto value = parseCount(parts[i], 99);
        if (std::holds_alternative<Problem>(value) || parts[i].size() != 2) {
            return wrong();
        }
        values[i] = std::get<int>(value);
    }
    if (values[1] >= 60 || values[2] >= 75) {
        return wrong();
    }
    return sector::Msf{static_cast<std::uint8_t>(values[0]), static_cast<std::uint8_t>(values[1]),
                       static_cast<std::uint8_t>(values[2])};
}

std::variant<std::array<std::uint8_t, 3>, Problem> parseSense(std::string_view text) {
    const auto parts = splitOn(text, "/");
    std::array<std::uint8_t, 3> sense{};
    bool valid = parts.size() == 3 && std::count(text.begin(), text.end(), '/') == 2;
    for (std::size_t i = 0; valid && i < 3; ++i) {
        auto byte = parseHexByte(parts[i]);
        valid = std::holds_alternative<std::uint8_t>(byte);
        sense[i] = valid ? std::get<std::uint8_t>(byte) : 0;
    }
    if (!valid || sense[0] == 0 || sense[0] > 0x0F) {
        return Problem{"expected a sense as KEY/ASC/ASCQ in hexadecimal (key 1 to F), not \"" +
                       std::string(text) + "\""};
    }
    return sense;
}

std::variant<bool, Problem> parseSwitch(std::string_view text) {
    for (const auto on : {"on", "yes", "true", "1"}) {
        if (equalsIgnoringCase(text, on)) {
            return true;
        }
    }
    for (const auto off : {"off", "no", "false", "0"}) {
        if (equalsIgnoringCase(text, off)) {
            return false;
        }
    }
    return Problem{"expected on or off, not \"" + std::string(text) + "\""};
}

std::variant<int, Problem> parseCount(std::string_view text, int max) {
    int value = 0;
    bool valid = !text.empty() && text.size() <= 9;
    for (const char c : text) {
        valid = valid && c >= '0' && c <= '9';
        value = valid ? value * 10 + (c - '0') : 0;
    }
    if (!valid || value > max) {
        return Problem{"expected a number from 0 to " + std::to_string(max) + ", not \"" +
                       std::string(text) + "\""};
    }
    return value;
}

std::variant<std::uint8_t, Problem> parseHexByte(std::string_view text) {
    auto digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return hexDigit(c) >= 0; })) {
        return Problem{"expected a hexadecimal byte, not \"" + std::string(text) + "\""};
    }
    int value = 0;
    for (const char c : digits) {
        value = value * 16 + hexDigit(c);
    }
    return static_cast<std::uint8_t>(value);
}

std::variant<std::vector<std::uint8_t>, Problem> parseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (const auto part : splitOn(text, ", \t")) {
        auto byte = parseHexByte(part);
        if (auto* problem = std::get_if<Problem>(&byte)) {
            return std::move(*problem);
        }
        bytes.push_back(std::get<std::uint8_t>(byte));
    }
    return bytes;
}

std::variant<std::vector<LbaRange>, Problem> parseLbaRanges(std::string_view text) {
    std::vector<LbaRange> ranges;
    for (const auto part : splitOn(text, ",")) {
        const auto dash = part.find('-');
        auto first = parseLba(trimBlanks(part.substr(0, dash)));
        auto last =
            dash == std::string_view::npos ? first : parseLba(trimBlanks(part.substr(dash + 1)));
        for (auto* end : {&first, &last}) {
            if (auto* problem = std::get_if<Problem>(end)) {
                return std::move(*problem);
            }
        }
        const LbaRange range{std::get<std::int32_t>(first), std::get<std::int32_t>(last)};
        if (range.last < range.first) {
            return Problem{"range \"" + std::string(part) + "\" ends before it starts"};
        }
        ranges.push_back(range);
    }
    return ranges;
}

std::variant<std::string, Problem> parseAscii(std::string_view text, std::size_t maxLength) {
    if (text.size() > maxLength) {
        return Problem{"longer than " + std::to_string(maxLength) + " characters"};
    }
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) {
        return Problem{"only printable ASCII characters are allowed"};
    }
    return std::string(text);
}

std::variant<std::size_t, Problem> parseChoice(std::string_view text,
                                               const std::vector<std::string_view>& choices) {
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (equalsIgnoringCase(text, choices[i])) {
            return i;
        }
    }
    std::string expected = "expected ";
    for (std::size_t i = 0; i < choices.size(); ++i) {
        expected += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ");
        expected += choices[i];
    }
    return Problem{expected + ", not \"" + std::string(text) + "\""};
}

}  // namespace kel::emu::descriptor
