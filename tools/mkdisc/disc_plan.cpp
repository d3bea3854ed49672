#include "tools/mkdisc/disc_plan.h"

#include "emu/disc/disc.h"

namespace kel::mkdisc {

namespace {

std::string binName(const Recipe& recipe, int trackNumber) {
    if (recipe.binFiles == BinFiles::Single) {
        // libcdio finds a single-file image's BIN by the CUE's base name.
        return recipe.name + ".bin";
    }
    std::string number = std::to_string(trackNumber);
    return recipe.name + (number.size() < 2 ? "-0" : "-") + number + ".bin";
}

std::int32_t roundUp(std::int32_t value, std::int32_t unit) {
    return (value + unit - 1) / unit * unit;
}

class Planner {
public:
    Planner(const Recipe& recipe, const MakeDataTrack& makeData)
        : recipe_(recipe), makeData_(makeData) {}

    std::optional<BuildError> place(std::size_t index) {
        const TrackRecipe& track = recipe_.tracks[index];
        TrackPlacement placed;
        placed.number = static_cast<int>(index) + 1;
        placed.session = track.session;
        placed.pregapStart = next_;
        const bool opensSession = index == 0 || recipe_.tracks[index - 1].session != track.session;
        if (opensSession && track.session > 1) {
            placed.start = next_ + (track.session == 2 ? emu::kSessionGapAfterFirst
                                                       : emu::kSessionGapAfterLater);
            plan_.sessions.push_back({track.session, index, placed.start, 0});
        } else {
            placed.start = next_ + track.pregap;
            if (opensSession) {
                plan_.sessions.push_back({1, index, placed.start, 0});
            }
        }
        if (track.kind == TrackKind::Data) {
            if (auto failure = placeData(index, placed)) {
                return failure;
            }
        } else {
            placed.writtenEnd = placed.start + track.length;
        }
        placed.end = placed.writtenEnd +
                     (recipe_.methodOf(track) == WriteMethod::Tao ? emu::kRunOutBlocks : 0);
        if (placed.end > emu::kMaxLeadOut) {
            return BuildError{recipe_.origin, track.line, "the disc would be longer than 99:59:74"};
        }
        // A session gap is always stored, so that readers of the BIN that
        // ignore generated gaps still find the session at its place.
        const bool gapStored =
            track.pregapStored || placed.start - placed.pregapStart > track.pregap;
        placed.storedFrom = gapStored ? placed.pregapStart : placed.start;
        if (recipe_.binFiles == BinFiles::PerTrack || plan_.binNames.empty()) {
            plan_.binNames.push_back(binName(recipe_, placed.number));
            binFrame_ = 0;
        }
        placed.binFile = plan_.binNames.size() - 1;
        placed.binFrame = binFrame_;
        binFrame_ += placed.end - placed.storedFrom;
        next_ = placed.end;
        plan_.sessions.back().leadOut = placed.end;
        plan_.tracks.push_back(placed);
        return std::nullopt;
    }

    DiscPlan finish() {
        plan_.leadOut = next_;
        if (recipe_.state == DiscState::Open) {
            plan_.nextWritable = plan_.tracks.back().writtenEnd;
        }
        return std::move(plan_);
    }

private:
    std::optional<BuildError> placeData(std::size_t index, TrackPlacement& placed) {
        const TrackRecipe& track = recipe_.tracks[index];
        // The first session's file system counts its blocks from LBA 0, its
        // pregap included; a later session's from its first track's index 1.
        placed.dataStart = track.session == 1 ? placed.pregapStart : placed.start;
        auto made = makeData_(index, placed.dataStart);
        if (auto* failure = std::get_if<BuildError>(&made)) {
            return *failure;
        }
        const std::int32_t blocks = std::get<std::int32_t>(made);
        placed.dataEnd = placed.dataStart + blocks;
        if (placed.dataEnd <= placed.start) {
            return BuildError{recipe_.origin, track.line,
                              "the file system has " + std::to_string(blocks) +
                                  " sectors, not more than the pregap of " +
                                  std::to_string(track.pregap)};
        }
        placed.writtenEnd = placed.dataEnd;
        const std::int32_t packet = recipe_.packetSizeOf(track);
        const bool lastOfSession = index + 1 == recipe_.tracks.size() ||
                                   recipe_.tracks[index + 1].session != track.session;
        if (recipe_.methodOf(track) == WriteMethod::Packet && packet > 0) {
            // Fixed packets: the track holds whole packets of user blocks.
            placed.writtenEnd = placed.start + roundUp(placed.dataEnd - placed.start, packet);
        } else if (lastOfSession && index + 1 < recipe_.tracks.size()) {
            const std::int32_t runOut =
                recipe_.methodOf(track) == WriteMethod::Tao ? emu::kRunOutBlocks : 0;
            const std::int32_t gap =
                track.session == 1 ? emu::kSessionGapAfterFirst : emu::kSessionGapAfterLater;
            const std::int32_t nextStart =
                roundUp(placed.dataEnd + runOut + gap, kSessionAlignment);
            placed.writtenEnd = nextStart - gap - runOut;
        }
        return std::nullopt;
    }

    const Recipe& recipe_;
    const MakeDataTrack& makeData_;
    DiscPlan plan_;
    std::int32_t next_ = 0;
    std::int64_t binFrame_ = 0;
};

// Altered sectors must hold something to alter: a track's written blocks.
std::optional<BuildError> checkAltered(const Recipe& recipe, const DiscPlan& plan) {
    for (const emu::LbaRange& range : recipe.altered) {
        for (std::int32_t lba = range.first; lba <= range.last; ++lba) {
            bool written = false;
            for (const TrackPlacement& track : plan.tracks) {
                const std::int32_t from = track.dataEnd > 0 ? track.dataStart : track.start;
                written = written || (lba >= from && lba < track.writtenEnd);
            }
            if (!written) {
                return BuildError{
                    recipe.origin, recipe.alteredLine,
                    "altered LBA " + std::to_string(lba) + " is not a written sector of a track"};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::variant<DiscPlan, BuildError> planDisc(const Recipe& recipe, const MakeDataTrack& makeData) {
    Planner planner(recipe, makeData);
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        if (auto failure = planner.place(i)) {
            return *failure;
        }
    }
    DiscPlan plan = planner.finish();
    if (auto failure = checkAltered(recipe, plan)) {
        return *failure;
    }
    return plan;
}

}  // namespace kel::mkdisc
