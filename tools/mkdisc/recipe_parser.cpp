#include "tools/mkdisc/recipe_parser.h"

#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "tools/mkdisc/recipe_check.h"
#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {

namespace {

enum class Section { None, Disc, Inquiry, Drive, Faults, Data, Audio };

using Problem = std::optional<std::string>;  // what is wrong with a line, if anything

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

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

Problem setInquiryText(std::string& target, std::string_view key, std::string_view value,
                       std::size_t width) {
    if (!printable(value) || value.size() > width) {
        return std::string(key) + " wants at most " + std::to_string(width) +
               " printable ASCII characters";
    }
    target = value;
    return std::nullopt;
}

// A path inside the disc: relative, '/'-separated, no empty, "." or ".." parts.
bool discPathOk(std::string_view path) {
    if (path.empty() || path.front() == '/' || path.back() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == ".." || !printable(part)) {
            return false;
        }
        start = slash + 1;
    }
    return true;
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
                return discKey(key, value);
            case Section::Inquiry:
                return inquiryKey(key, value);
            case Section::Drive:
                return driveKey(key, value);
            case Section::Faults:
                return faultsKey(key, value);
            case Section::Data:
                return dataKey(key, value, number);
            case Section::Audio:
                return audioKey(key, value);
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
                                                            {"faults", Section::Faults}};
        if (const auto found = once.find(name); found != once.end()) {
            if (!sectionsSeen_.insert(name).second) {
                return "[" + name + "] given twice";
            }
            section_ = found->second;
            return std::nullopt;
        }
        if (name == "data" || name == "audio") {
            section_ = name == "data" ? Section::Data : Section::Audio;
            TrackRecipe track;
            track.line = number;
            track.kind = name == "data" ? TrackKind::Data : TrackKind::Audio;
            recipe_.tracks.push_back(std::move(track));
            return std::nullopt;
        }
        return "unknown section [" + name + "] (known: disc, inquiry, drive, faults, data, audio)";
    }

    static bool repeatable(const std::string& key) { return key == "file" || key == "dir"; }

    Problem discKey(const std::string& key, std::string_view value) {
        if (key == "name") {
            if (value.empty() || value.front() == '.' || value.find('/') != value.npos ||
                !printable(value)) {
                return "name wants a plain file name";
            }
            recipe_.name = value;
        } else if (key == "layout") {
            if (value == "cd-rom") {
                recipe_.layout = Layout::CdRom;
            } else if (value == "audio") {
                recipe_.layout = Layout::Audio;
            } else if (value == "mixed") {
                recipe_.layout = Layout::Mixed;
            } else {
                return "layout wants cd-rom, audio or mixed, not '" + std::string(value) + "'";
            }
        } else if (key == "bin") {
            if (value == "single") {
                recipe_.binFiles = BinFiles::Single;
            } else if (value == "per-track") {
                recipe_.binFiles = BinFiles::PerTrack;
            } else {
                return "bin wants single or per-track, not '" + std::string(value) + "'";
            }
        } else if (key == "catalog") {
            if (value.size() != 13 || value.find_first_not_of("0123456789") != value.npos) {
                return "catalog wants 13 digits";
            }
            recipe_.catalog = value;
        } else {
            return "unknown key '" + key + "' in [disc]";
        }
        return std::nullopt;
    }

    Problem inquiryKey(const std::string& key, std::string_view value) {
        emu::DriveDescription& drive = recipe_.drive;
        if (key == "vendor") {
            return setInquiryText(drive.vendor, key, value, 8);
        }
        if (key == "product") {
            return setInquiryText(drive.product, key, value, 16);
        }
        if (key == "revision") {
            return setInquiryText(drive.revision, key, value, 4);
        }
        if (key == "date") {
            return setInquiryText(drive.date, key, value, 8);
        }
        return "unknown key '" + key + "' in [inquiry]";
    }

    Problem driveKey(const std::string& key, std::string_view value) {
        emu::DriveDescription& drive = recipe_.drive;
        if (key == "vendor-cdda-read") {
            return setYesNo(drive.vendorCddaRead, key, value);
        }
        if (key == "personality") {
            if (value == "mmc") {
                drive.personality = emu::Personality::Mmc;
            } else if (value == "scsi2") {
                drive.personality = emu::Personality::Scsi2;
            } else {
                return "personality wants mmc or scsi2, not '" + std::string(value) + "'";
            }
        } else if (key == "atip-on-pressed") {
            if (value == "invalid-field") {
                drive.atipOnPressed = emu::AtipOnPressed::IllegalField;
            } else if (value == "short-reply") {
                drive.atipOnPressed = emu::AtipOnPressed::ShortReply;
            } else {
                return "atip-on-pressed wants invalid-field or short-reply";
            }
        } else if (key == "error-recovery-changeable") {
            const auto mask = parseHexBytes(value);
            if (!mask || mask->size() != 1) {
                return "error-recovery-changeable wants one byte in hexadecimal (0xFF)";
            }
            drive.errorRecoveryChangeable = mask->front();
        } else {
            return "unknown key '" + key + "' in [drive]";
        }
        return std::nullopt;
    }

    Problem faultsKey(const std::string& key, std::string_view value) {
        emu::FaultSet& faults = recipe_.drive.faults;
        if (key == "hard" || key == "marginal" || key == "other") {
            const auto ranges = parseLbaRanges(value);
            if (!ranges) {
                return key + " wants LBAs and ranges first-last separated by commas";
            }
            (key == "hard"       ? faults.hard
             : key == "marginal" ? faults.marginal
                                 : faults.other) = *ranges;
        } else if (key == "reject-opcodes") {
            const auto opcodes = parseHexBytes(value);
            if (!opcodes) {
                return "reject-opcodes wants opcodes in hexadecimal (43, 0xBE)";
            }
            faults.rejectedOpcodes = *opcodes;
        } else if (key == "becoming-ready-polls") {
            const auto polls = parseInteger(value, 0, 10000);
            if (!polls) {
                return "becoming-ready-polls wants a count, 0 to 10000";
            }
            faults.becomingReadyPolls = static_cast<int>(*polls);
        } else {
            return "unknown key '" + key + "' in [faults]";
        }
        return std::nullopt;
    }

    // Keys that every track section takes.
    Problem trackKey(const std::string& key, std::string_view value, bool& known) {
        TrackRecipe& track = recipe_.tracks.back();
        known = true;
        if (key == "pregap") {
            const auto frames = parseFrames(value);
            if (!frames) {
                return "pregap wants frames, seconds (2s) or mm:ss:ff, not '" + std::string(value) +
                       "'";
            }
            track.pregap = *frames;
            return std::nullopt;
        }
        if (key == "pregap-stored") {
            return setYesNo(track.pregapStored, key, value);
        }
        known = false;
        return std::nullopt;
    }

    Problem dataKey(const std::string& key, std::string_view value, int number) {
        bool known = false;
        if (Problem problem = trackKey(key, value, known); known) {
            return problem;
        }
        TrackRecipe& track = recipe_.tracks.back();
        if (key == "mode") {
            if (value == "1") {
                track.mode = DataMode::Mode1;
            } else if (value == "2") {
                track.mode = DataMode::Mode2Form1;
            } else {
                return "mode wants 1 or 2 (XA form 1), not '" + std::string(value) + "'";
            }
        } else if (key == "folder") {
            if (value.empty()) {
                return "folder wants a path";
            }
            track.folder = recipe_.origin.parent_path() / std::filesystem::path(value);
            track.folderLine = number;
        } else if (key == "file") {
            return inlineFile(value, number);
        } else if (key == "dir") {
            if (!discPathOk(value)) {
                return "dir wants a relative path inside the disc, not '" + std::string(value) +
                       "'";
            }
            track.emptyDirs.emplace_back(value);
        } else if (key == "iso-level") {
            const auto level = parseInteger(value, 1, 3);
            if (!level) {
                return "iso-level wants 1, 2 or 3";
            }
            track.fileSystem.isoLevel = static_cast<int>(*level);
        } else if (key == "joliet") {
            return setYesNo(track.fileSystem.joliet, key, value);
        } else if (key == "rock-ridge") {
            return setYesNo(track.fileSystem.rockRidge, key, value);
        } else if (key == "volume-id") {
            // ECMA-119 8.4.6: 32 d-characters.
            if (value.empty() || value.size() > 32 ||
                value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") != value.npos) {
                return "volume-id wants 1 to 32 characters of A-Z, 0-9 and _";
            }
            track.fileSystem.volumeId = value;
        } else {
            return "unknown key '" + key + "' in [data]";
        }
        return std::nullopt;
    }

    // "path size=N" or "path text=rest of the line"; a path with blanks is
    // written in double quotes.
    Problem inlineFile(std::string_view value, int number) {
        InlineFile file;
        file.line = number;
        std::size_t pathEnd = 0;
        if (value.starts_with('"')) {
            const auto quote = value.find('"', 1);
            if (quote == value.npos) {
                return "file path has no closing '\"'";
            }
            file.path = value.substr(1, quote - 1);
            pathEnd = quote + 1;
        } else {
            pathEnd = std::min(value.find_first_of(" \t"), value.size());
            file.path = value.substr(0, pathEnd);
        }
        if (!discPathOk(file.path)) {
            return "file wants a relative path inside the disc, not '" + file.path + "'";
        }
        const std::string_view content = trim(value.substr(pathEnd));
        if (content.starts_with("size=")) {
            const auto size = parseInteger(content.substr(5), 0, std::int64_t{1} << 32);
            if (!size) {
                return "file size wants a byte count up to 4 GiB";
            }
            file.size = static_cast<std::uint64_t>(*size);
        } else if (content.starts_with("text=")) {
            file.hasText = true;
            file.text = content.substr(5);
            file.text += '\n';
        } else {
            return "file wants 'path size=N' or 'path text=...'";
        }
        recipe_.tracks.back().files.push_back(std::move(file));
        return std::nullopt;
    }

    Problem audioKey(const std::string& key, std::string_view value) {
        bool known = false;
        if (Problem problem = trackKey(key, value, known); known) {
            return problem;
        }
        TrackRecipe& track = recipe_.tracks.back();
        if (key == "length") {
            const auto frames = parseFrames(value);
            if (!frames || *frames == 0) {
                return "length wants frames, seconds (4s) or mm:ss:ff, more than 0";
            }
            track.length = *frames;
        } else if (key == "tone") {
            const auto hz = parseDecimal(value, 0.0, 22050.0);
            if (!hz) {
                return "tone wants a frequency in Hz, 0 (silence) to 22050";
            }
            track.tone.frequency = *hz;
        } else if (key == "level") {
            const auto level = parseDecimal(value, 0.0, 1.0);
            if (!level) {
                return "level wants a share of full scale, 0 to 1";
            }
            track.tone.level = *level;
        } else if (key == "pre-emphasis") {
            return setYesNo(track.preEmphasis, key, value);
        } else if (key == "copy") {
            return setYesNo(track.copyPermitted, key, value);
        } else if (key == "four-channel") {
            return setYesNo(track.fourChannel, key, value);
        } else if (key == "isrc") {
            track.isrc = value;
        } else {
            return "unknown key '" + key + "' in [audio]";
        }
        return std::nullopt;
    }

    Recipe recipe_;
    Section section_ = Section::None;
    std::set<std::string> seen_;          // keys of the current section
    std::set<std::string> sectionsSeen_;  // sections that come once
};

}  // namespace

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
