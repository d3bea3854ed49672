#include "tools/mkdisc/bin_writer.h"

#include <array>
#include <cstring>
#include <fstream>
#include <system_error>

#include "emu/sector/sector.h"
#include "tools/mkdisc/iso_image.h"
#include "tools/mkdisc/tone.h"

namespace kel::mkdisc {

namespace {

namespace stdfs = std::filesystem;
using RawSector = std::array<std::uint8_t, emu::sector::kRawSize>;

constexpr std::size_t kMode1Data = 16;
constexpr std::size_t kMode2Subheader = 16;
constexpr std::size_t kMode2Data = 24;

// CD-ROM XA subheader submode bits.
constexpr std::uint8_t kSubmodeEndOfRecord = 0x01;
constexpr std::uint8_t kSubmodeData = 0x08;
constexpr std::uint8_t kSubmodeEndOfFile = 0x80;

bool altered(const Recipe& recipe, std::int32_t lba) {
    for (const emu::LbaRange& range : recipe.altered) {
        if (range.contains(lba)) {
            return true;
        }
    }
    return false;
}

// An altered sector reads cleanly but differs: its user bytes are inverted
// before the check fields are computed.
void alter(std::span<std::uint8_t> bytes) {
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(~byte);
    }
}

class TrackWriter {
public:
    TrackWriter(const Recipe& recipe, const stdfs::path& outputDir)
        : recipe_(recipe), outputDir_(outputDir) {}

    std::optional<BuildError> write(const TrackRecipe& track, const TrackPlacement& placed,
                                    const std::string& binName, const stdfs::path& image) {
        if (auto failure = openBin(binName)) {
            return failure;
        }
        if (track.kind == TrackKind::Data) {
            return writeData(track, placed, image);
        }
        RawSector raw{};
        for (std::int32_t lba = placed.storedFrom; lba < placed.end; ++lba) {
            if (lba < placed.start || lba >= placed.writtenEnd) {
                hole();  // a stored audio pregap is digital silence; run-out holds nothing
                continue;
            }
            synthesiseFrame(track.tone, lba - placed.start, raw);
            if (altered(recipe_, lba)) {
                alter(raw);
            }
            put(raw);
        }
        return checkBin();
    }

    std::optional<BuildError> finish() {
        if (!bin_.is_open()) {
            return std::nullopt;
        }
        bin_.close();
        // Trailing holes: the file still has its full length.
        std::error_code error;
        stdfs::resize_file(binPath_, length_ * emu::sector::kRawSize, error);
        if (error || !bin_) {
            return BuildError{binPath_, 0, "cannot write the BIN file"};
        }
        return std::nullopt;
    }

private:
    std::optional<BuildError> writeData(const TrackRecipe& track, const TrackPlacement& placed,
                                        const stdfs::path& image) {
        std::ifstream in(image, std::ios::binary);
        RawSector raw{};
        const std::size_t dataAt = track.mode == DataMode::Mode1 ? kMode1Data : kMode2Data;
        const std::span<std::uint8_t> user(raw.data() + dataAt, kUserDataSize);
        for (std::int32_t lba = placed.storedFrom; lba < placed.end; ++lba) {
            if (lba < placed.dataStart || lba >= placed.writtenEnd) {
                hole();  // a session gap, or the run-out of a track-at-once track
                continue;
            }
            raw.fill(0);
            if (lba < placed.dataEnd) {
                in.read(reinterpret_cast<char*>(user.data()), kUserDataSize);
                if (!in) {
                    return BuildError{image, 0,
                                      "shorter than the " +
                                          std::to_string(placed.dataEnd - placed.dataStart) +
                                          " sectors it had when made"};
                }
            }
            if (altered(recipe_, lba)) {
                alter(user);
            }
            if (track.mode == DataMode::Mode1) {
                emu::sector::encodeMode1(raw, lba);
            } else {
                encodeForm1(raw, lba, lba + 1 == placed.writtenEnd);
            }
            put(raw);
        }
        return checkBin();
    }

    static void encodeForm1(RawSector& raw, std::int32_t lba, bool last) {
        std::uint8_t submode = kSubmodeData;
        if (last) {
            submode |= kSubmodeEndOfRecord | kSubmodeEndOfFile;
        }
        // File 0, channel 0, submode, coding 0; the subheader is written twice.
        const std::array<std::uint8_t, 4> subheader = {0, 0, submode, 0};
        std::memcpy(raw.data() + kMode2Subheader, subheader.data(), subheader.size());
        std::memcpy(raw.data() + kMode2Subheader + 4, subheader.data(), subheader.size());
        emu::sector::encodeMode2Form1(raw, lba);
    }

    std::optional<BuildError> openBin(const std::string& name) {
        const stdfs::path path = outputDir_ / name;
        if (bin_.is_open() && path == binPath_) {
            return std::nullopt;
        }
        if (auto failure = finish()) {
            return failure;
        }
        binPath_ = path;
        length_ = 0;
        bin_.open(path, std::ios::binary | std::ios::trunc);
        return checkBin();
    }

    void put(const RawSector& raw) {
        bin_.seekp(static_cast<std::streamoff>(length_ * emu::sector::kRawSize));
        bin_.write(reinterpret_cast<const char*>(raw.data()),
                   static_cast<std::streamsize>(raw.size()));
        ++length_;
    }

    void hole() { ++length_; }

    std::optional<BuildError> checkBin() {
        if (!bin_) {
            return BuildError{binPath_, 0, "cannot write the BIN file"};
        }
        return std::nullopt;
    }

    const Recipe& recipe_;
    stdfs::path outputDir_;
    stdfs::path binPath_;
    std::ofstream bin_;
    std::uintmax_t length_ = 0;  // sectors of the open BIN, holes included
};

}  // namespace

std::optional<BuildError> writeBins(const Recipe& recipe, const DiscPlan& plan,
                                    const stdfs::path& outputDir, const DataImage& dataImage) {
    TrackWriter writer(recipe, outputDir);
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackPlacement& placed = plan.tracks[i];
        const TrackRecipe& track = recipe.tracks[i];
        const stdfs::path image = track.kind == TrackKind::Data ? dataImage(i) : stdfs::path();
        if (auto failure = writer.write(track, placed, plan.binNames[placed.binFile], image)) {
            return failure;
        }
    }
    return writer.finish();
}

}  // namespace kel::mkdisc
