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

}  // namespace

std::variant<DiscPlan, BuildError> planDisc(const Recipe& recipe, std::int32_t dataSectors) {
    DiscPlan plan;
    std::int32_t next = 0;
    std::int64_t binFrame = 0;
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        const TrackRecipe& track = recipe.tracks[i];
        TrackPlacement placed;
        placed.number = static_cast<int>(i) + 1;
        placed.pregapStart = next;
        placed.start = next + track.pregap;
        if (track.kind == TrackKind::Data) {
            if (dataSectors <= track.pregap) {
                return BuildError{recipe.origin, track.line,
                                  "the file system has " + std::to_string(dataSectors) +
                                      " sectors, not more than the pregap of " +
                                      std::to_string(track.pregap)};
            }
            placed.end = next + dataSectors;
        } else {
            placed.end = placed.start + track.length;
        }
        if (placed.end > emu::kMaxLeadOut) {
            return BuildError{recipe.origin, track.line, "the disc would be longer than 99:59:74"};
        }
        placed.storedFrom = track.pregapStored ? placed.pregapStart : placed.start;
        if (recipe.binFiles == BinFiles::PerTrack || plan.binNames.empty()) {
            plan.binNames.push_back(binName(recipe, placed.number));
            binFrame = 0;
        }
        placed.binFile = plan.binNames.size() - 1;
        placed.binFrame = binFrame;
        binFrame += placed.end - placed.storedFrom;
        next = placed.end;
        plan.tracks.push_back(placed);
    }
    plan.leadOut = next;
    return plan;
}

}  // namespace kel::mkdisc
