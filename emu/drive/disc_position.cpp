#include "emu/drive/disc_position.h"

namespace kel::emu {

std::optional<sector::QPosition> qPositionAt(const Disc& disc, std::int32_t lba) {
    const Track* track = disc.trackAt(lba);
    if (track == nullptr) {
        return std::nullopt;
    }
    sector::QPosition position;
    position.control = track->control;
    position.track = static_cast<std::uint8_t>(track->number);
    position.absoluteLba = lba;
    position.relative = lba - track->start;
    if (lba < track->start) {
        position.index = 0;
    } else {
        position.index = 1;
        for (std::int32_t indexStart : track->furtherIndexes) {
            if (lba >= indexStart) {
                ++position.index;
            }
        }
    }
    return position;
}

const Track* findTrack(const Disc& disc, int number) {
    for (const Track& track : disc.tracks) {
        if (track.number == number) {
            return &track;
        }
    }
    return nullptr;
}

}  // namespace kel::emu
