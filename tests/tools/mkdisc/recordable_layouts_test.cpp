// Recordable discs and multi-session layouts as the emulated drive loads and
// answers them: each answer is worked out from the recipe and the plan, as a
// drive holding such a disc gives it.
#include <gtest/gtest.h>

#include "built_layout.h"
#include "drive_queries.h"
#include "emu/sector/sector.h"

namespace kel::mkdisc {
namespace {

using testing::Answer;
using testing::bigEndian32;
using testing::BuiltLayouts;
using testing::DriveQueries;
using testing::kRecordableRecipes;

constexpr std::uint8_t kLeadOutPoint = 0xAA;

class RecordableLayouts : public BuiltLayouts {
protected:
    // Sessions with a lead-in: all but an open last one.
    std::size_t completeSessions() const {
        const std::size_t all = built_.plan.sessions.size();
        return recipe_.state == DiscState::Open ? all - 1 : all;
    }
    std::int32_t gapAfter(int session) const {
        return session == 1 ? emu::kSessionGapAfterFirst : emu::kSessionGapAfterLater;
    }
    std::int32_t lastLeadOutLba() const {
        const std::string text = recipe_.atip && !recipe_.atip->lastLeadOut.empty()
                                     ? recipe_.atip->lastLeadOut
                                     : "79:59:74";
        const int m = std::stoi(text.substr(0, 2)), s = std::stoi(text.substr(3, 2)),
                  f = std::stoi(text.substr(6, 2));
        return (m * 60 + s) * 75 + f - emu::kPregapFrames;
    }
    bool blank() const { return recipe_.state == DiscState::Blank; }
};

// The discs with at least one session that has a lead-in.
class RecordedSessions : public RecordableLayouts {};

bool hasCompleteSession(const Recipe& recipe) {
    return !recipe.tracks.empty() && (recipe.state != DiscState::Open || !recipe.sessions.empty());
}

TEST_P(RecordableLayouts, LoadWithTheSessionsAndStateOfThePlan) {
    const emu::Disc& disc = loaded_.disc;
    const DiscPlan& plan = built_.plan;
    EXPECT_EQ(disc.medium, static_cast<emu::Medium>(recipe_.medium));
    const emu::DiscStatus status = blank() ? emu::DiscStatus::Blank
                                   : recipe_.state == DiscState::Closed
                                       ? emu::DiscStatus::Complete
                                       : emu::DiscStatus::Incomplete;
    EXPECT_EQ(disc.status, status);
    ASSERT_EQ(disc.tracks.size(), recipe_.tracks.size());
    for (std::size_t i = 0; i < disc.tracks.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const emu::Track& track = disc.tracks[i];
        const TrackPlacement& placed = plan.tracks[i];
        EXPECT_EQ(track.session, placed.session);
        EXPECT_EQ(track.start, placed.start);
        EXPECT_EQ(track.end, placed.end);
        EXPECT_EQ(track.writeMethod,
                  static_cast<emu::WriteMethod>(recipe_.methodOf(recipe_.tracks[i])));
        if (recipe_.methodOf(recipe_.tracks[i]) == WriteMethod::Packet) {
            EXPECT_EQ(track.packetSize, recipe_.packetSizeOf(recipe_.tracks[i]));
        }
    }
    ASSERT_EQ(disc.sessions.size(), plan.sessions.size());
    for (std::size_t i = 0; i < plan.sessions.size(); ++i) {
        SCOPED_TRACE("session " + std::to_string(i + 1));
        EXPECT_EQ(disc.sessions[i].number, plan.sessions[i].number);
        EXPECT_EQ(disc.sessions[i].firstTrack, plan.tracks[plan.sessions[i].firstTrack].number);
        EXPECT_EQ(disc.sessions[i].leadOut, plan.sessions[i].leadOut);
    }
    if (recipe_.state == DiscState::Open) {
        ASSERT_TRUE(disc.nextWritable.has_value());
        EXPECT_EQ(*disc.nextWritable, plan.nextWritable);
        EXPECT_EQ(disc.lastSession, emu::SessionState::Incomplete);
    } else {
        EXPECT_FALSE(disc.nextWritable.has_value());
    }
    // The session gap holds nothing: the previous lead-out and the next lead-in.
    for (std::size_t i = 1; i < plan.sessions.size(); ++i) {
        EXPECT_TRUE(disc.isUnwritten(plan.sessions[i - 1].leadOut));
        EXPECT_TRUE(disc.isUnwritten(plan.sessions[i].start - emu::kPregapFrames - 1));
    }
}

TEST_P(RecordableLayouts, TocListsTheTracksOfTheCompleteSessions) {
    DriveQueries drive(built_.descriptor);
    const Answer toc = drive.readToc(0);
    const std::size_t complete = completeSessions();
    if (complete == 0 && !blank()) {
        EXPECT_FALSE(toc.ok) << "no session has a lead-in to read";
        EXPECT_EQ(toc.key, 5);
        EXPECT_EQ(toc.asc, 0x24);
        return;
    }
    ASSERT_TRUE(toc.ok) << int(toc.key) << "/" << int(toc.asc);
    std::vector<std::pair<int, std::int32_t>> expected;  // track, LBA
    std::int32_t leadOut = lastLeadOutLba();             // a blank disc: the last possible lead-out
    for (std::size_t s = 0; s < complete; ++s) {
        const SessionPlacement& session = built_.plan.sessions[s];
        for (const TrackPlacement& track : built_.plan.tracks) {
            if (track.session == session.number) {
                expected.emplace_back(track.number, track.start);
            }
        }
        leadOut = session.leadOut;
    }
    expected.emplace_back(kLeadOutPoint, leadOut);
    std::vector<std::pair<int, std::int32_t>> listed;
    for (std::size_t at = 4; at + 8 <= toc.data.size(); at += 8) {
        listed.emplace_back(toc.data[at + 2],
                            static_cast<std::int32_t>(bigEndian32(toc.data, at + 4)));
    }
    EXPECT_EQ(listed, expected);
}

TEST_P(RecordedSessions, SessionInformationNamesTheLastCompleteSession) {
    DriveQueries drive(built_.descriptor);
    const Answer info = drive.readToc(1);
    ASSERT_TRUE(info.ok);
    ASSERT_GE(info.data.size(), 12u);
    const SessionPlacement& last = built_.plan.sessions[completeSessions() - 1];
    EXPECT_EQ(info.data[2], 1);
    EXPECT_EQ(info.data[3], last.number);
    EXPECT_EQ(info.data[6], built_.plan.tracks[last.firstTrack].number);
    EXPECT_EQ(static_cast<std::int32_t>(bigEndian32(info.data, 8)), last.start);
}

// One 11-byte descriptor of the full TOC.
struct FullTocEntry {
    int session = 0;
    int point = 0;
    std::array<std::uint8_t, 3> msf{};
    std::array<std::uint8_t, 3> pmsf{};
};

std::array<std::uint8_t, 3> msfOf(std::int32_t lba) {
    const emu::sector::Msf msf = emu::sector::lbaToMsf(lba);
    return {msf.minute, msf.second, msf.frame};
}

TEST_P(RecordedSessions, FullTocDescribesEachCompleteSession) {
    DriveQueries drive(built_.descriptor);
    const Answer toc = drive.readToc(2, true, 1);
    ASSERT_TRUE(toc.ok);
    std::vector<FullTocEntry> entries;
    for (std::size_t at = 4; at + 11 <= toc.data.size(); at += 11) {
        const auto* d = &toc.data[at];
        entries.push_back({d[0], d[3], {d[4], d[5], d[6]}, {d[8], d[9], d[10]}});
    }
    const auto find = [&entries](int session, int point) -> const FullTocEntry* {
        for (const FullTocEntry& entry : entries) {
            if (entry.session == session && entry.point == point) {
                return &entry;
            }
        }
        ADD_FAILURE() << "no POINT " << std::hex << point << " in session " << session;
        return nullptr;
    };
    const bool recordable = recipe_.medium != Medium::Pressed;
    for (std::size_t s = 0; s < completeSessions(); ++s) {
        const SessionPlacement& session = built_.plan.sessions[s];
        SCOPED_TRACE("session " + std::to_string(session.number));
        int lastTrack = 0;
        for (const TrackPlacement& track : built_.plan.tracks) {
            if (track.session != session.number) {
                continue;
            }
            lastTrack = track.number;
            if (const auto* entry = find(session.number, track.number)) {
                EXPECT_EQ(entry->pmsf, msfOf(track.start));
            }
        }
        if (const auto* a0 = find(session.number, 0xA0)) {
            EXPECT_EQ(a0->pmsf[0], built_.plan.tracks[session.firstTrack].number);
        }
        if (const auto* a1 = find(session.number, 0xA1)) {
            EXPECT_EQ(a1->pmsf[0], lastTrack);
        }
        if (const auto* a2 = find(session.number, 0xA2)) {
            EXPECT_EQ(a2->pmsf, msfOf(session.leadOut));
        }
        if (!recordable) {
            continue;
        }
        if (const auto* b0 = find(session.number, 0xB0)) {
            const bool closed = recipe_.state == DiscState::Closed && s + 1 == completeSessions();
            const std::array<std::uint8_t, 3> none{0xFF, 0xFF, 0xFF};
            // The next program area begins with its first track's pregap.
            EXPECT_EQ(b0->msf, closed ? none
                                      : msfOf(session.leadOut + gapAfter(session.number) -
                                              emu::kPregapFrames));
            EXPECT_EQ(b0->pmsf, msfOf(lastLeadOutLba()));
        }
    }
    if (recordable) {
        if (const auto* c0 = find(1, 0xC0)) {
            const std::string leadIn = recipe_.atip && !recipe_.atip->leadInStart.empty()
                                           ? recipe_.atip->leadInStart
                                           : "97:26:66";
            EXPECT_EQ(c0->pmsf[0], std::stoi(leadIn.substr(0, 2)));
            EXPECT_EQ(c0->pmsf[1], std::stoi(leadIn.substr(3, 2)));
            EXPECT_EQ(c0->pmsf[2], std::stoi(leadIn.substr(6, 2)));
        }
    }
}

TEST_P(RecordableLayouts, AtipIsThereOnRecordableMediaOnly) {
    DriveQueries drive(built_.descriptor);
    const Answer atip = drive.readToc(4);
    if (recipe_.medium == Medium::Pressed) {
        EXPECT_FALSE(atip.ok);
        EXPECT_EQ(atip.key, 5);
        EXPECT_EQ(atip.asc, 0x24);
        return;
    }
    ASSERT_TRUE(atip.ok);
    ASSERT_EQ(atip.data.size(), 28u);
    EXPECT_EQ(atip.data[4] & 0x80, 0x80);
    EXPECT_EQ(atip.data[6] & 0x80, 0x80);
    EXPECT_EQ(atip.data[6] & 0x40, recipe_.medium == Medium::CdRw ? 0x40 : 0);
    const emu::Atip& wanted = loaded_.disc.atip;
    EXPECT_EQ(atip.data[8], wanted.leadInStart.minute);
    EXPECT_EQ(atip.data[9], wanted.leadInStart.second);
    EXPECT_EQ(atip.data[10], wanted.leadInStart.frame);
    EXPECT_EQ((std::array<std::uint8_t, 3>{atip.data[12], atip.data[13], atip.data[14]}),
              msfOf(lastLeadOutLba()));
    if (recipe_.atip && recipe_.atip->discSubType >= 0) {
        EXPECT_EQ((atip.data[6] >> 3) & 7, recipe_.atip->discSubType);
    }
}

TEST_P(RecordableLayouts, DiscInformationGivesStatusAndTheLastSession) {
    DriveQueries drive(built_.descriptor);
    const Answer info = drive.discInformation();
    ASSERT_TRUE(info.ok);
    ASSERT_GE(info.data.size(), 24u);
    const int status = info.data[2] & 0x03;
    const int lastSession = (info.data[2] >> 2) & 0x03;
    EXPECT_EQ((info.data[2] & 0x10) != 0, recipe_.medium == Medium::CdRw) << "erasable";
    const std::size_t sessions = built_.plan.sessions.size();
    switch (recipe_.state) {
        case DiscState::Closed:
            EXPECT_EQ(status, 2);
            EXPECT_EQ(lastSession, 3);
            EXPECT_EQ(info.data[4], sessions);
            EXPECT_EQ(info.data[5],
                      built_.plan.tracks[built_.plan.sessions.back().firstTrack].number);
            EXPECT_EQ(info.data[6], built_.plan.tracks.back().number);
            break;
        case DiscState::Appendable:
            // The next session counts, empty, with the invisible track as its only one.
            EXPECT_EQ(status, 1);
            EXPECT_EQ(lastSession, 0);
            EXPECT_EQ(info.data[4], sessions + 1);
            EXPECT_EQ(info.data[5], built_.plan.tracks.size() + 1);
            EXPECT_EQ(info.data[6], built_.plan.tracks.size() + 1);
            break;
        case DiscState::Open:
            EXPECT_EQ(status, 1);
            EXPECT_EQ(lastSession, 1);
            EXPECT_EQ(info.data[4], sessions);
            EXPECT_EQ(info.data[5],
                      built_.plan.tracks[built_.plan.sessions.back().firstTrack].number);
            EXPECT_EQ(info.data[6], built_.plan.tracks.back().number);
            break;
        case DiscState::Blank:
            EXPECT_EQ(status, 0);
            EXPECT_EQ(lastSession, 0);
            EXPECT_EQ(info.data[4], 1);
            EXPECT_EQ(info.data[5], 1);
            EXPECT_EQ(info.data[6], 1);
            break;
    }
    EXPECT_EQ(info.data[3], 1) << "first track on the disc";
}

TEST_P(RecordableLayouts, TrackInformationOfEveryTrackAndTheInvisibleOne) {
    DriveQueries drive(built_.descriptor);
    const DiscPlan& plan = built_.plan;
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const TrackPlacement& placed = plan.tracks[i];
        const TrackRecipe& track = recipe_.tracks[i];
        const Answer info = drive.trackInformation(static_cast<std::uint32_t>(placed.number));
        ASSERT_TRUE(info.ok);
        ASSERT_GE(info.data.size(), 28u);
        EXPECT_EQ(info.data[2], placed.number);
        EXPECT_EQ(info.data[3], placed.session);
        EXPECT_EQ(bigEndian32(info.data, 8), static_cast<std::uint32_t>(placed.start));
        EXPECT_EQ(info.data[6] & 0x40, 0) << "written, not blank";
        const bool packet = recipe_.methodOf(track) == WriteMethod::Packet;
        EXPECT_EQ((info.data[6] & 0x20) != 0, packet);
        const bool open = recipe_.state == DiscState::Open && i + 1 == plan.tracks.size();
        EXPECT_EQ(info.data[7] & 0x01, open ? 1 : 0) << "NWA valid on the open track only";
        if (packet) {
            EXPECT_EQ(info.data[6] & 0x10, 0x10) << "fixed packets";
            EXPECT_EQ(bigEndian32(info.data, 20),
                      static_cast<std::uint32_t>(recipe_.packetSizeOf(track)));
        }
        if (open) {
            EXPECT_EQ(bigEndian32(info.data, 12), static_cast<std::uint32_t>(plan.nextWritable));
            const std::uint32_t free = bigEndian32(info.data, 16);
            EXPECT_GT(free, 0u);
            EXPECT_EQ(free % static_cast<std::uint32_t>(recipe_.packetSizeOf(track)), 0u);
            EXPECT_LT(free, static_cast<std::uint32_t>(lastLeadOutLba() - plan.nextWritable));
        } else {
            EXPECT_EQ(bigEndian32(info.data, 24),
                      static_cast<std::uint32_t>(placed.end - placed.start))
                << "track size";
        }
    }
    const Answer invisible = drive.trackInformation(0xFF);
    if (recipe_.state == DiscState::Closed) {
        EXPECT_FALSE(invisible.ok) << "a closed disc has no track to write";
        return;
    }
    ASSERT_TRUE(invisible.ok);
    ASSERT_GE(invisible.data.size(), 28u);
    if (recipe_.state == DiscState::Open) {
        EXPECT_EQ(invisible.data[2], plan.tracks.back().number) << "the open track";
        return;
    }
    const std::int32_t start = blank() ? 0 : plan.leadOut + gapAfter(plan.sessions.back().number);
    EXPECT_EQ(invisible.data[2], plan.tracks.size() + 1);
    EXPECT_EQ(invisible.data[6] & 0x40, 0x40) << "blank";
    EXPECT_EQ(bigEndian32(invisible.data, 8), static_cast<std::uint32_t>(start));
    EXPECT_EQ(invisible.data[7] & 0x01, 1);
    EXPECT_EQ(bigEndian32(invisible.data, 12), static_cast<std::uint32_t>(start));
    EXPECT_EQ(bigEndian32(invisible.data, 16),
              static_cast<std::uint32_t>(lastLeadOutLba() - start));

    const Answer beyond = drive.trackInformation(plan.tracks.size() + 2);
    EXPECT_FALSE(beyond.ok);
    EXPECT_EQ(beyond.key, 5);
    EXPECT_EQ(beyond.asc, 0x24);
}

INSTANTIATE_TEST_SUITE_P(Recordable, RecordableLayouts, ::testing::ValuesIn(kRecordableRecipes),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Recordable, RecordedSessions,
                         ::testing::ValuesIn(testing::recipesWhere(kRecordableRecipes,
                                                                   hasCompleteSession)),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kel::mkdisc
