// The track list from the TOC, against scripted READ TOC replies: blank
// discs, drives that miscount the TOC, sessions with and without a full
// TOC, the end of each track, and replies that claim more than they hold.
#include "track_list_fixture.h"

namespace kel::diag::testing {
namespace {

using TocTracks = TrackListTest;

TEST_F(TocTracks, LeadOutAloneIsABlankDiscWithoutAFullTocRead) {
    useMmc();
    reply(toc0({{kData, 0xAA, 359849}}));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    EXPECT_EQ(commands().size(), 1u) << "no full TOC for a blank disc";
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->track, 1);
    EXPECT_EQ(list[0]->end, 359849);
    EXPECT_EQ(list[0]->flags, track_flags::kBlank | track_flags::kOpen);
    ASSERT_NE(list[0]->root, nullptr);
    EXPECT_STREQ(list[0]->root->name, "Blank disc (359849 free blocks)");
    EXPECT_EQ(list[0]->root->track, list[0]);
    EXPECT_TRUE(IsDirectory(*list[0]->root));
}

TEST_F(TocTracks, LeadOutLeftOutOfTheLengthIsStillTaken) {
    useMmc();
    reply(toc0({{kData, 1, 0}, {kData, 0xAA, 5000}}, -8));
    refuse();
    ASSERT_TRUE(ReadTocTracks(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->track, 0xAA);
    EXPECT_EQ(list[1]->start, 5000);
    EXPECT_EQ(list[0]->end, 5000);
    EXPECT_TRUE(messages_.empty()) << "the refused full TOC is read quietly";
    EXPECT_EQ(device_->quiet, 0);
}

TEST_F(TocTracks, WithoutFullTocEachDataTrackEndsASession) {
    useMmc();
    reply(toc0({{kAudio, 1, 0},
                {kAudio, 2, 1000},
                {kData, 3, 20000},
                {kData, 4, 40000},
                {kData, 0xAA, 60000}}));
    refuse();
    ASSERT_TRUE(ReadTocTracks(buffer_));
    EXPECT_TRUE(logged("Unable to read mode 2 TOC"));
    const auto list = records();
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 1);
    EXPECT_EQ(list[2]->session, 1);
    EXPECT_EQ(list[3]->session, 2);
    EXPECT_EQ(list[4]->session, 2) << "the lead-out closes the last track's session";
    EXPECT_EQ(list[0]->end, 1000);
    EXPECT_EQ(list[1]->end, 20000 - kSessionGap) << "audio before data";
    EXPECT_EQ(list[2]->end, 40000 - kSessionGap) << "next session";
    EXPECT_EQ(list[3]->end, 60000) << "the last track keeps its whole length";
}

TEST_F(TocTracks, FullTocGivesSessionsXaAndTheClosedMarker) {
    useMmc();
    reply(toc0({{kAudio, 1, 0}, {kData, 2, 30000}, {kData, 0xAA, 40000}}));
    reply(fullToc(2, {{1, kAudio, 0xA0, 0, 0, 0, 1, 0x00, 0},
                      {1, kAudio, 1},
                      {2, kData, 0xA0, 0, 0, 0, 2, 0x20, 0},
                      {2, kData, 2},
                      {2, kData, 0xB0, 0xFF, 0xFF, 0xFF}}));
    drive_->queue(ScriptedReply::checkCondition(5, 0x21, 0));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->flags & track_flags::kCdRomXa, track_flags::kCdRomXa);
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[2]->session, 2);
    EXPECT_EQ(list[2]->end, kClosedDiscMarker);
    EXPECT_FALSE(DiscIsOpen(*list[2]));
    // Audio before data in the next session: one gap lies between them,
    // however long the audio track is.
    EXPECT_EQ(list[0]->end, 30000 - kSessionGap);
    EXPECT_TRUE(messages_.empty());
}

// Session 1's B0 names where session 2 starts; whether anything may follow
// the last session is told by its own B0 entry alone, wherever the drive
// lists it, and a closed disc's last session may have none.
TEST_F(TocTracks, OnlyTheLastSessionsB0TellsAnOpenDisc) {
    struct Case {
        const char* what;
        Bytes fullToc;
        std::int32_t leadOutEnd;
    };
    const Case cases[] = {
        {"no B0 in the last session",
         fullToc(2, {{1, kData, 1}, {1, kData, 0xB0, 6, 56, 0}, {2, kData, 2}}), 0},
        {"the last session's B0 listed first",
         fullToc(2, {{2, kData, 0xB0, 0xFF, 0xFF, 0xFF},
                     {1, kData, 1},
                     {1, kData, 0xB0, 6, 56, 0},
                     {2, kData, 2}}),
         kClosedDiscMarker},
    };
    useMmc();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reply(toc0({{kData, 1, 0}, {kData, 2, 31400}, {kData, 0xAA, 40000}}));
        reply(c.fullToc);
        ASSERT_TRUE(ReadTocTracks(buffer_));
        EXPECT_EQ(commands().size(), 2u) << "nothing read behind the lead-out";
        const auto list = records();
        ASSERT_EQ(list.size(), 3u) << "no open session";
        EXPECT_EQ(list[1]->session, 2);
        EXPECT_EQ(list[2]->end, c.leadOutEnd);
        EXPECT_FALSE(DiscIsOpen(*list[2]));
        ReleaseDiscInfo();
        drive_->clearCommands();
    }
}

