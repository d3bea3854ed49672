#include <algorithm>
#include <cctype>
#include <optional>

#include "emu/disc/cue_sheet.h"
#include "emu/disc/text_lines.h"

namespace kel::emu {

namespace {

constexpr int kMaxTrack = 99;
constexpr int kMaxIndex = 99;

struct TrackMode {
    std::string_view name;
    SectorFormat format;
    StorageFormat storage;
};

constexpr TrackMode kTrackModes[] = {
    {"AUDIO", SectorFormat::Audio, StorageFormat::Raw2352},
    {"MODE1/2048", SectorFormat::Mode1, StorageFormat::Cooked2048},
    {"MODE1/2352", SectorFormat::Mode1, StorageFormat::Raw2352},
    {"MODE2/2336", SectorFormat::Mode2, StorageFormat::Mode2_2336},
    {"MODE2/2352", SectorFormat::Mode2, StorageFormat::Raw2352},
};

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

std::optional<int> parseDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// Splits a statement into words; a double-quoted word may hold blanks.
std::optional<std::vector<std::string>> tokenize(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t') {
            ++i;
        } else if (text[i] == '"') {
            const auto close = text.find('"', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            words.emplace_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            const auto end = text.find_first_of(" \t", i);
            words.emplace_back(text.substr(i, end == std::string_view::npos ? end : end - i));
            i = end == std::string_view::npos ? text.size() : end;
        }
    }
    return words;
}

class StatementReader {
public:
    explicit StatementReader(const std::filesystem::path& origin) : origin_(origin) {}

    std::variant<CueSheet, LoadError> read(std::string_view text) {
        for (const auto& line : splitLines(text)) {
            if (line.text.empty()) {
                continue;
            }
            line_ = line.number;
            const auto words = tokenize(line.text);
            if (!words) {
                return fail("unterminated quoted name");
            }
            if (auto error = statement(*words)) {
                return *error;
            }
        }
        if (auto error = closeFile()) {
            return *error;
        }
        if (sheet_.files.empty()) {
            return LoadError{origin_, 0, "the sheet holds no FILE and no TRACK"};
        }
        return std::move(sheet_);
    }

private:
    using Words = std::vector<std::string>;
    using Result = std::optional<LoadError>;

    LoadError fail(std::string message) const { return {origin_, line_, std::move(message)}; }
    LoadError failAt(int line, std::string message) const {
        return {origin_, line, std::move(message)};
    }

    Result statement(const Words& words) {
        const auto command = upper(words[0]);
        if (command == "REM") {
            return std::nullopt;
        }
        // CD-Text is not part of the emulated disc; these lines are accepted
        // because almost every sheet written by a ripper carries them.
        if (command == "TITLE" || command == "PERFORMER" || command == "SONGWRITER" ||
            command == "CDTEXTFILE") {
            return std::nullopt;
        }
        if (command == "CATALOG") {
            return catalog(words);
        }
        if (command == "FILE") {
            return file(words);
        }
        if (command == "TRACK") {
            return track(words);
        }
        if (command == "INDEX") {
            return index(words);
        }
        if (command == "PREGAP" || command == "POSTGAP") {
            return gap(words, command == "PREGAP");
        }
        if (command == "FLAGS") {
            return flags(words);
        }
        if (command == "ISRC") {
            return isrc(words);
        }
        return fail("unknown command \"" + words[0] + "\"");
    }

    Result expectArguments(const Words& words, std::size_t count) const {
        if (words.size() != count + 1) {
            return fail(upper(words[0]) + " takes " + std::to_string(count) + " argument" +
                        (count == 1 ? "" : "s"));
        }
        return std::nullopt;
    }

    Result catalog(const Words& words) {
        if (auto error = expectArguments(words, 1)) {
            return error;
        }
        if (!sheet_.catalog.empty()) {
            return fail("CATALOG given twice");
        }
        const auto& number = words[1];
        if (number.size() != 13 || !std::all_of(number.begin(), number.end(),
                                                [](char c) { return c >= '0' && c <= '9'; })) {
            return fail("CATALOG \"" + number + "\" is not 13 digits");
        }
        sheet_.catalog = number;
        return std::nullopt;
    }

