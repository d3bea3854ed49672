// READ DISC INFORMATION, READ TRACK INFORMATION and the older drives'
// vendor track information (0xE5 for one track, 0xE6 for the next writable
// address).
#include <vector>

#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/track_report.h"

namespace kel::emu {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kErasable = 0x10;
constexpr std::uint8_t kUnrestrictedUse = 0x20;
constexpr std::uint32_t kNoTime = 0xFFFFFFFF;
constexpr std::uint32_t kInvisibleTrack = 0xFF;

std::uint8_t discStatusBits(const Disc& disc) {
    const std::uint8_t status = disc.status == DiscStatus::Blank        ? 0
                                : disc.status == DiscStatus::Incomplete ? 1
                                                                        : 2;
    const std::uint8_t session = disc.lastSession == SessionState::Empty        ? 0
                                 : disc.lastSession == SessionState::Incomplete ? 1
                                                                                : 3;
    return static_cast<std::uint8_t>(status | session << 2 |
                                     (disc.medium == Medium::CdRw ? kErasable : 0));
}

// 0 M S F of an absolute time.
std::uint32_t msfField(std::int32_t lba) {
    const sector::Msf time = sector::lbaToMsf(lba);
    return static_cast<std::uint32_t>(time.minute << 16 | time.second << 8 | time.frame);
}

Bytes discInformation(const Disc& disc) {
    Bytes reply(34, 0);
    writeBe(reply, 0, 2, static_cast<std::uint32_t>(reply.size() - 2));
    reply[2] = discStatusBits(disc);
    reply[3] = 1;
    const int sessions = reportedSessionCount(disc);
    const auto invisible = invisibleTrack(disc);
    int firstInLast = invisible ? invisible->number : 1;
    int lastInLast = invisible ? invisible->number : 1;
    if (!invisible && !disc.sessions.empty()) {
        firstInLast = disc.sessions.back().firstTrack;
        lastInLast = disc.sessions.back().lastTrack;
    }
    reply[4] = static_cast<std::uint8_t>(sessions);
    reply[5] = static_cast<std::uint8_t>(firstInLast);
    reply[6] = static_cast<std::uint8_t>(lastInLast);
    const bool unrestricted = !disc.recordable() || disc.atip.unrestrictedUse;
    reply[7] = unrestricted ? kUnrestrictedUse : 0;
    reply[8] = disc.discType;
    const bool closed = disc.status == DiscStatus::Complete;
    writeBe(reply, 16, 4, closed ? kNoTime : msfField(lastSessionLeadIn(disc)));
    writeBe(reply, 20, 4, closed ? kNoTime : msfField(disc.atip.lastLeadOutLba()));
    return reply;
}

Bytes trackInformation(const TrackReport& track) {
    Bytes reply(36, 0);
    writeBe(reply, 0, 2, static_cast<std::uint32_t>(reply.size() - 2));
    reply[2] = static_cast<std::uint8_t>(track.number);
    reply[3] = static_cast<std::uint8_t>(track.session);
    reply[5] = track.trackMode;
    reply[6] = track.dataMode;
    reply[7] = track.nextWritable ? 0x01 : 0x00;
    writeBe(reply, 8, 4, static_cast<std::uint32_t>(track.start));
    writeBe(reply, 12, 4, static_cast<std::uint32_t>(track.nextWritable.value_or(0)));
    writeBe(reply, 16, 4, static_cast<std::uint32_t>(track.freeBlocks));
    writeBe(reply, 20, 4, static_cast<std::uint32_t>(track.packetSize));
    writeBe(reply, 24, 4, static_cast<std::uint32_t>(track.size));
    return reply;
}

}  // namespace

Outcome readDiscInformation(DriveContext& context, const CommandData& command) {
    if ((command.cdb[1] & 0x07) != 0) {
        return fail(sense::kInvalidField);  // track resources, POW resources: not a CD's
    }
    return answer(command, discInformation(context.disc), readBe(command.cdb, 7, 2));
}

Outcome readTrackInformation(DriveContext& context, const CommandData& command) {
    const Disc& disc = context.disc;
    const std::uint32_t address = readBe(command.cdb, 2, 4);
    std::optional<TrackReport> track;
    switch (command.cdb[1] & 0x03) {
        case 0:
            if (address > static_cast<std::uint32_t>(kMaxLeadOut)) {
                return fail(sense::kLbaOutOfRange);
            }
            track = reportTrackAt(disc, static_cast<std::int32_t>(address));
            if (!track) {
                return fail(sense::kLbaOutOfRange);
            }
            break;
        case 1:
            track = address == kInvisibleTrack ? reportLastTrack(disc)
                    : address >= 1 && address < kInvisibleTrack
                        ? reportTrack(disc, static_cast<int>(address))
                        : std::nullopt;
            break;
        default:
            break;
    }
    if (!track) {
        return fail(sense::kInvalidField);
    }
    return answer(command, trackInformation(*track), readBe(command.cdb, 7, 2));
}

Outcome vendorTrackInformation(DriveContext& context, const CommandData& command) {
    const std::uint8_t number = command.cdb[5];
    const auto track = number == kInvisibleTrack ? reportLastTrack(context.disc)
                                                 : reportTrack(context.disc, number);
    if (!track) {
        return fail(sense::kInvalidField);
    }
    Bytes reply(20, 0);
    reply[0] = static_cast<std::uint8_t>(reply.size() - 1);
    writeBe(reply, 2, 4, static_cast<std::uint32_t>(track->start));
    writeBe(reply, 6, 4, static_cast<std::uint32_t>(track->size));
    reply[10] = track->trackMode;
    reply[11] = track->dataMode;
    writeBe(reply, 12, 4, static_cast<std::uint32_t>(track->freeBlocks));
    writeBe(reply, 16, 4, static_cast<std::uint32_t>(track->packetSize));
    return answer(command, reply, command.cdb[8]);
}

Outcome vendorNextWritable(DriveContext& context, const CommandData& command) {
    const auto track = reportLastTrack(context.disc);
    if (!track || !track->nextWritable) {
        return fail(sense::kInvalidField);
    }
    Bytes reply(4, 0);
    writeBe(reply, 0, 4, static_cast<std::uint32_t>(*track->nextWritable));
    return answer(command, reply, reply.size());
}

}  // namespace kel::emu
