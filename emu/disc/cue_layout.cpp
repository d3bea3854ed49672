#include <algorithm>
#include <optional>

#include "emu/disc/cue_sheet.h"
#include "emu/disc/image_file.h"

namespace kel::emu {

namespace {

std::string trackName(const CueTrack& track) {
    return std::string(track.number < 10 ? "track 0" : "track ") + std::to_string(track.number);
}

// Lays the tracks of one file on the disc from `lba` on. A file is
// contiguous on the disc apart from unstored gaps: its sectors before the
// first track's first INDEX belong to that track's pregap, and each track
// runs to the next one's first INDEX, the last one to the end of the file.
class FileLayout {
public:
    FileLayout(const CueFile& file, std::size_t fileNumber, std::uint64_t size,
               const std::filesystem::path& origin)
        : file_(file), fileNumber_(fileNumber), size_(size), origin_(origin) {}

    std::optional<LoadError> place(std::int32_t& lba, std::vector<Track>& out) {
        std::uint64_t byte = 0;
        for (std::size_t k = 0; k < file_.tracks.size(); ++k) {
            const auto& cue = file_.tracks[k];
            const std::uint64_t sectorSize = storedSectorSize(cue.storage);
            const std::int32_t from = k == 0 ? 0 : cue.indexes.front().frame;
            std::uint64_t count = 0;
            if (k + 1 < file_.tracks.size()) {
                const auto& next = file_.tracks[k + 1].indexes.front();
                count = static_cast<std::uint64_t>(next.frame - from);
                if (byte + count * sectorSize > size_) {
                    return LoadError{origin_, next.line, truncated(byte + count * sectorSize)};
                }
            } else {
                const std::uint64_t rest = size_ > byte ? size_ - byte : 0;
                if (rest % sectorSize != 0) {
                    return LoadError{origin_, file_.line, notMultiple(cue, rest, byte == 0)};
                }
                count = rest / sectorSize;
                const auto& last = cue.indexes.back();
                if (static_cast<std::uint64_t>(last.frame - from) >= count) {
                    const auto need =
                        byte + (static_cast<std::uint64_t>(last.frame - from) + 1) * sectorSize;
                    return LoadError{origin_, last.line, truncated(need)};
                }
            }
            if (count > static_cast<std::uint64_t>(kMaxLeadOut)) {
                return tooLong(cue);
            }
            Track track;
            track.number = cue.number;
            track.format = cue.format;
            track.control = cue.flags | (cue.format == SectorFormat::Audio ? 0 : control::kData);
            track.isrc = cue.isrc;
            track.storage = cue.storage;
            track.file = fileNumber_;
            track.fileOffset = byte;
            track.byteSwapped = file_.motorola && cue.format == SectorFormat::Audio;
            track.pregapStart = lba;
            if (!advance(lba, cue.pregap)) {
                return tooLong(cue);
            }
            track.storedFrom = lba;
            for (const auto& index : cue.indexes) {
                const std::int32_t at = lba + (index.frame - from);
                if (index.number == 1) {
                    track.start = at;
                } else if (index.number > 1) {
                    track.furtherIndexes.push_back(at);
                }
            }
            if (!advance(lba, static_cast<std::int32_t>(count))) {
                return tooLong(cue);
            }
            track.storedTo = lba;
            if (!advance(lba, cue.postgap)) {
                return tooLong(cue);
            }
            track.end = lba;
            out.push_back(std::move(track));
            byte += count * sectorSize;
        }
        return std::nullopt;
    }

private:
    static bool advance(std::int32_t& lba, std::int32_t sectors) {
        lba += sectors;  // both at most kMaxLeadOut: no overflow
        return lba <= kMaxLeadOut;
    }

    LoadError tooLong(const CueTrack& track) const {
        return {origin_, track.line,
                trackName(track) + " ends beyond the longest disc a CD can hold (" +
                    std::to_string(kMaxLeadOut) + " sectors)"};
    }

    std::string truncated(std::uint64_t need) const {
        return "\"" + file_.name + "\" is truncated: it has " + std::to_string(size_) +
               " bytes, the tracks need at least " + std::to_string(need);
    }

    std::string notMultiple(const CueTrack& track, std::uint64_t rest, bool whole) const {
        const auto sectorSize = std::to_string(storedSectorSize(track.storage));
        if (whole) {
            return "the size of \"" + file_.name + "\" (" + std::to_string(rest) +
                   " bytes) is not a multiple of " + sectorSize + ", the sector size of " +
                   track.mode;
        }
        return "the part of \"" + file_.name + "\" from " + trackName(track) + " on (" +
               std::to_string(rest) + " bytes) is not a multiple of its " + sectorSize +
               "-byte sectors";
    }

    const CueFile& file_;
    std::size_t fileNumber_;
    std::uint64_t size_;
    const std::filesystem::path& origin_;
};

}  // namespace

std::variant<Disc, LoadError> layOutCueSheet(const CueSheet& sheet,
                                             const std::filesystem::path& origin,
                                             const FileSizeLookup& sizeOf) {
    Disc disc;
    disc.catalog = sheet.catalog;
    std::int32_t lba = 0;
    for (const auto& file : sheet.files) {
        const auto size = sizeOf(file.path);
        if (const auto* why = std::get_if<std::string>(&size)) {
            return LoadError{
                origin, file.line,
                "cannot open FILE \"" + file.name + "\" (" + file.path.string() + "): " + *why};
        }
        FileLayout layout(file, disc.files.size(), std::get<std::uint64_t>(size), origin);
        if (auto error = layout.place(lba, disc.tracks)) {
            return *error;
        }
        disc.files.push_back(file.path);
    }
    disc.leadOut = lba;
    describeSessions(disc);
    const bool xa = std::any_of(disc.tracks.begin(), disc.tracks.end(),
                                [](const Track& t) { return t.format == SectorFormat::Mode2; });
    disc.discType = xa ? 0x20 : 0x00;
    return disc;
}

std::variant<Disc, LoadError> parseCueSheet(std::string_view text,
                                            const std::filesystem::path& origin,
                                            const FileSizeLookup& sizeOf) {
    auto sheet = readCueStatements(text, origin);
    if (auto* error = std::get_if<LoadError>(&sheet)) {
        return std::move(*error);
    }
    return layOutCueSheet(std::get<CueSheet>(sheet), origin, sizeOf);
}

std::variant<Disc, LoadError> parseCueSheet(const std::string& text,
                                            const std::filesystem::path& origin) {
    return parseCueSheet(std::string_view(text), origin, regularFileSize);
}

}  // namespace kel::emu
