// Refining a TOC-built list with track information, standard and older
// layout, against scripted replies: what each reply field changes, the
// track being written, the lead-out of an open disc, and the drive that is
// remembered as having no track information.
#include "diag/disc/scan/scan_steps.h"
#include "track_list_fixture.h"

namespace kel::diag::testing {
namespace {

using CompleteTracks = TrackListTest;

TEST_F(CompleteTracks, MmcRepliesRefineEachTrack) {
    useMmc();
    add(1, kData, 0, 20000);
    add(2, kAudio, 20000, 30000);
    add(0xAA, kData, 30000);
    reply(discInfo(2, true, 1, 1));
    reply(trackInfo({.track = 1, .trackMode = 0x07, .start = 0, .size = 19000, .freeBlocks = 3}));
    // The audio track's size includes what the TOC leaves to the gap.
    reply(trackInfo({.track = 2, .trackMode = 0x00, .start = 20000, .size = 12000}));
    refuse();  // track 3
    refuse();  // track 255
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    EXPECT_EQ(askedTracks(), (std::vector<int>{1, 2, 3, 255}));
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]->end, 19000);
    EXPECT_EQ(list[0]->freeBlocks, 3);
    EXPECT_EQ(list[0]->control, 0x07) << "the track mode agrees on data";
    EXPECT_EQ(list[0]->flags, track_flags::kErasable);
    EXPECT_EQ(list[1]->end, 30000) << "audio keeps the TOC's end";
    EXPECT_EQ(list[1]->control, kAudio) << "a zero track mode changes nothing";
    EXPECT_EQ(list[2]->start, 30000);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CompleteTracks, TrackModeDisagreeingOnDataLeavesTheControl) {
    useMmc();
    add(1, kAudio, 0, 20000);
    add(0xAA, kData, 20000);
    reply(discInfo(2, false, 1, 1));
    reply(trackInfo({.track = 1, .trackMode = 0x04, .start = 0, .size = 20000}));
    refuse();
    refuse();
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    EXPECT_EQ(records()[0]->control, kAudio);
    EXPECT_EQ(records()[0]->end, 20000) << "the reply's data track mode gives the size";
}

TEST_F(CompleteTracks, FailingTrackOneIsAskedForByBlockZero) {
    useMmc();
    add(1, kData, 0, 5000);
    add(0xAA, kData, 5000);
    reply(discInfo(2, false, 1, 1));
    refuse();
    reply(trackInfo({.track = 1, .start = 0, .size = 5000}));
    refuse();
    refuse();
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    const Bytes retry = cdb(2);
    EXPECT_EQ(retry[1], 0) << "addressed by block";
    EXPECT_EQ(retry[5], 0);
}

TEST_F(CompleteTracks, MmcFailuresGiveFalse) {
    useMmc();
    add(2, kData, 0, 5000);
    add(0xAA, kData, 5000);
    reply(discInfo(2, false, 1, 1));
    refuse();
    MmcCompletion result = CompleteTracksMmc(buffer_);
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.tryOlderForm) << "the drive knows the command";
    EXPECT_TRUE(logged("Read Track Info failed."));

    reply(discInfo(2, false, 1, 1));
    reply(trackInfo({.track = 2, .size = 5000, .lengthDelta = 221}));
    result = CompleteTracksMmc(buffer_);
    EXPECT_FALSE(result) << "longer than the 256 bytes asked for";
    EXPECT_TRUE(result.tryOlderForm) << "another layout";

    reply(Bytes{0, 0, 2});
    result = CompleteTracksMmc(buffer_);
    EXPECT_FALSE(result) << "empty disc information";
    EXPECT_TRUE(result.tryOlderForm);

    drive_->queue(ScriptedReply::checkCondition(5, 0x20, 0));
    result = CompleteTracksMmc(buffer_);
    EXPECT_FALSE(result) << "no READ DISC INFORMATION";
    EXPECT_TRUE(result.tryOlderForm);

    device_->SetTrackInfoCommand(0);
    EXPECT_FALSE(CompleteTracksMmc(buffer_));
    EXPECT_FALSE(CompleteTracksOld(buffer_));
    EXPECT_EQ(drive_->pendingReplies(), 0u);
}

