#include "emu/drive/medium.h"

#include <algorithm>

namespace kel::emu {

bool discPresent(const Disc& disc) {
    return !disc.tracks.empty() || disc.status == DiscStatus::Blank;
}

std::optional<SenseCode> mediumNotReady(const DriveContext& context) {
    if (context.state.trayOpen) {
        return sense::kNoMediumTrayOpen;
    }
    if (!discPresent(context.disc)) {
        return sense::kNoMediumTrayClosed;
    }
    if (context.state.becomingReadyPolls > 0) {
        return sense::kBecomingReady;
    }
    return std::nullopt;
}

std::optional<SenseCode> admitToMedium(DriveContext& context) {
    std::optional<SenseCode> notReady = mediumNotReady(context);
    DriveState& state = context.state;
    if (notReady && state.becomingReadyPolls > 0 && !state.trayOpen) {
        if (--state.becomingReadyPolls == 0) {
            state.attention = Attention::MediumChanged;
        }
    }
    return notReady;
}

std::optional<SenseCode> takeAttention(DriveState& state) {
    const Attention pending = state.attention;
    state.attention = Attention::None;
    switch (pending) {
        case Attention::MediumChanged:
            return sense::kMediumChanged;
        case Attention::Reset:
            return sense::kReset;
        case Attention::None:
            break;
    }
    return std::nullopt;
}

void beginMediaChange(DriveState& state, const DriveDescription& drive) {
    // A drive always needs at least one poll to spin a new disc up; the
    // descriptor can make it take longer.
    state.becomingReadyPolls = std::max(1, drive.faults.becomingReadyPolls);
    state.play = PlayState{};
}

}  // namespace kel::emu
