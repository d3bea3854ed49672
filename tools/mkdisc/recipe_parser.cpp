#include "tools/mkdisc/recipe_parser.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "tools/mkdisc/recipe_check.h"
#include "tools/mkdisc/recipe_keys.h"
#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {

namespace {

enum class Section { None, Disc, Inquiry, Drive, Faults, Atip, Data, Audio, Session };

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

class Parser {
public:
    explicit Parser(const std::filesystem::path& origin) {
        recipe_.origin = origin;
        recipe_.name = origin.stem().string();
    }

    Problem line(std::string_view text, int number) {
        text = trim(text);
        if (text.empty() || text.front() == '#' || text.front() == ';') {
            return std::nullopt;
        }
        if (text.front() == '[') {
            return header(text, number);
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            return "expected 'key = value' or a [section], not '" + std::string(text) + "'";
        }
        const std::string key(trim(text.substr(0, equals)));
        const std::string_view value = trim(text.substr(equals + 1));
        if (section_ == Section::None) {
            return "'" + key + "' comes before any [section]";
        }
        if (!repeatable(key) && !seen_.insert(key).second) {
            return "'" + key + "' given twice in this section";
        }
        switch (section_) {
            case Section::Disc:
                return discKey(recipe_, key, value, number);
            case Section::Inquiry:
                return inquiryKey(recipe_.drive, key, value);
            case Section::Drive:
                return driveKey(recipe_.drive, key, value);
            case Section::Faults:
                return faultsKey(recipe_.drive.faults, key, value);
            case Section::Atip:
                return atipKey(*recipe_.atip, key, value);
            case Section::Data:
                return dataKey(recipe_, key, value, number);
            case Section::Audio:
                return audioKey(recipe_, key, value, number);
            case Section::Session:
                return sessionKey(recipe_.sessions.back(), key, value);
            case Section::None:
                break;
        }
        return std::nullopt;
    }

    Recipe take() { return std::move(recipe_); }

private:
    Problem header(std::string_view text, int number) {
        if (text.back() != ']') {
            return "a section header ends with ']'";
        }
        const std::string name(trim(text.substr(1, text.size() - 2)));
        seen_.clear();
        static const std::map<std::string, Section> once = {{"disc", Section::Disc},
                                                            {"inquiry", Section::Inquiry},
                                                            {"drive", Section::Drive},
                                                            {"faults", Section::Faults},
                                                            {"atip", Section::Atip}};
        if (const auto found = once.find(name); found != once.end()) {
            if (!sectionsSeen_.insert(name).second) {
                return "[" + name + "] given twice";
            }
            section_ = found->second;
            if (section_ == Section::Atip) {
                recipe_.atip.emplace().line = number;
            }
            return std::nullopt;
        }
        if (name == "data" || name == "audio") {
            section_ = name == "data" ? Section::Data : Section::Audio;
            TrackRecipe track;
            track.line = number;
            track.kind = name == "data" ? TrackKind::Data : TrackKind::Audio;
            track.session = static_cast<int>(recipe_.sessions.size()) + 1;
            recipe_.tracks.push_back(std::move(track));
            return std::nullopt;
        }
        if (name == "session") {
            // A session starts with the tracks that follow; the first starts by itself.
            if (recipe_.tracks.empty() ||
                recipe_.tracks.back().session != static_cast<int>(recipe_.sessions.size()) + 1) {
                return "[session] starts the next session: it comes after a track of the one "
                       "before";
            }
            section_ = Section::Session;
            recipe_.sessions.push_back(SessionRecipe{number, true});
            return std::nullopt;
        }
        return "unknown section [" + name +
               "] (known: disc, inquiry, drive, faults, atip, data, audio, session)";
    }

    static bool repeatable(const std::string& key) {
        return key == "file" || key == "dir" || key == "cdg";
    }

    Recipe recipe_;
    Section section_ = Section::None;
    std::set<std::string> seen_;          // keys of the current section
    std::set<std::string> sectionsSeen_;  // sections that come once
};

}  // namespace

bool printable(std::string_view text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

Problem setYesNo(bool& target, std::string_view key, std::string_view value) {
    const auto parsed = parseYesNo(value);
    if (!parsed) {
        return std::string(key) + " wants yes or no, not '" + std::string(value) + "'";
    }
    target = *parsed;
    return std::nullopt;
}

std::variant<Recipe, BuildError> parseRecipe(const std::string& text,
                                             const std::filesystem::path& origin) {
    Parser parser(origin);
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (Problem problem = parser.line(line, number)) {
            return BuildError{origin, number, *problem};
        }
    }
    Recipe recipe = parser.take();
    if (auto error = checkRecipe(recipe)) {
        return *error;
    }
    return recipe;
}

std::variant<Recipe, BuildError> readRecipe(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return BuildError{file, 0, "cannot open the recipe"};
    }
    std::ostringstream content;
    content << in.rdbuf();
    return parseRecipe(content.str(), file);
}

}  // namespace kel::mkdisc