TEST_F(CompleteTracks, TrackBeingWrittenIsAddedInFrontOfTheLeadOut) {
    useMmc();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    reply(discInfo(1, false, 1, 2));
    reply(trackInfo({.track = 1, .start = 0, .size = 20000}));
    const TrackFields open{.track = 2,
                           .session = 2,
                           .trackMode = 0x05,
                           .dataMode = 0x31,
                           .start = 31400,
                           .size = 60000,
                           .freeBlocks = 50000,
                           .nextWritable = 41400,
                           .packetSize = 32};
    reply(trackInfo(open));
    reply(trackInfo(open));  // track 255: the same track
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1]->track, 2);
    EXPECT_EQ(list[1]->start, 31400);
    EXPECT_EQ(list[1]->end, 91400);
    EXPECT_EQ(list[1]->nextWritable, 41400);
    EXPECT_EQ(list[1]->packetSize, 32u);
    EXPECT_EQ(list[1]->flags, track_flags::kPacket | track_flags::kOpen);
    EXPECT_EQ(list[2]->start, 91400) << "the lead-out follows the last track";
    EXPECT_EQ(list[2]->end, 0) << "track 255 repeats the open track";
}

TEST_F(CompleteTracks, NextSessionPlacesTheLeadOut) {
    useMmc();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    reply(discInfo(1, false, 1, 2));
    reply(trackInfo({.track = 1, .start = 0, .size = 20000}));
    refuse();  // track 2
    reply(trackInfo({.track = 2,
                     .session = 2,
                     .dataMode = 0x01,
                     .start = 31400,
                     .size = 100,
                     .nextWritable = 31400}));
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    const auto list = records();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1]->end, 31400);
    EXPECT_EQ(list[1]->start, 31400);
    EXPECT_EQ(list[0]->end, 31400);
    EXPECT_EQ(list[0]->flags, 0u) << "a closed session of an appendable disc";
    EXPECT_TRUE(DiscIsOpen(*list[1]));
}

// The disc's status says whether another session may follow; only the last
// session's state says whether its last track is still being written.
TEST_F(CompleteTracks, OnlyAnIncompleteLastSessionOpensItsLastTrack) {
    struct Case {
        std::uint8_t discStatus;
        std::uint8_t lastSession;
        std::uint32_t flags;
    };
    const Case cases[] = {{1, 0, 0u}, {1, 1, track_flags::kOpen}, {2, 3, 0u}};
    useMmc();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "disc " << int{c.discStatus} << ", last session " << int{c.lastSession});
        add(1, kData, 0, 20000);
        add(2, kData, 31400, 40000);
        add(0xAA, kData, 40000);
        reply(discInfo(c.discStatus, true, 1, 2, c.lastSession));
        reply(trackInfo({.track = 1, .start = 0, .size = 20000}));
        reply(trackInfo({.track = 2, .session = 2, .start = 31400, .size = 8600}));
        refuse();  // track 3
        refuse();  // track 255
        ASSERT_TRUE(CompleteTracksMmc(buffer_));
        const auto list = records();
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(list[0]->flags, track_flags::kErasable);
        EXPECT_EQ(list[1]->flags, c.flags);
        EXPECT_EQ(list[1]->end, 40000) << "the size of a closed track stays";
        ReleaseDiscInfo();
    }
}

TEST_F(CompleteTracks, InvisibleBlankTrackSkipsTrack255) {
    useMmc();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    reply(discInfo(1, false, 1, 2));
    reply(trackInfo({.track = 1, .start = 0, .size = 20000}));
    reply(trackInfo({.track = 2,
                     .session = 2,
                     .trackMode = 0,
                     .dataMode = 0x4F,
                     .start = 31400,
                     .size = 300000,
                     .nextWritable = 31400}));
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    EXPECT_EQ(askedTracks(), (std::vector<int>{1, 2}));
    EXPECT_EQ(records().size(), 2u);
}

