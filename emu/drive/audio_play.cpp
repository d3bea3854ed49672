#include "emu/drive/audio_play.h"

#include <algorithm>

namespace kel::emu {

namespace {

constexpr std::int64_t kFramesPerSecond = 75;

std::int32_t framesPlayed(const DriveContext& context) {
    const std::int64_t elapsed =
        std::max<std::int64_t>(0, context.clock.nowMs() - context.state.play.startedAtMs);
    const std::int64_t frames = elapsed * kFramesPerSecond / 1000;
    return static_cast<std::int32_t>(std::min<std::int64_t>(frames, kMaxLeadOut));
}

}  // namespace

std::int32_t headPosition(const DriveContext& context) {
    const PlayState& play = context.state.play;
    if (play.status != PlayStatus::Playing) {
        return play.position;
    }
    return std::min(play.end, play.position + framesPlayed(context));
}

void settlePlay(DriveContext& context) {
    PlayState& play = context.state.play;
    if (play.status != PlayStatus::Playing) {
        return;
    }
    const std::int32_t reached = headPosition(context);
    for (const LbaRange& range : context.drive.faults.hard) {
        if (range.first < reached && range.last >= play.position) {
            play.status = PlayStatus::Error;
            play.position = std::max(range.first, play.position);
            return;
        }
    }
    if (reached >= play.end) {
        play.status = PlayStatus::Completed;
        play.position = play.end;
    }
}

void startPlay(DriveContext& context, std::int32_t start, std::int32_t end) {
    PlayState& play = context.state.play;
    play.status = PlayStatus::Playing;
    play.position = start;
    play.end = end;
    play.startedAtMs = context.clock.nowMs();
}

void stopPlay(DriveContext& context) {
    PlayState& play = context.state.play;
    play.position = headPosition(context);
    play.status = PlayStatus::None;
}

std::uint8_t takeAudioStatus(DriveContext& context) {
    PlayState& play = context.state.play;
    switch (play.status) {
        case PlayStatus::Playing:
            return 0x11;
        case PlayStatus::Paused:
            return 0x12;
        case PlayStatus::Completed:
            play.status = PlayStatus::None;
            return 0x13;
        case PlayStatus::Error:
            play.status = PlayStatus::None;
            return 0x14;
        case PlayStatus::None:
            break;
    }
    return 0x15;
}

}  // namespace kel::emu
