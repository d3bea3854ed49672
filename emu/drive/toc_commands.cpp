// READ TOC/PMA/ATIP: the formatted TOC, the session information, the full
// TOC and ATIP. The TOC holds the sessions that have a lead-in, so an open
// last session shows only in disc and track information; recordable media
// add B0 (the next program area) to each session and C0 (the ATIP lead-in)
// to the first.
#include <vector>

#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/msf.h"
#include "emu/drive/track_report.h"
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
constexpr std::uint8_t kAdrPointers = 0x50;  // mode 5: B0 and C0

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

// The sessions with a lead-in, as [first, end) indexes into disc.tracks.
struct SessionTracks {
    const Session* session;
    std::size_t first;
    std::size_t end;
};

std::vector<SessionTracks> tocSessions(const Disc& disc) {
    std::vector<SessionTracks> out;
    std::size_t at = 0;
    for (const Session& session : disc.sessions) {
        std::size_t end = at;
        while (end < disc.tracks.size() && disc.tracks[end].session == session.number) {
            ++end;
        }
        if (session.state == SessionState::Complete && end > at) {
            out.push_back({&session, at, end});
        }
        at = end;
    }
    return out;
}

// A blank disc answers with the lead-out alone, at the last possible
// lead-out: programs take that for the blank disc's free space.
Bytes blankToc(const Disc& disc, bool msf) {
    Bytes reply(4, 0);
    reply[2] = 1;
    reply[3] = 1;
    appendTocEntry(reply, control::kData, kLeadOutTrack, disc.atip.lastLeadOutLba(), msf);
    putLength(reply);
    return reply;
}

std::optional<Bytes> formattedToc(const Disc& disc, const std::vector<SessionTracks>& sessions,
                                  std::uint8_t fromTrack, bool msf) {
    const Track& first = disc.tracks[sessions.front().first];
    const Track& last = disc.tracks[sessions.back().end - 1];
    if (fromTrack != kLeadOutTrack && fromTrack > last.number) {
        return std::nullopt;
    }
    Bytes reply(4, 0);
    reply[2] = static_cast<std::uint8_t>(first.number);
    reply[3] = static_cast<std::uint8_t>(last.number);
    for (const SessionTracks& session : sessions) {
        for (std::size_t t = session.first; t < session.end; ++t) {
            const Track& track = disc.tracks[t];
            if (fromTrack != kLeadOutTrack && track.number >= fromTrack) {
                appendTocEntry(reply, track.control, static_cast<std::uint8_t>(track.number),
                               track.start, msf);
            }
        }
    }
    appendTocEntry(reply, last.control, kLeadOutTrack, sessions.back().session->leadOut, msf);
    putLength(reply);
    return reply;
}

Bytes sessionInfo(const Disc& disc, const std::vector<SessionTracks>& sessions, bool msf) {
    const Track& firstOfLast = disc.tracks[sessions.back().first];
    Bytes reply(4, 0);
    reply[2] = static_cast<std::uint8_t>(sessions.front().session->number);
    reply[3] = static_cast<std::uint8_t>(sessions.back().session->number);
    appendTocEntry(reply, firstOfLast.control, static_cast<std::uint8_t>(firstOfLast.number),
                   firstOfLast.start, msf);
    putLength(reply);
    return reply;
}

// Writes the full TOC's entries, in binary or, as some older drives do, in
// BCD.
class FullTocWriter {
public:
    explicit FullTocWriter(bool bcd) : bcd_(bcd), reply_(4, 0) {}

    std::uint8_t value(int binary) const {
        const auto byte = static_cast<std::uint8_t>(binary);
        return bcd_ ? sector::toBcd(byte) : byte;
    }

    void entry(int session, std::uint8_t adrControl, std::uint8_t point,
               std::array<std::uint8_t, 3> time, std::uint8_t zero,
               std::array<std::uint8_t, 3> ptime) {
        reply_.insert(reply_.end(),
                      {static_cast<std::uint8_t>(session), adrControl, 0, point, time[0], time[1],
                       time[2], zero, ptime[0], ptime[1], ptime[2]});
    }

    std::array<std::uint8_t, 3> time(std::int32_t lba) const {
        const sector::Msf msf = sector::lbaToMsf(lba);
        return {value(msf.minute), value(msf.second), value(msf.frame)};
    }

    std::array<std::uint8_t, 3> time(const sector::Msf& msf) const {
        return {value(msf.minute), value(msf.second), value(msf.frame)};
    }

    Bytes finish(int firstSession, int lastSession) {
        reply_[2] = static_cast<std::uint8_t>(firstSession);
        reply_[3] = static_cast<std::uint8_t>(lastSession);
        putLength(reply_);
        return std::move(reply_);
    }

private:
    bool bcd_;
    Bytes reply_;
};

std::uint8_t atipPowerByte(const Atip& atip) {
    return static_cast<std::uint8_t>(0x80 | (atip.writingPower & 0x07) << 4 |
                                     (atip.referenceSpeed & 0x07));
}

