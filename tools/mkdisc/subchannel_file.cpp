#include "tools/mkdisc/subchannel_file.h"

#include <array>
#include <fstream>
#include <map>

#include "emu/sector/sector.h"

namespace kel::mkdisc {

namespace {

constexpr std::size_t kSubchannelSize = 96;
constexpr std::uint8_t kPBit = 0x80;
constexpr std::uint8_t kQBit = 0x40;
constexpr std::uint8_t kLeadOutTrack = 0xAA;
// The last packs of the disc reach this many sectors into the lead-out.
constexpr auto kLeadOutTail =
    static_cast<std::int32_t>((kMaxInterleaveDelay + kPacksPerSector - 1) / kPacksPerSector);

std::uint8_t controlOf(const TrackRecipe& track) {
    if (track.kind == TrackKind::Data) {
        return emu::control::kData;
    }
    std::uint8_t control = 0;
    control |= track.preEmphasis ? emu::control::kPreEmphasis : 0;
    control |= track.copyPermitted ? emu::control::kCopyPermitted : 0;
    control |= track.fourChannel ? emu::control::kFourChannel : 0;
    return control;
}

// Every CD+G pack of the disc by its pack number from LBA 0, before the
// interleave; packs not listed hold zeros (no graphics).
std::map<std::int64_t, CdgPack> discPacks(const Recipe& recipe, const DiscPlan& plan) {
    std::map<std::int64_t, CdgPack> packs;
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        const std::int64_t first = std::int64_t{plan.tracks[i].start} * kPacksPerSector;
        std::int64_t next = 0;
        for (const CdgInstruction& instruction : recipe.tracks[i].graphics) {
            next = instruction.atPack >= 0 ? instruction.atPack : next;
            for (int repeat = 0; repeat < instruction.count; ++repeat) {
                CdgData data = instruction.data;
                if (instruction.count > 1) {
                    data[1] = static_cast<std::uint8_t>(repeat);
                }
                packs[first + next++] = makeCdgPack(instruction.instruction, data);
            }
        }
    }
    return packs;
}

class SubchannelSectors {
public:
    SubchannelSectors(const Recipe& recipe, const DiscPlan& plan)
        : recipe_(recipe), plan_(plan), packs_(discPacks(recipe, plan)) {}

    std::array<std::uint8_t, kSubchannelSize> sector(std::int32_t lba) const {
        const emu::sector::QPosition where = position(lba);
        const auto q = emu::sector::qChannel(where);
        std::array<std::uint8_t, kSubchannelSize> out{};
        for (std::size_t i = 0; i < out.size(); ++i) {
            // P is set over the pregaps, where a simple player finds a track's start.
            out[i] = where.index == 0 ? kPBit : 0;
            if ((q[i / 8] >> (7 - i % 8)) & 1) {
                out[i] |= kQBit;
            }
            const std::int64_t pack = std::int64_t{lba} * kPacksPerSector + i / kPackSymbols;
            const InterleaveSource source = interleaveSource(i % kPackSymbols);
            out[i] |= symbol(pack - source.packsBack, source.symbol);
        }
        return out;
    }

private:
    std::uint8_t symbol(std::int64_t pack, std::size_t index) const {
        const auto found = packs_.find(pack);
        return found == packs_.end() ? 0 : found->second[index];
    }

    emu::sector::QPosition position(std::int32_t lba) const {
        emu::sector::QPosition position;
        position.absoluteLba = lba;
        if (lba >= plan_.leadOut) {
            position.control = controlOf(recipe_.tracks.back());
            position.track = kLeadOutTrack;
            position.relative = lba - plan_.leadOut;
            return position;
        }
        for (std::size_t i = 0; i < plan_.tracks.size(); ++i) {
            const TrackPlacement& placed = plan_.tracks[i];
            if (lba >= placed.pregapStart && lba < placed.end) {
                position.control = controlOf(recipe_.tracks[i]);
                position.track = static_cast<std::uint8_t>(placed.number);
                position.index = lba < placed.start ? 0 : 1;
                position.relative = lba - placed.start;
            }
        }
        return position;
    }

    const Recipe& recipe_;
    const DiscPlan& plan_;
    std::map<std::int64_t, CdgPack> packs_;
};

}  // namespace

bool needsSubchannel(const Recipe& recipe) {
    for (const TrackRecipe& track : recipe.tracks) {
        if (!track.graphics.empty()) {
            return true;
        }
    }
    return false;
}

std::optional<BuildError> writeSubchannelFile(const Recipe& recipe, const DiscPlan& plan,
                                              const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    SubchannelSectors sectors(recipe, plan);
    for (std::int32_t lba = 0; lba < plan.leadOut + kLeadOutTail && out; ++lba) {
        const auto sector = sectors.sector(lba);
        out.write(reinterpret_cast<const char*>(sector.data()),
                  static_cast<std::streamsize>(sector.size()));
    }
    out.close();
    if (!out) {
        return BuildError{file, 0, "cannot write the sub-channel file"};
    }
    return std::nullopt;
}

}  // namespace kel::mkdisc
