#include "tools/mkdisc/cdg_instruction.h"

#include <cstdio>
#include <map>
#include <vector>

#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {

namespace {

using Fields = std::map<std::string, std::string, std::less<>>;
using Problem = std::optional<std::string>;

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        start = text.find_first_not_of(" \t", start);
        if (start == std::string_view::npos) {
            break;
        }
        const auto end = std::min(text.find_first_of(" \t", start), text.size());
        parts.push_back(text.substr(start, end - start));
        start = end;
    }
    return parts;
}

// Reads the key=value fields, each at most once and each one the
// instruction knows.
class FieldReader {
public:
    FieldReader(std::string name, const std::vector<std::string_view>& parts)
        : name_(std::move(name)) {
        for (std::size_t i = 1; i < parts.size() && !problem_; ++i) {
            const auto equals = parts[i].find('=');
            if (equals == std::string_view::npos || equals == 0) {
                problem_ = name_ + " wants key=value fields, not '" + std::string(parts[i]) + "'";
            } else if (!fields_.emplace(parts[i].substr(0, equals), parts[i].substr(equals + 1))
                            .second) {
                problem_ =
                    name_ + ": '" + std::string(parts[i].substr(0, equals)) + "' given twice";
            }
        }
    }

    // A number within [low, high]; `fallback` when absent and not required.
    std::uint8_t number(const std::string& key, int low, int high, std::optional<int> fallback) {
        const auto found = fields_.find(key);
        if (found == fields_.end()) {
            if (!fallback) {
                fail(name_ + " needs " + key + "=");
            }
            return static_cast<std::uint8_t>(fallback.value_or(0));
        }
        const std::string value = found->second;
        fields_.erase(found);
        const auto parsed = parseInteger(value, low, high);
        if (!parsed) {
            fail(name_ + ": " + key + " wants " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not '" + value + "'");
            return 0;
        }
        return static_cast<std::uint8_t>(*parsed);
    }

    // A word from `choices`, its index; absent: index 0.
    std::uint8_t choice(const std::string& key, const std::vector<std::string>& choices) {
        const auto found = fields_.find(key);
        if (found == fields_.end()) {
            return 0;
        }
        const std::string value = found->second;
        fields_.erase(found);
        for (std::size_t i = 0; i < choices.size(); ++i) {
            if (value == choices[i]) {
                return static_cast<std::uint8_t>(i);
            }
        }
        std::string list;
        for (const std::string& word : choices) {
            list += (list.empty() ? "" : ", ") + word;
        }
        fail(name_ + ": " + key + " wants one of " + list + ", not '" + value + "'");
        return 0;
    }

    // A comma-separated list of exactly `count` values in hexadecimal.
    std::vector<std::uint8_t> hexList(const std::string& key, std::size_t count,
                                      std::uint8_t highest) {
        const auto found = fields_.find(key);
        if (found == fields_.end()) {
            fail(name_ + " needs " + key + "=");
            return std::vector<std::uint8_t>(count);
        }
        const std::string value = found->second;
        fields_.erase(found);
        auto bytes = parseHexBytes(value);
        bool inRange = bytes && bytes->size() == count;
        for (std::size_t i = 0; inRange && i < count; ++i) {
            inRange = (*bytes)[i] <= highest;
        }
        if (!inRange) {
            char limit[8];
            std::snprintf(limit, sizeof limit, "%X", highest);
            fail(name_ + ": " + key + " wants " + std::to_string(count) +
                 " hexadecimal values 0 to " + limit + " separated by commas");
            return std::vector<std::uint8_t>(count);
        }
        return *bytes;
    }

    // The problem met so far, or a field nobody asked for.
    Problem finish() {
        if (!problem_ && !fields_.empty()) {
            problem_ = name_ + " has no field '" + fields_.begin()->first + "'";
        }
        return problem_;
    }

private:
    void fail(std::string problem) {
        if (!problem_) {
            problem_ = std::move(problem);
        }
    }

    std::string name_;
    Fields fields_;
    Problem problem_;
};

// Tile Block and Tile Block XOR. Rows up to 31 and columns up to 63 fit the
// symbols; values past the screen (row 17, column 49) are written as given,
// so that a disc can carry the faults a CD+G checker must report.
void tile(FieldReader& fields, CdgInstruction& out) {
    const auto colours = fields.hexList("colours", 2, 15);
    out.data[0] = colours[0];
    out.data[1] = colours[1];
    out.data[2] = fields.number("row", 0, 31, std::nullopt);
    out.data[3] = fields.number("column", 0, 63, std::nullopt);
    const auto pixels = fields.hexList("pixels", 12, 0x3F);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        out.data[4 + i] = pixels[i];
    }
}