// The blank disc's one record counts its free blocks in its end; the
// track information's next writable address, block 0, is no end for it.
TEST_F(CompleteTracks, BlankDiscKeepsItsFreeBlocks) {
    useMmc();
    MakeBlankDisc(359849);
    reply(discInfo(0, false, 1, 1));
    reply(trackInfo({.track = 1,
                     .trackMode = 0,
                     .dataMode = 0x4F,
                     .start = 0,
                     .size = 359849,
                     .freeBlocks = 359849,
                     .nextWritable = 0}));
    refuse();  // track 2
    refuse();  // track 255
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0]->end, 359849);
    EXPECT_EQ(records()[0]->freeBlocks, 359849);

    MakeBlankDisc(359849);
    reply(oldTrackInfo({.trackMode = 0, .dataMode = 0x4F, .size = 0, .freeBlocks = 359849}));
    refuse();  // track 2
    ASSERT_TRUE(CompleteTracksOld(buffer_));
    EXPECT_EQ(records()[0]->end, 359849) << "older layout";
}

// Step 8: an end still unknown after the track information.
TEST_F(CompleteTracks, UnknownEndsGetTheDefault) {
    useMmc();
    add(1, kAudio, 0, 5000);
    add(2, kAudio, 5000, 0);
    add(0xAA, kData, 9000);
    reply(discInfo(2, false, 1, 1));
    reply(trackInfo({.track = 1, .trackMode = 0, .start = 0}));
    reply(trackInfo({.track = 2, .trackMode = 0, .start = 5000}));
    refuse();
    refuse();
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    const auto list = records();
    EXPECT_EQ(list[1]->end, kDefaultEnd);
    EXPECT_EQ(list[1]->start, 5001);
}

// 0 would send READ DISC INFORMATION, 255 ask for the incomplete track: a
// TOC entry with either number keeps what the TOC said.
TEST_F(CompleteTracks, TrackNumbersThatCannotBeAskedAreLeftAlone) {
    useMmc();
    add(0, kData, 0, 100);
    add(255, kData, 100, 200);
    add(0xAA, kData, 200);
    reply(discInfo(2, false, 1, 1));
    refuse();  // track 255, the lead-out's place
    ASSERT_TRUE(CompleteTracksMmc(buffer_));
    EXPECT_EQ(askedTracks(), std::vector<int>{255});
    EXPECT_EQ(cdb(0)[0], 0x51);
    EXPECT_EQ(commands().size(), 2u) << "no second READ DISC INFORMATION";
    EXPECT_EQ(records()[0]->end, 100);

    drive_->clearCommands();
    reply(oldTrackInfo({.size = 1}));
    ASSERT_TRUE(CompleteTracksOld(buffer_));
    EXPECT_EQ(askedTracks(), std::vector<int>{1}) << "only the track after the last one";
}

TEST_F(CompleteTracks, OlderLayoutRefinesAndMarksAnOpenDisc) {
    useScsi2();
    add(1, kData, 0, 20000);
    add(2, kAudio, 20000, 30000);
    add(0xAA, kData, 30000);
    reply(oldTrackInfo({.trackMode = 0x05,
                        .dataMode = 0x31,
                        .start = 0,
                        .size = 19000,
                        .freeBlocks = 7,
                        .packetSize = 32}));
    reply(oldTrackInfo({.trackMode = 0x00, .dataMode = 0x00, .start = 20000, .size = 12000}));
    reply(oldTrackInfo({.start = 31400, .size = 0, .freeBlocks = 300000}));
    ASSERT_TRUE(CompleteTracksOld(buffer_));
    EXPECT_EQ(askedTracks(), (std::vector<int>{1, 2, 3}));
    const auto list = records();
    EXPECT_EQ(list[0]->end, 19000);
    EXPECT_EQ(list[0]->freeBlocks, 7);
    EXPECT_EQ(list[0]->packetSize, 32u);
    EXPECT_EQ(list[0]->control, 0x05);
    EXPECT_EQ(list[0]->flags, track_flags::kPacket);
    EXPECT_EQ(list[1]->end, 30000) << "only ever shortened";
    EXPECT_EQ(list[2]->end, 1);
    EXPECT_TRUE(DiscIsOpen(*list[2]));
}

