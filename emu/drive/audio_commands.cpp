// PLAY AUDIO (10)/(12)/MSF, PAUSE/RESUME, STOP PLAY/SCAN, SEEK(10) and
// READ SUB-CHANNEL. Play ranges are end exclusive and must lie on the disc,
// in audio tracks only.
#include <algorithm>
#include <array>
#include <vector>

#include "emu/drive/audio_play.h"
#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/disc_position.h"
#include "emu/drive/msf.h"

namespace kel::emu {

namespace {

namespace format {
constexpr std::uint8_t kPosition = 1;
constexpr std::uint8_t kCatalog = 2;
constexpr std::uint8_t kIsrc = 3;
}  // namespace format

constexpr std::uint8_t kAdrPosition = 0x10;
constexpr std::uint8_t kAdrIsrc = 0x30;
constexpr std::uint8_t kValid = 0x80;

bool crossesDataTrack(const Disc& disc, std::int64_t start, std::int64_t end) {
    return std::any_of(disc.tracks.begin(), disc.tracks.end(), [&](const Track& track) {
        return track.isData() && track.pregapStart < end && track.end > start;
    });
}

Outcome play(DriveContext& context, std::int64_t start, std::int64_t end) {
    if (start > end) {
        return fail(sense::kInvalidField);
    }
    if (start < 0 || end > context.disc.leadOut) {
        return fail(sense::kLbaOutOfRange);
    }
    if (start == end) {
        return {};  // a zero-length play is no play, and no error
    }
    if (crossesDataTrack(context.disc, start, end)) {
        return fail(sense::kIllegalModeForTrack);
    }
    startPlay(context, static_cast<std::int32_t>(start), static_cast<std::int32_t>(end));
    return {};
}

bool playing(const PlayState& play) {
    return play.status == PlayStatus::Playing || play.status == PlayStatus::Paused;
}

// Relative time counts down towards index 1 in a pregap; in MSF form the
// drive reports its magnitude.
void writeRelative(std::span<std::uint8_t> reply, std::size_t offset, std::int32_t relative,
                   bool msf) {
    if (!msf) {
        writeBe(reply, offset, 4, static_cast<std::uint32_t>(relative));
        return;
    }
    const std::int32_t frames = relative < 0 ? -relative : relative;
    reply[offset] = 0;
    reply[offset + 1] = static_cast<std::uint8_t>(frames / (60 * 75));
    reply[offset + 2] = static_cast<std::uint8_t>(frames / 75 % 60);
    reply[offset + 3] = static_cast<std::uint8_t>(frames % 75);
}

void appendPosition(std::vector<std::uint8_t>& reply, const DriveContext& context, bool msf) {
    reply.resize(16, 0);
    reply[4] = format::kPosition;
    // After play completes the head rests just past the range: report the
    // last frame on the disc.
    const std::int32_t head =
        std::clamp(headPosition(context), 0, std::max(0, context.disc.leadOut - 1));
    const auto position = qPositionAt(context.disc, head);
    if (!position) {
        return;
    }
    reply[5] = kAdrPosition | (position->control & 0x0F);
    reply[6] = position->track;
    reply[7] = position->index;
    writeAddress(reply, 8, head, msf);
    writeRelative(reply, 12, position->relative, msf);
}

void appendText(std::vector<std::uint8_t>& reply, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        reply.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
    }
}

}  // namespace

Outcome playAudio10(DriveContext& context, const CommandData& command) {
    const auto start = static_cast<std::int32_t>(readBe(command.cdb, 2, 4));
    return play(context, start, std::int64_t{start} + readBe(command.cdb, 7, 2));
}

Outcome playAudio12(DriveContext& context, const CommandData& command) {
    const auto start = static_cast<std::int32_t>(readBe(command.cdb, 2, 4));
    return play(context, start, std::int64_t{start} + readBe(command.cdb, 6, 4));
}

Outcome playAudioMsf(DriveContext& context, const CommandData& command) {
    // A start of FF:FF:FF plays from where the head is.
    const bool fromHead =
        command.cdb[3] == 0xFF && command.cdb[4] == 0xFF && command.cdb[5] == 0xFF;
    const std::int32_t start = fromHead ? headPosition(context) : msfToLba(command.cdb, 3);
    return play(context, start, msfToLba(command.cdb, 6));
}

Outcome pauseResume(DriveContext& context, const CommandData& command) {
    PlayState& playState = context.state.play;
    const bool resume = (command.cdb[8] & 0x01) != 0;
    if (resume) {
        if (playState.status != PlayStatus::Paused) {
            return fail(sense::kCommandSequence);
        }
        startPlay(context, playState.position, playState.end);
        return {};
    }
    if (!playing(playState)) {
        return fail(sense::kCommandSequence);
    }
    playState.position = headPosition(context);
    playState.status = PlayStatus::Paused;
    return {};
}

Outcome stopPlayScan(DriveContext& context, const CommandData&) {
    if (playing(context.state.play)) {
        stopPlay(context);
    }
    context.state.play.status = PlayStatus::None;
    return {};
}

Outcome seek10(DriveContext& context, const CommandData& command) {
    const auto lba = static_cast<std::int32_t>(readBe(command.cdb, 2, 4));
    if (lba < 0 || lba >= context.disc.leadOut) {
        return fail(sense::kLbaOutOfRange);
    }
    context.state.play = PlayState{};
    context.state.play.position = lba;
    return {};
}

// The 12-byte form that some programs send carries the same fields in the
// same places; its two extra bytes are ignored.
Outcome readSubChannel(DriveContext& context, const CommandData& command) {
    const bool msf = (command.cdb[1] & 0x02) != 0;
    const bool subQ = (command.cdb[2] & 0x40) != 0;
    const std::uint8_t dataFormat = command.cdb[3];
    const std::size_t allocation = readBe(command.cdb, 7, 2);
    if (subQ && (dataFormat < format::kPosition || dataFormat > format::kIsrc)) {
        return fail(sense::kInvalidField);
    }
    const Track* isrcTrack = nullptr;
    if (subQ && dataFormat == format::kIsrc) {
        isrcTrack = findTrack(context.disc, command.cdb[6]);
        if (isrcTrack == nullptr) {
            return fail(sense::kInvalidField);
        }
    }
    std::vector<std::uint8_t> reply(4, 0);
    reply[1] = takeAudioStatus(context);
    if (subQ) {
        switch (dataFormat) {
            case format::kPosition:
                appendPosition(reply, context, msf);
                break;
            case format::kCatalog:
                reply.insert(reply.end(), {format::kCatalog, 0, 0, 0});
                reply.push_back(context.disc.catalog.empty() ? 0 : kValid);
                appendText(reply, context.disc.catalog, 13);
                reply.resize(24, 0);
                break;
            default:
                reply.insert(reply.end(),
                             {format::kIsrc,
                              static_cast<std::uint8_t>(kAdrIsrc | (isrcTrack->control & 0x0F)),
                              static_cast<std::uint8_t>(isrcTrack->number), 0});
                reply.push_back(isrcTrack->isrc.empty() ? 0 : kValid);
                appendText(reply, isrcTrack->isrc, 12);
                reply.resize(24, 0);
                break;
        }
    }
    writeBe(reply, 2, 2, static_cast<std::uint32_t>(reply.size() - 4));
    return answer(command, reply, allocation);
}

}  // namespace kel::emu