TEST_F(TocTracks, BcdPointsNameTheirTracks) {
    useMmc();
    reply(toc0({{kData, 10, 0}, {kData, 11, 30000}, {kData, 0xAA, 40000}}));
    reply(fullToc(2, {{1, kData, 0x10}, {2, kData, 0x11}}));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    const auto list = records();
    EXPECT_EQ(list[0]->session, 1);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[0]->end, 30000 - kSessionGap);
}

TEST_F(TocTracks, DataBeyondTheNextProgramAreaIsAnOpenSession) {
    useMmc();
    reply(toc0({{kData, 1, 0}, {kData, 0xAA, 20000}}));
    // Next program area at 05:00:00, a readable block 16 behind it.
    reply(fullToc(1, {{1, kData, 1}, {1, kData, 0xB0, 5, 0, 0}}));
    reply(Bytes(2048, 0));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    const Bytes read = cdb(2);
    EXPECT_EQ(read[0], 0x28);
    EXPECT_EQ((read[2] << 24) | (read[3] << 16) | (read[4] << 8) | read[5], 22500 + 16);
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1]->track, 2);
    EXPECT_EQ(list[1]->start, 22500) << "where the next program area's first track starts";
    EXPECT_EQ(list[1]->control, 0x14);
    EXPECT_EQ(list[1]->flags, track_flags::kOpen);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[2]->session, 2);
    EXPECT_EQ(list[2]->end, 22500);
    EXPECT_TRUE(DiscIsOpen(*list[2]));
}

TEST_F(TocTracks, AStartBelowItsPredecessorEndsTheEndComputation) {
    useMmc();
    reply(toc0({{kData, 1, 0}, {kData, 2, 5000}, {kData, 3, 3000}, {kData, 0xAA, 9000}}));
    reply(fullToc(1, {{1, kData, 1}, {1, kData, 2}, {1, kData, 3}}));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    const auto list = records();
    EXPECT_EQ(list[0]->end, 5000);
    EXPECT_EQ(list[1]->end, 9000) << "the record after the next one";
    EXPECT_EQ(list[2]->end, 0);
}

TEST_F(TocTracks, LogShowsEveryRecordInItsLayout) {
    useMmc();
    reply(toc0({{kData, 1, 0}, {kData, 0xAA, 5000}}));
    reply(fullToc(1, {{1, kData, 1}}));
    ASSERT_TRUE(ReadTocTracks(buffer_));
    Tracks().first->flags |= track_flags::kPacket | track_flags::kContinuation;
    LogTrackList();
    EXPECT_TRUE(logged(" 1 TOC  1 start:     0 End:  5000 Ctl:14 Free:0 NWA:0 Packet Cont"));
    EXPECT_TRUE(logged(" 1 TOC aa start:  5000 End:     0 Ctl:14 Free:0 NWA:0  "));
}

// Faults of the drive: each ends in false or a list read from within the
// buffer, never in a read past it (the sanitizer build checks that).
TEST_F(TocTracks, FailedOrEmptyTocGivesFalse) {
    useMmc();
    refuse();
    EXPECT_FALSE(ReadTocTracks(buffer_));
    EXPECT_TRUE(logged("Error reading mode 0 TOC."));

    // A length with no room for a descriptor holds none.
    reply(toc0({}, 0));
    EXPECT_FALSE(ReadTocTracks(buffer_));
    Bytes shortLength = toc0({{kData, 1, 0}, {kData, 0xAA, 5000}});
    shortLength[1] = 9;
    reply(shortLength);
    EXPECT_FALSE(ReadTocTracks(buffer_));
    EXPECT_TRUE(logged("Empty TOC, assuming some kind of CD-RW disc."));
    EXPECT_EQ(Tracks().first, nullptr);
}

TEST_F(TocTracks, LengthsBeyondTheBufferAreCut) {
    useMmc();
    Bytes huge = toc0({{kData, 1, 0}, {kData, 0xAA, 5000}});
    huge[0] = huge[1] = 0xFF;
    reply(huge);
    Bytes fullTooLong = fullToc(1, {{1, kData, 1}});
    fullTooLong[0] = 0x08;  // 2 KiB and more: beyond the buffer's whole entries
    reply(fullTooLong);
    ASSERT_TRUE(ReadTocTracks(buffer_));
    // The zeroed rest of the buffer is as many empty descriptors as fit.
    EXPECT_EQ(records().size(), (kReplyBufferBytes - 4) / 8);

    ReleaseDiscInfo();
    reply(toc0({{kData, 1, 0}, {kData, 0xAA, 5000}}));
    Bytes fullBeyond = fullToc(3, {{3, kData, 1}});
    fullBeyond[0] = 0x09;
    reply(fullBeyond);
    ASSERT_TRUE(ReadTocTracks(buffer_));
    EXPECT_EQ(records()[0]->session, 1) << "numbered by data tracks instead";
    EXPECT_EQ(records()[1]->session, 1);
}

}  // namespace
}  // namespace kel::diag::testing
