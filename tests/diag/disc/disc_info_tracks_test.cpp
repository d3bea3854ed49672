// The track list of a disc without a readable TOC, from scripted disc and
// track information: blank and incomplete discs, the walk to track 255, the
// older vendor layouts, and replies that do not belong to the track asked.
#include "track_list_fixture.h"

namespace kel::diag::testing {
namespace {

using DiscInfoTracks = TrackListTest;

TEST_F(DiscInfoTracks, EmptyDiscIsOneBlankRecordWithTrackOnesFreeBlocks) {
    useMmc();
    reply(discInfo(0, false, 1, 1));
    reply(trackInfo({.track = 1, .dataMode = 0x4F, .size = 359849, .freeBlocks = 359849}));
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->end, 359849);
    EXPECT_EQ(list[0]->flags, track_flags::kBlank | track_flags::kOpen);
    EXPECT_TRUE(logged("Attempting to obtain disc information from D:."));
}

// Track 3 is refused, so the walk goes on with 255, whose reply is track 2
// again.
TEST_F(DiscInfoTracks, IncompleteDiscWalksTheTracksThenTrack255) {
    useMmc();
    reply(discInfo(1, true, 1, 2));
    reply(trackInfo({.track = 1, .session = 1, .start = 0, .size = 20000}));
    const TrackFields open{.track = 2,
                           .session = 2,
                           .trackMode = 0x05,
                           .dataMode = 0x31,
                           .start = 31400,
                           .size = 50000,
                           .freeBlocks = 40000,
                           .nextWritable = 41400,
                           .packetSize = 32};
    reply(trackInfo(open));
    refuse();
    reply(trackInfo(open));
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(askedTracks(), (std::vector<int>{1, 2, 3, 255}));
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->end, 20000);
    EXPECT_EQ(list[0]->control, 0x04);
    EXPECT_EQ(list[0]->flags, track_flags::kErasable);
    EXPECT_EQ(list[1]->track, 2);
    EXPECT_EQ(list[1]->session, 2);
    EXPECT_EQ(list[1]->end, 41400) << "start + size - free blocks is the next writable address";
    EXPECT_EQ(list[1]->nextWritable, 41400);
    EXPECT_EQ(list[1]->freeBlocks, 40000);
    EXPECT_EQ(list[1]->packetSize, 32u);
    EXPECT_EQ(list[1]->control, 0x05);
    EXPECT_EQ(list[1]->trackModeByte, 0x05);
    EXPECT_EQ(list[1]->dataModeByte, 0x31);
    EXPECT_EQ(list[1]->flags, track_flags::kPacket | track_flags::kOpen);
}

TEST_F(DiscInfoTracks, Track255AddsTheInvisibleTrackWhenItIsNew) {
    useMmc();
    reply(discInfo(1, false, 1, 2));
    reply(trackInfo({.track = 1, .size = 20000}));
    refuse();
    reply(trackInfo({.track = 2,
                     .session = 2,
                     .trackMode = 0x00,
                     .dataMode = 0x4F,
                     .start = 31400,
                     .size = 300000,
                     .freeBlocks = 300000,
                     .nextWritable = 31400}));
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->track, 2);
    EXPECT_EQ(list[1]->nextWritable, 0) << "at its own start";
    EXPECT_EQ(list[1]->flags, track_flags::kBlank | track_flags::kOpen);
}

TEST_F(DiscInfoTracks, OlderLayoutTakesTheTrackNumberAsked) {
    useMmc();
    reply(discInfo(1, false, 1, 1));
    reply(oldTrackInfo({.trackMode = 0x05,
                        .dataMode = 0x22,
                        .start = 0,
                        .size = 8000,
                        .freeBlocks = 100,
                        .packetSize = 16}));
    refuse();
    refuse();
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->track, 1);
    EXPECT_EQ(list[0]->session, 0);
    EXPECT_EQ(list[0]->end, 8000);
    EXPECT_EQ(list[0]->freeBlocks, 100);
    EXPECT_EQ(list[0]->packetSize, 0u) << "packet but not fixed";
    EXPECT_EQ(list[0]->flags, track_flags::kPacket | track_flags::kOpen);
}

TEST_F(DiscInfoTracks, VendorNextWritableMakesOneOpenTrack) {
    useScsi2();
    device_->SetTrackInfoCommand(0xE6);
    reply({0x00, 0x00, 0x75, 0x30});
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(cdb(0)[0], 0xE6);
    const auto list = records();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->end, 30000);
    EXPECT_EQ(list[0]->control, 0x14);
    EXPECT_EQ(list[0]->flags, track_flags::kOpen);
    EXPECT_TRUE(logged("NWA returned from device is 30000."));
}

TEST_F(DiscInfoTracks, ClosedOrUnreadableDiscsGiveFalse) {
    useMmc();
    refuse();
    EXPECT_FALSE(ReadDiscInfoTracks(buffer_));
    EXPECT_TRUE(logged("Read Disc Info failed for D: (ACME CDROM-4000)."));
    reply(discInfo(2, false, 1, 1));
    EXPECT_FALSE(ReadDiscInfoTracks(buffer_));
    reply(discInfo(1, false, 0, 1));
    EXPECT_FALSE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(Tracks().first, nullptr);
}

// A reply for another track, an empty reply and a zero size each end the
// walk with what was read so far.
TEST_F(DiscInfoTracks, RepliesThatDoNotFitEndTheWalk) {
    useMmc();
    reply(discInfo(1, false, 1, 1));
    reply(trackInfo({.track = 1, .size = 100}));
    reply(trackInfo({.track = 7, .size = 100}));
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(records().size(), 1u);

    ReleaseDiscInfo();
    reply(discInfo(1, false, 1, 1));
    reply(trackInfo({.track = 1, .size = 100}));
    reply(trackInfo({.track = 2, .size = 0}));
    ASSERT_TRUE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(records().size(), 1u);

    ReleaseDiscInfo();
    reply(discInfo(1, false, 1, 1));
    reply(Bytes{0, 0});
    EXPECT_FALSE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(drive_->pendingReplies(), 0u);
}

// An absurd first track still asks at most up to 255, once each.
TEST_F(DiscInfoTracks, FirstTrack255AsksOnce) {
    useMmc();
    reply(discInfo(1, false, 255, 1));
    refuse();
    EXPECT_FALSE(ReadDiscInfoTracks(buffer_));
    EXPECT_EQ(askedTracks(), std::vector<int>{255});
}

}  // namespace
}  // namespace kel::diag::testing
