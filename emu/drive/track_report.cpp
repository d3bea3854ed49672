#include "emu/drive/track_report.h"

#include <algorithm>

namespace kel::emu {

namespace {

constexpr std::uint8_t kDamage = 0x20;
constexpr std::uint8_t kCopy = 0x10;
constexpr std::uint8_t kReserved = 0x80;
constexpr std::uint8_t kBlank = 0x40;
constexpr std::uint8_t kPacket = 0x20;
constexpr std::uint8_t kFixedPacket = 0x10;
constexpr std::uint8_t kUnknownDataMode = 0x0F;

// A fixed packet takes its user blocks plus link, run-in and run-out.
std::int32_t usableBlocks(std::int32_t physical, std::int32_t packetSize) {
    if (packetSize == 0) {
        return std::max(0, physical);
    }
    const std::int32_t perPacket = packetSize + kLinkBlocks + kRunInBlocks + kRunOutBlocks;
    return std::max(0, physical) / perPacket * packetSize;
}

std::int32_t leadOutBlocks(int session) {
    return session == 1 ? kFirstLeadOutBlocks : kLaterLeadOutBlocks;
}

TrackReport writtenTrack(const Disc& disc, const Track& track) {
    TrackReport report;
    report.number = track.number;
    report.session = track.session;
    report.start = track.start;
    report.size = track.end - track.start;
    report.trackMode = static_cast<std::uint8_t>(
        (track.control & 0x0F) | (track.damaged ? kDamage : 0) | (track.copy ? kCopy : 0));
    std::uint8_t dataMode = track.format == SectorFormat::Mode1   ? 1
                            : track.format == SectorFormat::Mode2 ? 2
                                                                  : kUnknownDataMode;
    if (track.reserved) {
        dataMode |= kReserved;
    }
    if (track.writeMethod == WriteMethod::Packet) {
        dataMode |= kPacket;
        if (track.packetSize > 0) {
            dataMode |= kFixedPacket;
            report.packetSize = track.packetSize;
        }
    }
    report.dataMode = dataMode;
    const bool open = disc.lastSession == SessionState::Incomplete && &track == &disc.tracks.back();
    if (open && disc.nextWritable) {
        const std::int32_t lastLeadOut = disc.atip.lastLeadOutLba();
        report.nextWritable = *disc.nextWritable;
        report.freeBlocks = usableBlocks(lastLeadOut - *disc.nextWritable, track.packetSize);
        report.size = *disc.nextWritable - track.start + report.freeBlocks;
    }
    return report;
}

}  // namespace

std::int32_t atipLeadInLba(const Atip& atip) {
    // Times from 90:00:00 on lie before LBA 0: the lead-in counts down to it.
    const auto& t = atip.leadInStart;
    return (t.minute * 60 + t.second) * 75 + t.frame - 100 * 60 * 75 - kPregapFrames;
}

int completeSessionCount(const Disc& disc) {
    return static_cast<int>(std::count_if(
        disc.sessions.begin(), disc.sessions.end(),
        [](const Session& session) { return session.state == SessionState::Complete; }));
}

std::optional<std::int32_t> nextProgramArea(const Disc& disc) {
    if (disc.status == DiscStatus::Complete) {
        return std::nullopt;
    }
    if (disc.sessions.empty()) {
        return 0;
    }
    const Session& last = disc.sessions.back();
    if (last.state == SessionState::Incomplete) {
        return std::nullopt;
    }
    return last.leadOut + leadOutBlocks(last.number) + kLeadInBlocks + kPregapFrames;
}

std::optional<TrackReport> invisibleTrack(const Disc& disc) {
    const auto start = nextProgramArea(disc);
    if (!start) {
        return std::nullopt;
    }
    TrackReport report;
    report.number = disc.tracks.empty() ? 1 : disc.tracks.back().number + 1;
    report.session = static_cast<int>(disc.sessions.size()) + 1;
    report.start = *start;
    report.nextWritable = *start;
    report.freeBlocks = usableBlocks(disc.atip.lastLeadOutLba() - *start, 0);
    report.size = report.freeBlocks;
    report.dataMode = kBlank | kUnknownDataMode;
    return report;
}

std::optional<TrackReport> reportTrack(const Disc& disc, int number) {
    for (const Track& track : disc.tracks) {
        if (track.number == number) {
            return writtenTrack(disc, track);
        }
    }
    auto invisible = invisibleTrack(disc);
    if (invisible && invisible->number == number) {
        return invisible;
    }
    return std::nullopt;
}

std::optional<TrackReport> reportLastTrack(const Disc& disc) {
    if (disc.lastSession == SessionState::Incomplete && !disc.tracks.empty()) {
        return writtenTrack(disc, disc.tracks.back());
    }
    return invisibleTrack(disc);
}

std::optional<TrackReport> reportTrackAt(const Disc& disc, std::int32_t lba) {
    if (const Track* track = disc.trackAt(lba)) {
        return writtenTrack(disc, *track);
    }
    auto last = reportLastTrack(disc);
    if (last && lba >= last->start && lba < last->start + last->size) {
        return last;
    }
    return std::nullopt;
}

int reportedSessionCount(const Disc& disc) {
    const int sessions = static_cast<int>(disc.sessions.size());
    return invisibleTrack(disc) ? sessions + 1 : std::max(1, sessions);
}

std::int32_t lastSessionLeadIn(const Disc& disc) {
    const auto invisible = invisibleTrack(disc);
    const int session = invisible ? invisible->session : disc.sessions.back().number;
    if (session == 1) {
        return atipLeadInLba(disc.atip);
    }
    const Session& before = disc.sessions[static_cast<std::size_t>(session - 2)];
    return before.leadOut + leadOutBlocks(before.number);
}

}  // namespace kel::emu