TEST_F(CompleteTracks, OlderFailureIsRememberedOnceTheDriveIsReady) {
    useScsi2();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    const auto database = folder_ / "ASPIDEV.DDB";
    SetDatabaseFileName(database);
    drive_->queue(ScriptedReply::checkCondition(5, 0x20, 0));
    drive_->queue(ScriptedReply::good());  // TEST UNIT READY
    EXPECT_FALSE(CompleteTracksOld(buffer_));
    SetDatabaseFileName({});
    EXPECT_TRUE(logged("Read Track Info failed (non-MMC)"));
    EXPECT_EQ(device_->TrkInfo(), 0);
    EXPECT_EQ(clock_->waits, std::vector<long>{500});
    std::ifstream in(database);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("TrkInfo=0"), std::string::npos) << text;
}

TEST_F(CompleteTracks, OlderFailureOnADriveThatStaysBusyChangesNothing) {
    useScsi2();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    drive_->queue(ScriptedReply::checkCondition(5, 0x20, 0));
    drive_->setResponder([](const scsi::RecordedCommand&, std::span<std::uint8_t>) {
        scsi::Result result;
        result.status = scsi::status::kCheckCondition;
        result.sense = scsi::Sense::make(2, 0x04, 0x01);
        return result;
    });
    EXPECT_FALSE(CompleteTracksOld(buffer_));
    EXPECT_EQ(device_->TrkInfo(), 0xE5) << "not known to lack the command";
}

TEST_F(CompleteTracks, OlderMediumErrorSaysNothingOfTheCommand) {
    useScsi2();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    drive_->queue(ScriptedReply::checkCondition(3, 0x11, 0));
    EXPECT_FALSE(CompleteTracksOld(buffer_));
    EXPECT_EQ(device_->TrkInfo(), 0xE5);
    EXPECT_TRUE(clock_->waits.empty()) << "no wait for a drive that knows the command";
    EXPECT_EQ(drive_->pendingReplies(), 0u);
}

// The scan's choice: the older form only for a drive that does not know
// the standard one. A failed read of one track must not switch the drive's
// track information off for later scans.
TEST_F(CompleteTracks, OnlyAnUnknownStandardFormFallsBackToTheOlderForm) {
    struct Case {
        const char* what;
        std::uint8_t key, asc;
        bool olderForm;
    };
    const Case cases[] = {{"medium error", 3, 0x11, false}, {"invalid opcode", 5, 0x20, true}};
    useMmc();
    const auto database = folder_ / "ASPIDEV.DDB";
    SetDatabaseFileName(database);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reply(toc0({{kData, 1, 0}, {kAudio, 2, 20000}, {kData, 0xAA, 30000}}));
        refuse();  // full TOC
        reply(discInfo(2, false, 1, 1));
        // Track 1 fails, by number and by block 0, and so would the older
        // form; the drive is ready all the while.
        drive_->setResponder([c](const scsi::RecordedCommand& command, std::span<std::uint8_t>) {
            scsi::Result result;
            if (command.cdb[0] != 0x00) {
                result.status = scsi::status::kCheckCondition;
                result.sense = scsi::Sense::make(c.key, c.asc, 0);
            }
            return result;
        });
        ASSERT_TRUE(BuildTrackList(buffer_));
        EXPECT_EQ(device_->TrkInfo(), c.olderForm ? 0 : 0x52);
        EXPECT_EQ(std::filesystem::exists(database), c.olderForm) << "saved only when unknown";
        if (!c.olderForm) {
            EXPECT_EQ(commands().size(), 5u) << "no older form asked";
        }
        EXPECT_EQ(records().size(), 3u) << "the TOC's list stays";
        drive_->setResponder({});
        drive_->clearCommands();
        ReleaseDiscInfo();
    }
    SetDatabaseFileName({});
}

TEST_F(CompleteTracks, OlderReplyWithoutLengthGivesFalse) {
    useScsi2();
    add(1, kData, 0, 20000);
    add(0xAA, kData, 20000);
    reply(Bytes(20, 0));
    EXPECT_FALSE(CompleteTracksOld(buffer_));
    EXPECT_EQ(records()[0]->end, 20000);
}

}  // namespace
}  // namespace kel::diag::testing
