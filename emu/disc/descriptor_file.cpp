#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "emu/disc/descriptor_keys.h"
#include "emu/disc/descriptor_values.h"
#include "emu/disc/disc_image.h"
#include "emu/disc/image_file.h"
#include "emu/disc/loader.h"
#include "emu/disc/recording.h"
#include "emu/disc/text_lines.h"

namespace kel::emu {

std::optional<Problem> resolvePath(std::string_view value, const std::filesystem::path& folder,
                                   std::filesystem::path& out) {
    if (value.empty()) {
        return Problem{"expected a path"};
    }
    const std::filesystem::path path(value);
    out = path.is_absolute() ? path : folder / path;
    return std::nullopt;
}

namespace {

Apply ascii(std::string DriveDescription::*field, std::size_t maxLength) {
    return [=](Reading& r, std::string_view v) {
        return store(descriptor::parseAscii(v, maxLength), r.drive.*field);
    };
}

Apply ranges(std::vector<LbaRange> FaultSet::*field) {
    return [=](Reading& r, std::string_view v) {
        return store(descriptor::parseLbaRanges(v), r.drive.faults.*field);
    };
}

// The keys of this version, as docs/emulated-drive.md lists them.
const std::vector<Key>& keys() {
    static const std::vector<Key> table = [] {
        std::vector<Key> all = {
            {"disc", "image",
             [](Reading& r, std::string_view v) { return resolvePath(v, r.folder, r.image); }},
            {"disc", "mounted-folder",
             [](Reading& r, std::string_view v) {
                 return resolvePath(v, r.folder, r.drive.mountedFolder);
             }},
            {"disc", "volume-label", ascii(&DriveDescription::volumeLabel, 32)},
            {"inquiry", "vendor", ascii(&DriveDescription::vendor, 8)},
            {"inquiry", "product", ascii(&DriveDescription::product, 16)},
            {"inquiry", "revision", ascii(&DriveDescription::revision, 4)},
            {"inquiry", "date", ascii(&DriveDescription::date, 8)},
            {"drive", "personality",
             [](Reading& r, std::string_view v) -> std::optional<Problem> {
                 std::size_t choice = 0;
                 auto problem = store(descriptor::parseChoice(v, {"mmc", "scsi2"}), choice);
                 r.drive.personality = choice == 0 ? Personality::Mmc : Personality::Scsi2;
                 return problem;
             }},
            {"drive", "vendor-cdda-read",
             [](Reading& r, std::string_view v) {
                 return store(descriptor::parseSwitch(v), r.drive.vendorCddaRead);
             }},
            {"drive", "atip-on-pressed",
             [](Reading& r, std::string_view v) -> std::optional<Problem> {
                 std::size_t choice = 0;
                 auto problem =
                     store(descriptor::parseChoice(v, {"invalid-field", "short-reply"}), choice);
                 r.drive.atipOnPressed =
                     choice == 0 ? AtipOnPressed::IllegalField : AtipOnPressed::ShortReply;
                 return problem;
             }},
            {"drive", "error-recovery-changeable",
             [](Reading& r, std::string_view v) {
                 return store(descriptor::parseHexByte(v), r.drive.errorRecoveryChangeable);
             }},
            {"faults", "hard", ranges(&FaultSet::hard)},
            {"faults", "marginal", ranges(&FaultSet::marginal)},
            {"faults", "other", ranges(&FaultSet::other)},
            {"faults", "reject-opcodes",
             [](Reading& r, std::string_view v) {
                 return store(descriptor::parseHexBytes(v), r.drive.faults.rejectedOpcodes);
             }},
            {"faults", "becoming-ready-polls", [](Reading& r, std::string_view v) {
                 return store(descriptor::parseCount(v, 10000), r.drive.faults.becomingReadyPolls);
             }}};
        const auto& recording = recordingKeys();
        all.insert(all.end(), recording.begin(), recording.end());
        return all;
    }();
    return table;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

class DescriptorReader {
public:
    explicit DescriptorReader(const std::filesystem::path& origin) : origin_(origin) {
        reading_.folder = origin.parent_path();
    }

    std::variant<LoadedDrive, LoadError> read(std::string_view text) {
        for (const auto& line : splitLines(text)) {
            if (auto error = readLine(line)) {
                return std::move(*error);
            }
        }
        return finish();
    }

private:
    LoadError fail(int line, std::string message) const {
        return {origin_, line, std::move(message)};
    }

    std::optional<LoadError> readLine(const TextLine& line) {
        const auto text = line.text;
        if (text.empty() || text[0] == '#' || text[0] == ';') {
            return std::nullopt;
        }
        if (text[0] == '[') {
            if (text.back() != ']') {
                return fail(line.number, "malformed section header (expected [name])");
            }
            return enterSection(lower(trimBlanks(text.substr(1, text.size() - 2))), line.number);
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            return fail(line.number, "expected key = value");
        }
        const auto name = lower(trimBlanks(text.substr(0, equals)));
        const auto value = trimBlanks(text.substr(equals + 1));
        if (section_.empty()) {
            return fail(line.number, "key \"" + name + "\" outside a section");
        }
        const auto key = std::find_if(keys().begin(), keys().end(), [&](const Key& k) {
            return k.section == sectionKind_ && k.name == name;
        });
        if (key == keys().end()) {
            return fail(line.number, "unknown key \"" + name + "\" in [" + section_ + "]");
        }
        if (!seen_.insert(section_ + "/" + name).second) {
            return fail(line.number, "key \"" + name + "\" given twice in [" + section_ + "]");
        }
        reading_.line = line.number;
        if (auto problem = key->apply(reading_, value)) {
            return fail(line.number, name + ": " + problem->text);
        }
        if (name == "image") {
            reading_.imageLine = line.number;
        } else if (name == "mounted-folder") {
            reading_.mountedFolderLine = line.number;
        }
        return std::nullopt;
    }

    // [name] or, for tracks and sessions, [name N].
    std::optional<LoadError> enterSection(const std::string& header, int line) {
        const auto blank = header.find(' ');
        sectionKind_ = header.substr(0, blank);
        const std::string number =
            blank == std::string::npos ? "" : std::string(trimBlanks(header.substr(blank)));
        const bool known = std::any_of(keys().begin(), keys().end(),
                                       [&](const Key& k) { return k.section == sectionKind_; });
        if (!known) {
            return fail(line, "unknown section [" + header + "]");
        }
        const bool isTrack = sectionKind_ == "track";
        const bool numbered = isTrack || sectionKind_ == "session";
        if (!numbered) {
            if (!number.empty()) {
                return fail(line, "section [" + sectionKind_ + "] takes no number");
            }
            section_ = sectionKind_;
            if (section_ == "atip" && reading_.recording.atipLine == 0) {
                reading_.recording.atipLine = line;
            }
            return std::nullopt;
        }
        const int lowest = isTrack ? 1 : 2;
        int n = 0;
        if (std::holds_alternative<Problem>(descriptor::parseCount(number, 99)) ||
            (n = std::get<int>(descriptor::parseCount(number, 99))) < lowest) {
            return fail(line, "[" + sectionKind_ + " N] needs N from " + std::to_string(lowest) +
                                  " to 99, not \"" + number + "\"");
        }
        section_ = sectionKind_ + " " + std::to_string(n);
        auto& recording = reading_.recording;
        const bool repeated =
            isTrack ? std::any_of(recording.tracks.begin(), recording.tracks.end(),
                                  [n](const TrackRecording& t) { return t.number == n; })
                    : std::any_of(recording.sessions.begin(), recording.sessions.end(),
                                  [n](const SessionStart& s) { return s.number == n; });
        if (repeated) {
            return fail(line, "section [" + section_ + "] given twice");
        }
        if (isTrack) {
            TrackRecording track;
            track.number = n;
            track.line = line;
            recording.tracks.push_back(track);
        } else {
            SessionStart session;
            session.number = n;
            session.line = line;
            recording.sessions.push_back(session);
        }
        return std::nullopt;
    }

    std::optional<LoadError> checkSubchannel() const {
        const auto& file = reading_.recording.subchannel;
        if (!file.given()) {
            return std::nullopt;
        }
        const auto size = regularFileSize(file.value);
        if (const auto* why = std::get_if<std::string>(&size)) {
            return fail(file.line,
                        "subchannel: cannot open \"" + file.value.string() + "\": " + *why);
        }
        if (std::get<std::uint64_t>(size) % kSubChannelSize != 0) {
            return fail(file.line, "subchannel: \"" + file.value.string() + "\" is " +
                                       std::to_string(std::get<std::uint64_t>(size)) +
                                       " bytes, not a whole number of 96-byte sectors");
        }
        return std::nullopt;
    }

    std::variant<LoadedDrive, LoadError> finishRecording(Disc disc) {
        if (auto problem = applyRecording(reading_.recording, disc)) {
            return fail(problem->line, problem->text);
        }
        return LoadedDrive{std::move(reading_.drive), std::move(disc)};
    }

    std::variant<LoadedDrive, LoadError> finish() {
        const Recording& recording = reading_.recording;
        if (auto problem = checkRecordingKeys(recording)) {
            return fail(problem->line, problem->text);
        }
        if (auto error = checkSubchannel()) {
            return std::move(*error);
        }
        if (recording.status.value == DiscStatus::Blank) {
            if (reading_.imageLine != 0) {
                return fail(reading_.imageLine, "image: a blank disc has no image");
            }
            return finishRecording(Disc{});
        }
        if (reading_.imageLine == 0) {
            return fail(0, "no image named (expected \"image = ...\" in [disc])");
        }
        const auto extension = lowerExtension(reading_.image);
        if (extension != ".iso" && extension != ".cue") {
            return fail(reading_.imageLine, "image: \"" + reading_.image.string() +
                                                "\" is neither an .iso nor a .cue file");
        }
        const auto size = regularFileSize(reading_.image);
        if (const auto* why = std::get_if<std::string>(&size)) {
            return fail(reading_.imageLine,
                        "image: cannot open \"" + reading_.image.string() + "\": " + *why);
        }
        std::error_code error;
        if (reading_.mountedFolderLine != 0 &&
            !std::filesystem::is_directory(reading_.drive.mountedFolder, error)) {
            return fail(reading_.mountedFolderLine, "mounted-folder: \"" +
                                                        reading_.drive.mountedFolder.string() +
                                                        "\" is not a folder");
        }
        auto disc = loadDiscImage(reading_.image);
        if (auto* failure = std::get_if<LoadError>(&disc)) {
            return std::move(*failure);
        }
        return finishRecording(std::move(std::get<Disc>(disc)));
    }

    const std::filesystem::path& origin_;
    Reading reading_;
    std::string section_;      // as it names itself in errors: "disc", "track 3"
    std::string sectionKind_;  // its name without the number
    std::set<std::string> seen_;
};

}  // namespace

std::variant<LoadedDrive, LoadError> parseDescriptor(const std::string& text,
                                                     const std::filesystem::path& origin) {
    return DescriptorReader(origin).read(text);
}

}  // namespace kel::emu