std::uint8_t atipDiscTypeByte(const Disc& disc) {
    return static_cast<std::uint8_t>(0x80 | (disc.medium == Medium::CdRw ? 0x40 : 0) |
                                     (disc.atip.discSubType & 0x07) << 3);
}

void appendPointers(FullTocWriter& toc, const Disc& disc,
                    const std::vector<SessionTracks>& sessions, std::size_t index) {
    const SessionTracks& session = sessions[index];
    const int number = session.session->number;
    const std::uint8_t adrControl = kAdrPointers | (disc.tracks[session.first].control & 0x0F);
    // B0 names where the next session's program area (its first track's
    // pregap) begins.
    std::optional<std::int32_t> next;
    if (index + 1 < sessions.size()) {
        next = disc.tracks[sessions[index + 1].first].start;
    } else if (session.session != &disc.sessions.back()) {
        next = disc.tracks[session.end].start;  // the open session's first track
    } else {
        next = nextProgramArea(disc);
    }
    const std::uint8_t pointers = number == 1 ? 2 : 1;
    const std::array<std::uint8_t, 3> closed{0xFF, 0xFF, 0xFF};
    toc.entry(number, adrControl, 0xB0, next ? toc.time(*next - kPregapFrames) : closed, pointers,
              toc.time(disc.atip.lastLeadOut));
    if (number == 1) {
        toc.entry(number, adrControl, 0xC0, {atipPowerByte(disc.atip), atipDiscTypeByte(disc), 0},
                  0, toc.time(disc.atip.leadInStart));
    }
}

Bytes fullToc(const Disc& disc, const std::vector<SessionTracks>& sessions, bool bcd) {
    FullTocWriter toc(bcd);
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const SessionTracks& session = sessions[i];
        const int number = session.session->number;
        const Track& first = disc.tracks[session.first];
        const Track& last = disc.tracks[session.end - 1];
        const auto position = [](const Track& track) {
            return static_cast<std::uint8_t>(kAdrPosition | (track.control & 0x0F));
        };
        toc.entry(number, position(first), 0xA0, {0, 0, 0}, 0,
                  {toc.value(first.number), disc.discType, 0});
        toc.entry(number, position(last), 0xA1, {0, 0, 0}, 0, {toc.value(last.number), 0, 0});
        toc.entry(number, position(last), 0xA2, {0, 0, 0}, 0, toc.time(session.session->leadOut));
        for (std::size_t t = session.first; t < session.end; ++t) {
            const Track& track = disc.tracks[t];
            toc.entry(number, position(track), toc.value(track.number), {0, 0, 0}, 0,
                      toc.time(track.start));
        }
        if (disc.recordable()) {
            appendPointers(toc, disc, sessions, i);
        }
    }
    return toc.finish(sessions.front().session->number, sessions.back().session->number);
}

Bytes atip(const Disc& disc) {
    Bytes reply(28, 0);
    putLength(reply);
    reply[4] = atipPowerByte(disc.atip);
    reply[5] = disc.atip.unrestrictedUse ? 0x40 : 0x00;
    reply[6] = atipDiscTypeByte(disc);
    const auto put = [&reply](std::size_t at, const sector::Msf& time) {
        reply[at] = time.minute;
        reply[at + 1] = time.second;
        reply[at + 2] = time.frame;
    };
    put(8, disc.atip.leadInStart);
    put(12, disc.atip.lastLeadOut);
    return reply;
}

Outcome pressedAtip(DriveContext& context, const CommandData& command, std::size_t allocation) {
    if (context.drive.atipOnPressed == AtipOnPressed::ShortReply) {
        const Bytes reply{0x00, 0x02, 0x00, 0x00};
        return answer(command, reply, allocation);
    }
    return fail(sense::kInvalidField);
}

}  // namespace

Outcome readToc(DriveContext& context, const CommandData& command) {
    const bool msf = (command.cdb[1] & 0x02) != 0;
    const std::size_t allocation = readBe(command.cdb, 7, 2);
    const Disc& disc = context.disc;
    const std::uint8_t requested = requestedFormat(command);
    if (requested == format::kAtip) {
        return disc.recordable() ? answer(command, atip(disc), allocation)
                                 : pressedAtip(context, command, allocation);
    }
    if (requested > format::kFullToc) {
        return fail(sense::kInvalidField);  // PMA and CD-TEXT: not emulated
    }
    const std::vector<SessionTracks> sessions = tocSessions(disc);
    if (sessions.empty()) {
        if (disc.status == DiscStatus::Blank && requested == format::kToc) {
            return answer(command, blankToc(disc, msf), allocation);
        }
        return fail(sense::kInvalidField);  // no lead-in written yet
    }
    switch (requested) {
        case format::kToc: {
            std::optional<Bytes> reply = formattedToc(disc, sessions, command.cdb[6], msf);
            if (!reply) {
                return fail(sense::kInvalidField);
            }
            return answer(command, *reply, allocation);
        }
        case format::kSessionInfo:
            return answer(command, sessionInfo(disc, sessions, msf), allocation);
        default:
            return answer(command, fullToc(disc, sessions, context.drive.fullTocBcd), allocation);
    }
}

}  // namespace kel::emu
