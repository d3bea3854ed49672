#include "emu/disc/disc.h"

#include <algorithm>

namespace kel::emu {

std::size_t storedSectorSize(StorageFormat format) {
    switch (format) {
        case StorageFormat::Cooked2048:
            return 2048;
        case StorageFormat::Mode2_2336:
            return 2336;
        case StorageFormat::Raw2352:
            return kRawSectorSize;
    }
    return kRawSectorSize;
}

const Track* Disc::trackAt(std::int32_t lba) const {
    // Tracks tile the disc in order, each from its pregap to its end.
    auto after = std::upper_bound(tracks.begin(), tracks.end(), lba,
                                  [](std::int32_t l, const Track& t) { return l < t.pregapStart; });
    if (after == tracks.begin()) {
        return nullptr;
    }
    const Track& track = *(after - 1);
    return lba < track.end ? &track : nullptr;
}

bool Disc::isUnwritten(std::int32_t lba) const {
    return std::any_of(unwritten.begin(), unwritten.end(),
                       [lba](const LbaRange& range) { return range.contains(lba); });
}

std::int32_t Atip::lastLeadOutLba() const {
    return (lastLeadOut.minute * 60 + lastLeadOut.second) * 75 + lastLeadOut.frame - kPregapFrames;
}

void describeSessions(Disc& disc) {
    disc.sessions.clear();
    for (const Track& track : disc.tracks) {
        if (disc.sessions.empty() || disc.sessions.back().number != track.session) {
            disc.sessions.push_back(
                {track.session, track.number, track.number, track.end, SessionState::Complete});
        }
        disc.sessions.back().lastTrack = track.number;
        disc.sessions.back().leadOut = track.end;
    }
    if (!disc.sessions.empty()) {
        disc.sessions.back().leadOut = disc.leadOut;
    }
}

}  // namespace kel::emu