    Result file(const Words& words) {
        if (auto error = expectArguments(words, 2)) {
            return error;
        }
        if (trackOpen_ && startlessTrack()) {
            return fail("track " + std::to_string(currentTrack().number) +
                        " has no INDEX 01 before this FILE (a track must lie in one file)");
        }
        if (auto error = closeFile()) {
            return error;
        }
        const auto type = upper(words[2]);
        if (type == "WAVE" || type == "AIFF" || type == "MP3") {
            return fail("FILE type " + type + " is not supported (use BINARY raw samples)");
        }
        if (type != "BINARY" && type != "MOTOROLA") {
            return fail("unknown FILE type \"" + words[2] + "\"");
        }
        if (words[1].empty()) {
            return fail("FILE with an empty name");
        }
        CueFile entry;
        entry.name = words[1];
        const std::filesystem::path name(words[1]);
        entry.path = name.is_absolute() ? name : origin_.parent_path() / name;
        entry.line = line_;
        entry.motorola = type == "MOTOROLA";
        sheet_.files.push_back(std::move(entry));
        trackOpen_ = false;
        return std::nullopt;
    }

    Result track(const Words& words) {
        if (auto error = expectArguments(words, 2)) {
            return error;
        }
        if (sheet_.files.empty()) {
            return fail("TRACK before any FILE");
        }
        const auto number = parseDigits(words[1], 3);
        if (!number || *number < 1) {
            return fail("malformed track number \"" + words[1] + "\"");
        }
        if (*number > kMaxTrack) {
            return fail("track number " + std::to_string(*number) +
                        ": a disc holds no more than 99 tracks");
        }
        if (lastTrackNumber_ != 0 && *number != lastTrackNumber_ + 1) {
            return fail("track " + std::to_string(*number) + " out of order: expected track " +
                        std::to_string(lastTrackNumber_ + 1));
        }
        if (auto error = closeTrack()) {
            return error;
        }
        const auto mode = upper(words[2]);
        const auto known = std::find_if(std::begin(kTrackModes), std::end(kTrackModes),
                                        [&](const TrackMode& m) { return m.name == mode; });
        if (known == std::end(kTrackModes)) {
            return fail("unknown track mode \"" + words[2] + "\"");
        }
        CueTrack entry;
        entry.number = *number;
        entry.line = line_;
        entry.mode = known->name;
        entry.format = known->format;
        entry.storage = known->storage;
        currentFile().tracks.push_back(std::move(entry));
        lastTrackNumber_ = *number;
        trackOpen_ = true;
        postgapSeen_ = false;
        return std::nullopt;
    }

    Result index(const Words& words) {
        if (auto error = needTrack("INDEX")) {
            return error;
        }
        if (auto error = expectArguments(words, 2)) {
            return error;
        }
        if (postgapSeen_) {
            return fail("INDEX after POSTGAP");
        }
        const auto number = parseDigits(words[1], 2);
        if (!number || *number > kMaxIndex) {
            return fail("malformed index number \"" + words[1] + "\"");
        }
        std::int32_t frame = 0;
        if (auto error = parseTime(words[2], frame)) {
            return error;
        }
        auto& indexes = currentTrack().indexes;
        if (indexes.empty()) {
            if (*number > 1) {
                return fail("the first INDEX of a track must be 00 or 01");
            }
            if (const auto* previous = previousTrackInFile();
                previous && frame <= previous->indexes.back().frame) {
                return fail("track " + std::to_string(currentTrack().number) +
                            " starts before the last INDEX of the track before it");
            }
        } else {
            if (*number != indexes.back().number + 1) {
                return fail("INDEX " + words[1] + " out of order after INDEX " +
                            std::to_string(indexes.back().number));
            }
            if (frame <= indexes.back().frame) {
                return fail("INDEX " + words[1] + " at " + words[2] +
                            " does not lie after the INDEX before it");
            }
        }
        indexes.push_back({*number, frame, line_});
        return std::nullopt;
    }

    Result gap(const Words& words, bool pregap) {
        const char* name = pregap ? "PREGAP" : "POSTGAP";
        if (auto error = needTrack(name)) {
            return error;
        }
        if (auto error = expectArguments(words, 1)) {
            return error;
        }
        auto& track = currentTrack();
        if (pregap && !track.indexes.empty()) {
            return fail("PREGAP after an INDEX of its track");
        }
        if ((pregap && track.pregap != 0) || (!pregap && postgapSeen_)) {
            return fail(std::string(name) + " given twice");
        }
        std::int32_t frames = 0;
        if (auto error = parseTime(words[1], frames)) {
            return error;
        }
        (pregap ? track.pregap : track.postgap) = frames;
        postgapSeen_ = postgapSeen_ || !pregap;
        return std::nullopt;
    }

