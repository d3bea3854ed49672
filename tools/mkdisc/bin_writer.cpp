#include "tools/mkdisc/bin_writer.h"

#include <array>
#include <cstring>
#include <fstream>

#include "emu/sector/sector.h"
#include "tools/mkdisc/iso_image.h"
#include "tools/mkdisc/tone.h"

namespace kel::mkdisc {

namespace {

namespace fs = std::filesystem;
using RawSector = std::array<std::uint8_t, emu::sector::kRawSize>;

constexpr std::size_t kMode1Data = 16;
constexpr std::size_t kMode2Subheader = 16;
constexpr std::size_t kMode2Data = 24;

// CD-ROM XA subheader submode bits.
constexpr std::uint8_t kSubmodeEndOfRecord = 0x01;
constexpr std::uint8_t kSubmodeData = 0x08;
constexpr std::uint8_t kSubmodeEndOfFile = 0x80;

class TrackWriter {
public:
    TrackWriter(const fs::path& outputDir, const fs::path& isoFile)
        : outputDir_(outputDir), isoFile_(isoFile) {}

    std::optional<BuildError> write(const TrackRecipe& track, const TrackPlacement& placed,
                                    const std::string& binName) {
        if (auto failure = openBin(binName)) {
            return failure;
        }
        RawSector raw{};
        if (track.kind == TrackKind::Data) {
            std::ifstream iso(isoFile_, std::ios::binary);
            for (std::int32_t lba = placed.storedFrom; lba < placed.end; ++lba) {
                raw.fill(0);
                const std::size_t dataAt = track.mode == DataMode::Mode1 ? kMode1Data : kMode2Data;
                iso.read(reinterpret_cast<char*>(raw.data() + dataAt), kUserDataSize);
                if (!iso) {
                    return BuildError{isoFile_, 0,
                                      "shorter than the " + std::to_string(placed.end) +
                                          " sectors it had when made"};
                }
                if (track.mode == DataMode::Mode1) {
                    emu::sector::encodeMode1(raw, lba);
                } else {
                    encodeForm1(raw, lba, lba + 1 == placed.end);
                }
                put(raw);
            }
        } else {
            for (std::int32_t lba = placed.storedFrom; lba < placed.end; ++lba) {
                if (lba < placed.start) {
                    raw.fill(0);  // a stored audio pregap is digital silence
                } else {
                    synthesiseFrame(track.tone, lba - placed.start, raw);
                }
                put(raw);
            }
        }
        return checkBin();
    }

    std::optional<BuildError> finish() {
        if (!bin_.is_open()) {
            return std::nullopt;
        }
        bin_.close();
        return checkBin();
    }

private:
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
        const fs::path path = outputDir_ / name;
        if (bin_.is_open() && path == binPath_) {
            return std::nullopt;
        }
        if (auto failure = finish()) {
            return failure;
        }
        binPath_ = path;
        bin_.open(path, std::ios::binary | std::ios::trunc);
        return checkBin();
    }

    void put(const RawSector& raw) {
        bin_.write(reinterpret_cast<const char*>(raw.data()),
                   static_cast<std::streamsize>(raw.size()));
    }

    std::optional<BuildError> checkBin() {
        if (!bin_) {
            return BuildError{binPath_, 0, "cannot write the BIN file"};
        }
        return std::nullopt;
    }

    fs::path outputDir_;
    fs::path isoFile_;
    fs::path binPath_;
    std::ofstream bin_;
};

}  // namespace

std::optional<BuildError> writeBins(const Recipe& recipe, const DiscPlan& plan,
                                    const fs::path& outputDir, const fs::path& isoFile) {
    TrackWriter writer(outputDir, isoFile);
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackPlacement& placed = plan.tracks[i];
        if (auto failure = writer.write(recipe.tracks[i], placed, plan.binNames[placed.binFile])) {
            return failure;
        }
    }
    return writer.finish();
}

}  // namespace kel::mkdisc
