#include <algorithm>

#include "emu/disc/recording.h"

namespace kel::emu {

namespace {

int firstGiven(std::initializer_list<int> lines) {
    for (const int line : lines) {
        if (line != 0) {
            return line;
        }
    }
    return 0;
}

std::optional<LayoutProblem> checkPressed(const Recording& r) {
    if (r.status.value != DiscStatus::Complete || r.lastSession.value != SessionState::Complete) {
        return LayoutProblem{firstGiven({r.status.line, r.lastSession.line}),
                             "a pressed disc is complete, with a complete last session"};
    }
    if (r.atipLine != 0) {
        return LayoutProblem{r.atipLine, "[atip] needs medium = cd-r or cd-rw"};
    }
    if (r.nextWritable.given()) {
        return LayoutProblem{r.nextWritable.line, "a pressed disc has no next writable address"};
    }
    const auto written = [](const Keyed<WriteMethod>& method) {
        return method.given() && method.value != WriteMethod::Dao;
    };
    if (written(r.writeMethod)) {
        return LayoutProblem{r.writeMethod.line, "a pressed disc is not written by a recorder"};
    }
    for (const TrackRecording& track : r.tracks) {
        if (written(track.writeMethod)) {
            return LayoutProblem{track.writeMethod.line,
                                 "a pressed disc is not written by a recorder"};
        }
    }
    return std::nullopt;
}

std::optional<LayoutProblem> checkBlank(const Recording& r) {
    if (r.lastSession.given() && r.lastSession.value != SessionState::Empty) {
        return LayoutProblem{r.lastSession.line, "a blank disc's last session is empty"};
    }
    if (!r.sessions.empty() || !r.tracks.empty()) {
        const int line = r.sessions.empty() ? r.tracks.front().line : r.sessions.front().line;
        return LayoutProblem{line, "a blank disc has no sessions or tracks"};
    }
    if (r.nextWritable.given()) {
        return LayoutProblem{r.nextWritable.line,
                             "a blank disc's next writable address is its start"};
    }
    return std::nullopt;
}

Track* trackNumbered(Disc& disc, int number) {
    for (Track& track : disc.tracks) {
        if (track.number == number) {
            return &track;
        }
    }
    return nullptr;
}

// TAO: the link block and run-in at the start of the track's pregap, the
// run-out at its end, are blocks a drive cannot read.
void markTaoBlocks(const Track& track, Disc& disc) {
    constexpr std::int32_t lead = kLinkBlocks + kRunInBlocks;
    if (track.start - track.pregapStart >= lead) {
        disc.unwritten.push_back({track.pregapStart, track.pregapStart + lead - 1});
    }
    if (track.end - track.start > kRunOutBlocks) {
        disc.unwritten.push_back({track.end - kRunOutBlocks, track.end - 1});
    }
}

std::optional<LayoutProblem> applyWriteMethods(const Recording& r, Disc& disc) {
    for (Track& track : disc.tracks) {
        track.writeMethod = r.writeMethod.value;
        track.packetSize = r.packetSize.value;
    }
    for (const TrackRecording& given : r.tracks) {
        Track* track = trackNumbered(disc, given.number);
        if (track == nullptr) {
            return LayoutProblem{given.line, "[track " + std::to_string(given.number) +
                                                 "]: the disc has no track " +
                                                 std::to_string(given.number)};
        }
        if (given.writeMethod.given()) {
            track->writeMethod = given.writeMethod.value;
        }
        if (given.packetSize.given()) {
            track->packetSize = given.packetSize.value;
        }
        track->damaged = given.damaged;
        track->copy = given.copy;
        track->reserved = given.reserved;
    }
    for (Track& track : disc.tracks) {
        if (track.writeMethod == WriteMethod::Tao) {
            markTaoBlocks(track, disc);
        }
        if (track.writeMethod != WriteMethod::Packet) {
            track.packetSize = 0;
            continue;
        }
        if (!track.isData()) {
            const auto own = std::find_if(r.tracks.begin(), r.tracks.end(), [&](const auto& t) {
                return t.number == track.number && t.writeMethod.given();
            });
            return LayoutProblem{
                own != r.tracks.end() ? own->writeMethod.line : r.writeMethod.line,
                "track " + std::to_string(track.number) + " is audio and cannot be packet-written"};
        }
        track.control |= control::kPreEmphasis;  // on a data track: recorded incrementally
    }
    return std::nullopt;
}

std::optional<LayoutProblem> openLastTrack(const Recording& r, Disc& disc) {
    const Track& track = disc.tracks.back();
    const std::int32_t nwa = r.nextWritable.given() ? r.nextWritable.value : disc.leadOut;
    const int line = firstGiven({r.nextWritable.line, r.lastSession.line});
    if (nwa < track.start || nwa > disc.leadOut) {
        return LayoutProblem{
            line, "next writable address " + std::to_string(nwa) + " lies outside the open track " +
                      std::to_string(track.number) + " (LBA " + std::to_string(track.start) +
                      " to the image's end at " + std::to_string(disc.leadOut) + ")"};
    }
    if (track.packetSize > 0 && (nwa - track.start) % track.packetSize != 0) {
        return LayoutProblem{line, "next writable address " + std::to_string(nwa) +
                                       " is not at a packet boundary of track " +
                                       std::to_string(track.number) + " (packets of " +
                                       std::to_string(track.packetSize) + " blocks)"};
    }
    disc.nextWritable = nwa;
    disc.sessions.back().state = SessionState::Incomplete;
    if (nwa < disc.leadOut) {
        disc.unwritten.push_back({nwa, disc.leadOut - 1});
    }
    return std::nullopt;
}

}  // namespace

std::optional<LayoutProblem> checkRecordingKeys(const Recording& r) {
    if (r.medium.value == Medium::Pressed) {
        return checkPressed(r);
    }
    if (r.status.value == DiscStatus::Blank) {
        return checkBlank(r);
    }
    if (r.status.value == DiscStatus::Complete && r.lastSession.value != SessionState::Complete) {
        return LayoutProblem{r.lastSession.line, "a complete disc's last session is complete"};
    }
    if (r.nextWritable.given() && r.lastSession.value != SessionState::Incomplete) {
        return LayoutProblem{r.nextWritable.line,
                             "next-writable needs last-session = incomplete (an open track)"};
    }
    return std::nullopt;
}

std::optional<LayoutProblem> applyRecording(const Recording& r, Disc& disc) {
    disc.medium = r.medium.value;
    disc.status = r.status.value;
    disc.atip = r.atip;
    disc.subchannelFile = r.subchannel.value;
    const bool appendable = r.status.value != DiscStatus::Complete;
    disc.lastSession = appendable && r.lastSession.value != SessionState::Incomplete
                           ? SessionState::Empty
                           : r.lastSession.value;
    if (disc.status == DiscStatus::Blank) {
        return std::nullopt;
    }
    if (auto problem = layOutSessions(r.sessions, disc)) {
        return problem;
    }
    if (auto problem = applyWriteMethods(r, disc)) {
        return problem;
    }
    if (!disc.recordable()) {
        return std::nullopt;
    }
    const int atipLine = firstGiven({r.lastLeadOutLine, r.atipLine, r.medium.line});
    const std::int32_t lastLeadOut = disc.atip.lastLeadOutLba();
    if (disc.leadOut > lastLeadOut) {
        return LayoutProblem{atipLine, "the image ends at LBA " + std::to_string(disc.leadOut) +
                                           ", beyond the last possible lead-out at LBA " +
                                           std::to_string(lastLeadOut)};
    }
    if (disc.lastSession == SessionState::Incomplete) {
        return openLastTrack(r, disc);
    }
    if (appendable) {
        const std::int32_t gap =
            disc.sessions.size() == 1 ? kSessionGapAfterFirst : kSessionGapAfterLater;
        if (disc.leadOut + gap >= lastLeadOut) {
            return LayoutProblem{firstGiven({r.status.line, atipLine}),
                                 "no room for another session before the last possible "
                                 "lead-out at LBA " +
                                     std::to_string(lastLeadOut)};
        }
    }
    return std::nullopt;
}

}  // namespace kel::emu
