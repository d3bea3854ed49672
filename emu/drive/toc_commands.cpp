// READ TOC/PMA/ATIP of a pressed disc: the formatted TOC, the session
// information, the full TOC (binary MSF, points A0-A2 per session, no B0/C0),
// and ATIP as the descriptor says such a disc answers it.
#include <vector>

#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/msf.h"
#include "emu/sector/sector.h"

namespace kel::emu {

namespace {

using Bytes = std::vector<std::uint8_t>;

namespace format {
constexpr std::uint8_t kToc = 0;
constexpr std::uint8_t kSessionInfo = 1;
constexpr std::uint8_t kFullToc = 2;
constexpr std::uint8_t kAtip = 4;
}  // namespace format

constexpr std::uint8_t kLeadOutTrack = 0xAA;
constexpr std::uint8_t kAdrPosition = 0x10;

// Byte 2 names the format; older programs put it in bits 6-7 of the control
// byte instead and leave byte 2 zero.
std::uint8_t requestedFormat(const CommandData& command) {
    const std::uint8_t format = command.cdb[2] & 0x0F;
    return format != 0 ? format : static_cast<std::uint8_t>(command.cdb[9] >> 6);
}

void putLength(Bytes& reply) {
    writeBe(reply, 0, 2, static_cast<std::uint32_t>(reply.size() - 2));
}

void appendTocEntry(Bytes& reply, std::uint8_t control, std::uint8_t track, std::int32_t lba,
                    bool msf) {
    const std::size_t at = reply.size();
    reply.resize(at + 8, 0);
    reply[at + 1] = kAdrPosition | (control & 0x0F);
    reply[at + 2] = track;
    writeAddress(reply, at + 4, lba, msf);
}

std::optional<Bytes> formattedToc(const Disc& disc, std::uint8_t fromTrack, bool msf) {
    const Track& first = disc.tracks.front();
    const Track& last = disc.tracks.back();
    if (fromTrack != kLeadOutTrack && fromTrack > last.number) {
        return std::nullopt;
    }
    Bytes reply(4, 0);
    reply[2] = static_cast<std::uint8_t>(first.number);
    reply[3] = static_cast<std::uint8_t>(last.number);
    for (const Track& track : disc.tracks) {
        if (fromTrack != kLeadOutTrack && track.number >= fromTrack) {
            appendTocEntry(reply, track.control, static_cast<std::uint8_t>(track.number),
                           track.start, msf);
        }
    }
    appendTocEntry(reply, last.control, kLeadOutTrack, disc.leadOut, msf);
    putLength(reply);
    return reply;
}

Bytes sessionInfo(const Disc& disc, bool msf) {
    const int lastSession = disc.tracks.back().session;
    const Track* firstOfLast = &disc.tracks.back();
    for (const Track& track : disc.tracks) {
        if (track.session == lastSession) {
            firstOfLast = &track;
            break;
        }
    }
    Bytes reply(4, 0);
    reply[2] = static_cast<std::uint8_t>(disc.tracks.front().session);
    reply[3] = static_cast<std::uint8_t>(lastSession);
    appendTocEntry(reply, firstOfLast->control, static_cast<std::uint8_t>(firstOfLast->number),
                   firstOfLast->start, msf);
    putLength(reply);
    return reply;
}

void appendFullTocEntry(Bytes& reply, int session, std::uint8_t control, std::uint8_t point,
                        std::uint8_t pmin, std::uint8_t psec, std::uint8_t pframe) {
    reply.insert(reply.end(), {static_cast<std::uint8_t>(session),
                               static_cast<std::uint8_t>(kAdrPosition | (control & 0x0F)), 0, point,
                               0, 0, 0, 0, pmin, psec, pframe});
}

void appendFullTocPoint(Bytes& reply, int session, std::uint8_t control, std::uint8_t point,
                        std::int32_t lba) {
    const sector::Msf time = sector::lbaToMsf(lba);
    appendFullTocEntry(reply, session, control, point, time.minute, time.second, time.frame);
}

Bytes fullToc(const Disc& disc) {
    Bytes reply(4, 0);
    reply[2] = static_cast<std::uint8_t>(disc.tracks.front().session);
    reply[3] = static_cast<std::uint8_t>(disc.tracks.back().session);
    for (std::size_t i = 0; i < disc.tracks.size();) {
        const int session = disc.tracks[i].session;
        std::size_t end = i;
        while (end < disc.tracks.size() && disc.tracks[end].session == session) {
            ++end;
        }
        const Track& first = disc.tracks[i];
        const Track& last = disc.tracks[end - 1];
        // A session's lead-out follows its last track; the disc's last one
        // is where the image says.
        const std::int32_t leadOut = end == disc.tracks.size() ? disc.leadOut : last.end;
        appendFullTocEntry(reply, session, first.control, 0xA0,
                           static_cast<std::uint8_t>(first.number), disc.discType, 0);
        appendFullTocEntry(reply, session, last.control, 0xA1,
                           static_cast<std::uint8_t>(last.number), 0, 0);
        appendFullTocPoint(reply, session, last.control, 0xA2, leadOut);
        for (std::size_t t = i; t < end; ++t) {
            const Track& track = disc.tracks[t];
            appendFullTocPoint(reply, session, track.control,
                               static_cast<std::uint8_t>(track.number), track.start);
        }
        i = end;
    }
    putLength(reply);
    return reply;
}

}  // namespace

Outcome readToc(DriveContext& context, const CommandData& command) {
    const bool msf = (command.cdb[1] & 0x02) != 0;
    const std::size_t allocation = readBe(command.cdb, 7, 2);
    const Disc& disc = context.disc;
    switch (requestedFormat(command)) {
        case format::kToc: {
            std::optional<Bytes> reply = formattedToc(disc, command.cdb[6], msf);
            if (!reply) {
                return fail(sense::kInvalidField);
            }
            return answer(command, *reply, allocation);
        }
        case format::kSessionInfo:
            return answer(command, sessionInfo(disc, msf), allocation);
        case format::kFullToc:
            return answer(command, fullToc(disc), allocation);
        case format::kAtip:
            if (context.drive.atipOnPressed == AtipOnPressed::ShortReply) {
                const Bytes reply{0x00, 0x02, 0x00, 0x00};
                return answer(command, reply, allocation);
            }
            return fail(sense::kInvalidField);
        default:
            // PMA and CD-TEXT: a pressed disc has neither.
            return fail(sense::kInvalidField);
    }
}

}  // namespace kel::emu
