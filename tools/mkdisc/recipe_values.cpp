#include "tools/mkdisc/recipe_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "emu/disc/disc.h"

namespace kel::mkdisc {

namespace {

constexpr int kFramesPerSecond = 75;

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Exactly `text` as an unsigned decimal, with no sign, space or trailing junk.
std::optional<std::int64_t> wholeDecimal(std::string_view text) {
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The non-empty parts of `text` between any of `separators`.
std::vector<std::string_view> split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find_first_of(separators, start), text.size());
        if (const auto part = trim(text.substr(start, end - start)); !part.empty()) {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::optional<bool> parseYesNo(std::string_view text) {
    const std::string word = lower(text);
    if (word == "yes" || word == "true" || word == "on" || word == "1") {
        return true;
    }
    if (word == "no" || word == "false" || word == "off" || word == "0") {
        return false;
    }
    return std::nullopt;
}

std::optional<std::int64_t> parseInteger(std::string_view text, std::int64_t low,
                                         std::int64_t high) {
    std::optional<std::int64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        std::int64_t hex = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hex, 16);
        if (error == std::errc() && end == text.data() + text.size() && text.size() <= 8) {
            value = hex;
        }
    } else {
        value = wholeDecimal(text);
    }
    if (!value || *value < low || *value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int32_t> parseMsf(std::string_view text) {
    const auto first = text.find(':');
    const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos || text.find(':', second + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const auto m = wholeDecimal(text.substr(0, first));
    const auto s = wholeDecimal(text.substr(first + 1, second - first - 1));
    const auto f = wholeDecimal(text.substr(second + 1));
    if (!m || !s || !f || *m >= 100 || *s >= 60 || *f >= kFramesPerSecond) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>((*m * 60 + *s) * kFramesPerSecond + *f);
}

std::optional<std::int32_t> parseFrames(std::string_view text) {
    std::optional<std::int64_t> frames;
    if (!text.empty() && (text.back() == 's' || text.back() == 'S')) {
        const auto seconds = parseDecimal(text.substr(0, text.size() - 1), 0.0, 6000.0);
        if (seconds) {
            const double exact = *seconds * kFramesPerSecond;
            // Only lengths that land on a frame: 1.5s is 112.5 frames, not a length.
            if (std::fabs(exact - std::round(exact)) < 1e-6) {
                frames = static_cast<std::int64_t>(std::llround(exact));
            }
        }
    } else if (text.find(':') != std::string_view::npos) {
        frames = parseMsf(text);
    } else {
        frames = wholeDecimal(text);
    }
    if (!frames || *frames > emu::kMaxLeadOut) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*frames);
}

std::optional<std::vector<emu::LbaRange>> parseLbaRanges(std::string_view text) {
    std::vector<emu::LbaRange> ranges;
    for (const std::string_view part : split(text, ",")) {
        const auto dash = part.find('-');
        const auto first = parseInteger(trim(part.substr(0, dash)), 0, emu::kMaxLeadOut);
        const auto last = dash == std::string_view::npos
                              ? first
                              : parseInteger(trim(part.substr(dash + 1)), 0, emu::kMaxLeadOut);
        if (!first || !last || *first > *last) {
            return std::nullopt;
        }
        ranges.push_back({static_cast<std::int32_t>(*first), static_cast<std::int32_t>(*last)});
    }
    return ranges;
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    for (std::string_view part : split(text, ", \t")) {
        if (part.size() > 2 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
            part.remove_prefix(2);
        }
        unsigned value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value, 16);
        if (error != std::errc() || end != part.data() + part.size() || value > 0xFF) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

std::optional<WriteMethod> parseWriteMethod(std::string_view text) {
    if (text == "dao") {
        return WriteMethod::Dao;
    }
    if (text == "tao") {
        return WriteMethod::Tao;
    }
    if (text == "packet") {
        return WriteMethod::Packet;
    }
    return std::nullopt;
}

std::optional<std::int32_t> parsePacketSize(std::string_view text) {
    if (text == "variable") {
        return 0;
    }
    const auto size = parseInteger(text, 1, 65535);
    if (!size) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*size);
}

std::optional<double> parseDecimal(std::string_view text, double low, double high) {
    if (text.empty() || text.size() > 24 || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    double value = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace kel::mkdisc