    Result flags(const Words& words) {
        if (auto error = needTrack("FLAGS")) {
            return error;
        }
        auto& track = currentTrack();
        if (flagsSeen_) {
            return fail("FLAGS given twice");
        }
        flagsSeen_ = true;
        for (std::size_t i = 1; i < words.size(); ++i) {
            const auto flag = upper(words[i]);
            const bool audioOnly = flag == "4CH" || flag == "PRE";
            if (flag == "DCP") {
                track.flags |= control::kCopyPermitted;
            } else if (flag == "4CH") {
                track.flags |= control::kFourChannel;
            } else if (flag == "PRE") {
                track.flags |= control::kPreEmphasis;
            } else if (flag != "SCMS") {  // serial copy management has no Q control bit
                return fail("unknown flag \"" + words[i] + "\"");
            }
            if (audioOnly && track.format != SectorFormat::Audio) {
                return fail("FLAGS " + flag + " applies to audio tracks only");
            }
        }
        return std::nullopt;
    }

    Result isrc(const Words& words) {
        if (auto error = needTrack("ISRC")) {
            return error;
        }
        if (auto error = expectArguments(words, 1)) {
            return error;
        }
        auto& track = currentTrack();
        if (!track.isrc.empty()) {
            return fail("ISRC given twice");
        }
        // Country (2) and owner (3) are letters or digits, year (2) and
        // serial (5) digits.
        const auto& code = words[1];
        bool valid = code.size() == 12;
        for (std::size_t i = 0; valid && i < code.size(); ++i) {
            const unsigned char c = code[i];
            valid = i < 5 ? (std::isdigit(c) || std::isupper(c)) : std::isdigit(c) != 0;
        }
        if (!valid) {
            return fail("ISRC \"" + code + "\" is not 5 letters or digits and 7 digits");
        }
        track.isrc = code;
        return std::nullopt;
    }

    Result parseTime(std::string_view text, std::int32_t& frames) const {
        const auto first = text.find(':');
        const auto second = first == std::string_view::npos ? first : text.find(':', first + 1);
        std::optional<int> m, s, f;
        if (second != std::string_view::npos) {
            m = parseDigits(text.substr(0, first), 2);
            s = parseDigits(text.substr(first + 1, second - first - 1), 2);
            f = parseDigits(text.substr(second + 1), 2);
        }
        if (!m || !s || !f) {
            return fail("malformed time \"" + std::string(text) + "\" (expected mm:ss:ff)");
        }
        if (*s >= 60) {
            return fail("time " + std::string(text) + " out of range: seconds must be below 60");
        }
        if (*f >= 75) {
            return fail("time " + std::string(text) + " out of range: frames must be below 75");
        }
        frames = (*m * 60 + *s) * 75 + *f;
        return std::nullopt;
    }

    Result needTrack(const char* command) const {
        if (!trackOpen_) {
            if (lastTrackNumber_ != 0) {
                return fail(std::string(command) + " after a new FILE but before its TRACK " +
                            "(a track must lie in one file)");
            }
            return fail(std::string(command) + " before any TRACK");
        }
        return std::nullopt;
    }

    Result closeTrack() {
        if (trackOpen_ && startlessTrack()) {
            return failAt(currentTrack().line,
                          "track " + std::to_string(currentTrack().number) + " has no INDEX 01");
        }
        trackOpen_ = false;
        flagsSeen_ = false;
        return std::nullopt;
    }

    Result closeFile() {
        if (auto error = closeTrack()) {
            return error;
        }
        if (!sheet_.files.empty() && currentFile().tracks.empty()) {
            return failAt(currentFile().line, "FILE \"" + currentFile().name + "\" has no TRACK");
        }
        return std::nullopt;
    }

    bool startlessTrack() const {
        const auto& indexes = currentTrack().indexes;
        return std::none_of(indexes.begin(), indexes.end(),
                            [](const CueIndex& index) { return index.number == 1; });
    }

    CueFile& currentFile() { return sheet_.files.back(); }
    const CueFile& currentFile() const { return sheet_.files.back(); }
    CueTrack& currentTrack() { return currentFile().tracks.back(); }
    const CueTrack& currentTrack() const { return currentFile().tracks.back(); }
    const CueTrack* previousTrackInFile() const {
        const auto& tracks = currentFile().tracks;
        return tracks.size() >= 2 ? &tracks[tracks.size() - 2] : nullptr;
    }

    const std::filesystem::path& origin_;
    CueSheet sheet_;
    int line_ = 0;
    int lastTrackNumber_ = 0;
    bool trackOpen_ = false;
    bool flagsSeen_ = false;
    bool postgapSeen_ = false;
};

}  // namespace

std::variant<CueSheet, LoadError> readCueStatements(std::string_view text,
                                                    const std::filesystem::path& origin) {
    return StatementReader(origin).read(text);
}

}  // namespace kel::emu
