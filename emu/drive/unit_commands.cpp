// TEST UNIT READY, REQUEST SENSE, INQUIRY, READ CAPACITY, START STOP UNIT,
// PREVENT ALLOW MEDIUM REMOVAL, SET CD SPEED.
#include <algorithm>
#include <array>
#include <string>

#include "emu/drive/audio_play.h"
#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/medium.h"
#include "emu/drive/mode_pages.h"

namespace kel::emu {

namespace {

constexpr std::size_t kInquirySize = 56;  // standard 36 bytes, then the firmware date

void putText(std::span<std::uint8_t> reply, std::size_t offset, std::size_t width,
             const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) {
        reply[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
    }
}

Outcome startUnit(DriveContext& context) {
    // A start waits for the medium like any command that needs it.
    if (auto notReady = admitToMedium(context)) {
        return fail(*notReady);
    }
    return {};
}

Outcome ejectMedium(DriveContext& context) {
    DriveState& state = context.state;
    if (state.locked) {
        return fail(sense::kRemovalPrevented);
    }
    if (state.play.status == PlayStatus::Playing || state.play.status == PlayStatus::Paused) {
        stopPlay(context);
    }
    state.trayOpen = true;
    state.becomingReadyPolls = 0;
    return {};
}

Outcome loadMedium(DriveContext& context) {
    DriveState& state = context.state;
    if (state.trayOpen) {
        state.trayOpen = false;
        if (discPresent(context.disc)) {
            beginMediaChange(state, context.drive);
        }
    }
    return {};
}

}  // namespace

Outcome testUnitReady(DriveContext&, const CommandData&) {
    return {};
}

Outcome requestSense(DriveContext& context, const CommandData& command) {
    // A pending condition is this command's to report; otherwise the sense
    // of this initiator's last command, or none.
    std::optional<SenseCode> pending = takeAttention(context.state);
    if (!pending) {
        pending = mediumNotReady(context);
    }
    scsi::Sense reply = scsi::Sense::make(0, 0, 0);
    if (pending) {
        reply = scsi::Sense::make(pending->key, pending->asc, pending->ascq);
    } else if (context.lastSense) {
        reply = *context.lastSense;
    }
    return answer(command, reply.bytes, command.cdb[4]);
}

Outcome inquiry(DriveContext& context, const CommandData& command) {
    const bool vitalProductData = (command.cdb[1] & 0x01) != 0;
    if (vitalProductData || command.cdb[2] != 0) {
        return fail(sense::kInvalidField);
    }
    const DriveDescription& drive = context.drive;
    std::array<std::uint8_t, kInquirySize> reply{};
    reply[0] = 0x05;  // CD-ROM device
    reply[1] = 0x80;  // removable medium
    reply[2] = drive.personality == Personality::Mmc ? 0x00 : 0x02;
    reply[3] = 0x02;  // response data format
    reply[4] = kInquirySize - 5;
    putText(reply, 8, 8, drive.vendor);
    putText(reply, 16, 16, drive.product);
    putText(reply, 32, 4, drive.revision);
    putText(reply, 36, 8, drive.date);
    putText(reply, 44, kInquirySize - 44, "");
    return answer(command, reply, command.cdb[4]);
}

Outcome readCapacity(DriveContext& context, const CommandData& command) {
    std::array<std::uint8_t, 8> reply{};
    writeBe(reply, 0, 4, static_cast<std::uint32_t>(std::max(0, context.disc.leadOut - 1)));
    const bool mmc = context.drive.personality == Personality::Mmc;
    writeBe(reply, 4, 4, mmc ? 2048 : context.state.blockLength);
    return answer(command, reply, reply.size());
}

Outcome startStopUnit(DriveContext& context, const CommandData& command) {
    const std::uint8_t operation = command.cdb[4];
    if ((operation & 0xF0) != 0) {
        return {};  // power conditions: nothing to emulate
    }
    const bool loadEject = (operation & 0x02) != 0;
    const bool start = (operation & 0x01) != 0;
    if (loadEject) {
        return start ? loadMedium(context) : ejectMedium(context);
    }
    if (start) {
        return startUnit(context);
    }
    if (context.state.play.status == PlayStatus::Playing ||
        context.state.play.status == PlayStatus::Paused) {
        stopPlay(context);
    }
    return {};
}

Outcome preventAllowRemoval(DriveContext& context, const CommandData& command) {
    context.state.locked = (command.cdb[4] & 0x01) != 0;
    return {};
}

Outcome setCdSpeed(DriveContext& context, const CommandData& command) {
    const auto requested = static_cast<std::uint16_t>(readBe(command.cdb, 2, 2));
    // Like a drive, it rounds to what it can do: never slower than single speed.
    context.state.readSpeedKbs = requested == 0xFFFF
                                     ? requested
                                     : std::clamp<std::uint16_t>(requested, 176, kMaxReadSpeedKbs);
    return {};
}

}  // namespace kel::emu
