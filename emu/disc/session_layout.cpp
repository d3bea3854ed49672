#include <algorithm>

#include "emu/disc/recording.h"

namespace kel::emu {

namespace {

// Moves the track's first block (its pregap start) up to `from`; the
// stored sectors before it are dropped.
void trimFront(Track& track, std::int32_t from) {
    track.pregapStart = from;
    const std::int32_t storedFrom = std::clamp(from, track.storedFrom, track.storedTo);
    track.fileOffset +=
        static_cast<std::uint64_t>(storedFrom - track.storedFrom) * storedSectorSize(track.storage);
    track.storedFrom = storedFrom;
}

void trimEnd(Track& track, std::int32_t to) {
    track.end = to;
    track.storedTo = std::max(track.storedFrom, std::min(track.storedTo, to));
    std::erase_if(track.furtherIndexes, [to](std::int32_t index) { return index >= to; });
}

// Splits the track at `start` (an ISO image of several sessions is one
// track in the image): the new track takes the blocks from start on, with
// the 150-block pregap a recorder writes before it.
void split(std::vector<Track>& tracks, std::size_t at, std::int32_t start) {
    Track next = tracks[at];
    std::erase_if(next.furtherIndexes, [start](std::int32_t index) { return index <= start; });
    trimFront(next, start - kPregapFrames);
    next.start = start;
    trimEnd(tracks[at], next.pregapStart);
    tracks.insert(tracks.begin() + static_cast<std::ptrdiff_t>(at) + 1, next);
    for (std::size_t k = at + 1; k < tracks.size(); ++k) {
        ++tracks[k].number;
    }
}

std::string lbaText(std::int32_t lba) {
    return "LBA " + std::to_string(lba);
}

std::optional<LayoutProblem> startSession(const SessionStart& session, Disc& disc) {
    const std::int32_t start = session.start.value;
    const int line = session.start.line;
    const std::string name = "session " + std::to_string(session.number);
    auto& tracks = disc.tracks;
    const auto holder = std::find_if(tracks.begin(), tracks.end(), [start](const Track& t) {
        return start >= t.pregapStart && start < t.end;
    });
    if (holder == tracks.end() || holder->session != session.number - 1) {
        return LayoutProblem{line, name + " starts at " + lbaText(start) +
                                       ", not within the image's blocks after session " +
                                       std::to_string(session.number - 1)};
    }
    if (start < holder->start) {
        return LayoutProblem{line, name + " starts at " + lbaText(start) +
                                       ", in the pregap of track " +
                                       std::to_string(holder->number)};
    }
    auto first = static_cast<std::size_t>(holder - tracks.begin());
    if (start > holder->start) {
        split(tracks, first, start);
        ++first;
        if (tracks.back().number > 99) {
            return LayoutProblem{line,
                                 name + " at " + lbaText(start) + " makes more than 99 tracks"};
        }
    }
    const std::int32_t gap = session.number == 2 ? kSessionGapAfterFirst : kSessionGapAfterLater;
    const std::int32_t leadOut = start - gap;
    if (first == 0 || tracks[first - 1].session != session.number - 1 ||
        tracks[first - 1].start >= leadOut) {
        return LayoutProblem{line, name + " starts at " + lbaText(start) +
                                       ", leaving no room for " + "the lead-out and lead-in of " +
                                       std::to_string(gap) + " blocks after the tracks before it"};
    }
    if (tracks[first].pregapStart < start - kPregapFrames) {
        trimFront(tracks[first], start - kPregapFrames);
    }
    Track& last = tracks[first - 1];
    if (last.end > leadOut) {
        trimEnd(last, leadOut);
    }
    disc.unwritten.push_back({last.end, tracks[first].pregapStart - 1});
    for (std::size_t k = first; k < tracks.size(); ++k) {
        tracks[k].session = session.number;
    }
    return std::nullopt;
}

}  // namespace

std::optional<LayoutProblem> layOutSessions(const std::vector<SessionStart>& sessions, Disc& disc) {
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        const SessionStart& session = sessions[i];
        const int expected = static_cast<int>(i) + 2;
        if (session.number != expected) {
            return LayoutProblem{session.line, "[session " + std::to_string(session.number) +
                                                   "] out of order: expected [session " +
                                                   std::to_string(expected) + "]"};
        }
        if (!session.start.given()) {
            return LayoutProblem{session.line,
                                 "[session " + std::to_string(session.number) +
                                     "] needs \"start\" (the LBA of its first track)"};
        }
        if (auto problem = startSession(session, disc)) {
            return problem;
        }
    }
    describeSessions(disc);
    return std::nullopt;
}

}  // namespace kel::emu