// Scroll Preset and Scroll Copy: the command sits in bits 4-5, the offset
// below it.
void scroll(FieldReader& fields, CdgInstruction& out) {
    out.data[0] = fields.number("colour", 0, 15, 0);
    const std::uint8_t horizontal = fields.choice("h", {"none", "right", "left"});
    const std::uint8_t vertical = fields.choice("v", {"none", "down", "up"});
    out.data[1] = static_cast<std::uint8_t>(horizontal << 4 | fields.number("h-offset", 0, 7, 0));
    out.data[2] = static_cast<std::uint8_t>(vertical << 4 | fields.number("v-offset", 0, 15, 0));
}

// Eight colours as 3 hexadecimal digits each (red, green, blue: "F80"), two
// symbols per colour: red and the top of green, then the rest of green and blue.
Problem colours(const std::vector<std::string_view>& parts, CdgInstruction& out) {
    if (parts.size() != 9) {
        return std::string(parts[0]) + " wants 8 colours as RGB in hexadecimal (F80)";
    }
    for (std::size_t i = 0; i < 8; ++i) {
        const std::string_view rgb = parts[i + 1];
        const auto value =
            rgb.size() == 3 ? parseInteger("0x" + std::string(rgb), 0, 0xFFF) : std::nullopt;
        if (!value) {
            return std::string(parts[0]) + ": '" + std::string(rgb) +
                   "' is not a colour of 3 hexadecimal digits";
        }
        const unsigned red = (*value >> 8) & 15;
        const unsigned green = (*value >> 4) & 15;
        const unsigned blue = *value & 15;
        out.data[2 * i] = static_cast<std::uint8_t>(red << 2 | green >> 2);
        out.data[2 * i + 1] = static_cast<std::uint8_t>((green & 3) << 4 | blue);
    }
    return std::nullopt;
}

}  // namespace

std::variant<CdgInstruction, std::string> parseCdgInstruction(std::string_view text) {
    CdgInstruction out;
    auto parts = words(text);
    if (!parts.empty() && parts.front().starts_with('@')) {
        const auto frames = parseFrames(parts.front().substr(1));
        if (!frames) {
            return "'" + std::string(parts.front()) +
                   "' wants a time from the track's start: @frames, @2s or @mm:ss:ff";
        }
        out.atPack = *frames * static_cast<std::int32_t>(kPacksPerSector);
        parts.erase(parts.begin());
    }
    if (parts.empty()) {
        return std::string(
            "cdg wants an instruction: memory-preset, border-preset, tile, "
            "tile-xor, scroll-preset, scroll-copy, colours-low, colours-high");
    }
    const std::string name(parts.front());
    if (name == "colours-low" || name == "colours-high") {
        out.instruction = name == "colours-low" ? cdg::kLoadColoursLow : cdg::kLoadColoursHigh;
        if (Problem problem = colours(parts, out)) {
            return *problem;
        }
        return out;
    }
    FieldReader fields(name, parts);
    if (name == "memory-preset") {
        // Discs send it repeatedly so that a player joining late still clears
        // the screen; data[1] counts the repeats.
        out.instruction = cdg::kMemoryPreset;
        out.data[0] = fields.number("colour", 0, 15, std::nullopt);
        out.count = fields.number("repeat", 1, 16, 1);
    } else if (name == "border-preset") {
        out.instruction = cdg::kBorderPreset;
        out.data[0] = fields.number("colour", 0, 15, std::nullopt);
    } else if (name == "tile" || name == "tile-xor") {
        out.instruction = name == "tile" ? cdg::kTileBlock : cdg::kTileBlockXor;
        tile(fields, out);
    } else if (name == "scroll-preset" || name == "scroll-copy") {
        out.instruction = name == "scroll-preset" ? cdg::kScrollPreset : cdg::kScrollCopy;
        scroll(fields, out);
    } else {
        return "unknown CD+G instruction '" + name +
               "' (known: memory-preset, border-preset, tile, tile-xor, scroll-preset, "
               "scroll-copy, colours-low, colours-high)";
    }
    if (Problem problem = fields.finish()) {
        return *problem;
    }
    return out;
}

}  // namespace kel::mkdisc
