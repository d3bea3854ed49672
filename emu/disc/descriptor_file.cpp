#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "emu/disc/descriptor_values.h"
#include "emu/disc/disc_image.h"
#include "emu/disc/image_file.h"
#include "emu/disc/loader.h"
#include "emu/disc/text_lines.h"

namespace kel::emu {

namespace {

using descriptor::Problem;

// What the key lines fill in; relative paths are resolved against `folder`.
struct Reading {
    std::filesystem::path folder;
    DriveDescription drive;
    std::filesystem::path image;
    int imageLine = 0;
    int mountedFolderLine = 0;
};

using Apply = std::function<std::optional<Problem>(Reading&, std::string_view)>;

struct Key {
    std::string_view section;
    std::string_view name;
    Apply apply;
};

template <typename T, typename Target>
std::optional<Problem> store(std::variant<T, Problem> parsed, Target& target) {
    if (auto* problem = std::get_if<Problem>(&parsed)) {
        return std::move(*problem);
    }
    target = std::move(std::get<T>(parsed));
    return std::nullopt;
}

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

std::optional<Problem> resolvePath(std::string_view value, const std::filesystem::path& folder,
                                   std::filesystem::path& out) {
    if (value.empty()) {
        return Problem{"expected a path"};
    }
    const std::filesystem::path path(value);
    out = path.is_absolute() ? path : folder / path;
    return std::nullopt;
}

// The keys of this version. A later one adds its own keys to [disc]
// (medium, disc and session status, next writable address, sub-channel
// file), an [atip] section and [session N] sections, as
// docs/emulated-drive.md lays out.
const std::vector<Key>& keys() {
    static const std::vector<Key> table = {
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
        {"faults", "becoming-ready-polls",
         [](Reading& r, std::string_view v) {
             return store(descriptor::parseCount(v, 10000), r.drive.faults.becomingReadyPolls);
         }},
    };
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
            section_ = lower(trimBlanks(text.substr(1, text.size() - 2)));
            const bool known = std::any_of(keys().begin(), keys().end(),
                                           [&](const Key& k) { return k.section == section_; });
            if (!known) {
                return fail(line.number, "unknown section [" + section_ + "]");
            }
            return std::nullopt;
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
            return k.section == section_ && k.name == name;
        });
        if (key == keys().end()) {
            return fail(line.number, "unknown key \"" + name + "\" in [" + section_ + "]");
        }
        if (!seen_.insert(section_ + "/" + name).second) {
            return fail(line.number, "key \"" + name + "\" given twice in [" + section_ + "]");
        }
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

    std::variant<LoadedDrive, LoadError> finish() {
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
        return LoadedDrive{std::move(reading_.drive), std::move(std::get<Disc>(disc))};
    }

    const std::filesystem::path& origin_;
    Reading reading_;
    std::string section_;
    std::set<std::string> seen_;
};

}  // namespace

std::variant<LoadedDrive, LoadError> parseDescriptor(const std::string& text,
                                                     const std::filesystem::path& origin) {
    return DescriptorReader(origin).read(text);
}

}  // namespace kel::emu
