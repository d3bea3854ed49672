// The table-of-contents summary, the boot catalog, the CDDB key and the
// verdict of a whole run, over hand-built track lists.
#include <gtest/gtest.h>

#include "analysis_fixture.h"
#include "diag/disc/analysis/analysis.h"

namespace kel::diag::testing {
namespace {

using DiscSummary = AnalysisTest;

TEST_F(DiscSummary, BlankDiscGetsTheSummaryAndNothingElse) {
    TrackInfo* blank = add(1, kData, 0, 359847);
    blank->flags = track_flags::kBlank | track_flags::kOpen;
    RunAnalysis();
    EXPECT_EQ(lineIds(), (std::vector<int>{15033, 15000, 15056, 15170}));
    EXPECT_EQ(lineText(15000), "There are a total of 1 tracks on CD, plus the lead-out.");
    EXPECT_EQ(lineText(15170), "\tBlank disc with 359847 free blocks");
    EXPECT_EQ(lineText(15033), "\bTable of Contents");
}

TEST_F(DiscSummary, AudioDiscGivesTrackLinesAndTheCddbKey) {
    add(1, kAudio, 0, 15000);
    add(2, kAudio | 0x01, 15000, 30000);
    add(3, kAudio, 30000, 45000);
    add(kLeadOutTrack, kData, 45000);
    EXPECT_EQ(CddbDigitSum(0), 2u);
    EXPECT_EQ(CddbDigitSum(15000), 4u);
    EXPECT_EQ(CddbKey(), 0xc025803u);

    RunAnalysis();
    EXPECT_EQ(lineTexts(15001), (std::vector<std::string>{
                                    "Track 1 occupies 15000 blocks (3 Min, 20 Sec, 0 Frames).",
                                    "Track 2 occupies 15000 blocks (3 Min, 20 Sec, 0 Frames).",
                                    "Track 3 occupies 15000 blocks (3 Min, 20 Sec, 0 Frames)."}));
    EXPECT_EQ(lineTexts(15005).size(), 2u);
    EXPECT_EQ(lineTexts(15004).size(), 1u) << "pre-emphasis on track 2";
    EXPECT_EQ(lineText(15007), "Lead-out track starts at block 45000.");
    EXPECT_FALSE(hasLine(15031)) << "lead-out end 0 is a closed disc";
    EXPECT_EQ(lineText(15053), "CDDB key for this CD is c025803.");
    EXPECT_TRUE(hasLine(15069));
    EXPECT_EQ(AnalysisLines().back().id, 15053);
}

// Seconds 4 and 204 of the two TOC tracks (digit sums 4 and 6), 400
// seconds from the first of them to the lead-out, 2 tracks: the implicit
// track in front and the HFS twin are the program's own records.
TEST_F(DiscSummary, CddbKeyCountsTheTocTracksOnly) {
    TrackInfo* implicit = add(0, kData, 0, 150);
    implicit->flags = track_flags::kImplicitFromBlockZero;
    add(1, kData, 150, 15150);
    TrackInfo* twin = add(1, kData, 150, 15150);
    twin->flags = track_flags::kHfsTwin | track_flags::kHfs;
    add(2, kAudio, 15150, 30150);
    add(kLeadOutTrack, kData, 30150);
    EXPECT_EQ(CddbKey(), 0x0a019002u);
}

TEST_F(DiscSummary, OpenDiscFollowsTheLeadOutRule) {
    add(1, kAudio, 0, 15000);
    TrackInfo* leadOut = add(kLeadOutTrack, kData, 15000, 1166880);
    RunAnalysis();
    EXPECT_FALSE(hasLine(15031));
    leadOut->end = 26000;
    RunAnalysis();
    EXPECT_EQ(lineText(15031), "This disc is still \"open\" and can have data added to it.");
}

TEST_F(DiscSummary, ListNotEndingInTheLeadOutIsQuestionable) {
    add(1, kAudio, 0, 15000);
    RunAnalysis();
    EXPECT_TRUE(hasLine(15044));
    EXPECT_TRUE(hasLine(15070));
    EXPECT_FALSE(hasLine(15069));

    FreeTrackRecords();
    TrackInfo* open = add(1, kAudio, 0, 15000);
    open->flags = track_flags::kOpen;
    RunAnalysis();
    EXPECT_FALSE(hasLine(15044)) << "an open last track is no fault";
    EXPECT_EQ(lineText(15046), "Track 1 has been added to represent an open session");
}

TEST_F(DiscSummary, TrackSizeRunsToTheNextRealTrack) {
    add(1, kData, 0, 300);
    TrackInfo* twin = add(1, kData, 0, 200);
    twin->flags = track_flags::kHfsTwin;
    add(2, kAudio, 1000, 2000);
    add(kLeadOutTrack, kData, 2000);
    AnalyzeToc();
    EXPECT_EQ(lineText(15000), "There are a total of 2 tracks on CD, plus the lead-out.")
        << "the twin counts as the status line counts it";
    const auto sizes = lineTexts(15001);
    ASSERT_EQ(sizes.size(), 3u);
    EXPECT_EQ(sizes[0], "Track 1 occupies 1000 blocks (0 Min, 13 Sec, 25 Frames).");
    EXPECT_EQ(sizes[1], "Track 1 occupies 1000 blocks (0 Min, 13 Sec, 25 Frames).");
}

TEST_F(DiscSummary, BlockNumbersFarApartDontOverflowTheSize) {
    add(1, kAudio, -2000000000, 0);
    add(kLeadOutTrack, kData, 2000000000);
    AnalyzeToc();
    EXPECT_EQ(lineText(15001),
              "Track 1 occupies 4000000000 blocks (888888 Min, 53 Sec, 25 Frames).");
}

TEST_F(DiscSummary, DataTracksAreNamedByTheirFormat) {
    TrackInfo* iso = add(1, kData, 0, 1000);
    iso->flags = track_flags::kIso9660 | track_flags::kJoliet;
    TrackInfo* highSierra = add(2, kData, 1000, 2000);
    TrackInfo* cdi = add(3, kData, 2000, 3000);
    TrackInfo* unknown = add(4, kData, 3000, 4000);
    TrackInfo* unreadable = add(5, kData, 4000, 5000);
    add(kLeadOutTrack, kData, 5000);
    std::copy_n("\1CDROM", 6, drive_.block(highSierra->start + 16).begin() + 8);
    std::copy_n("\1CD-I", 5, drive_.block(cdi->start + 16).begin());
    drive_.failing.insert(unreadable->start + 16);
    (void)unknown;
    AnalyzeToc();
    EXPECT_EQ(lineText(15003),
              "\tThis track contains data in ISO-9660 format and also contains Joliet format "
              "directory information.");
    EXPECT_EQ(lineTexts(15002),
              (std::vector<std::string>{"\tThis track contains data and is High Sierra format.",
                                        "\tThis track contains data and is CD-I format.",
                                        "\tThis track contains data and is **Unknown** format."}));
    EXPECT_TRUE(hasLine(15035));
}

// The track assumed in front of a first track that does not start at block
// 0 is the program's own guess: its descriptor block is read quietly, so a
// failure there shows no drive error. A real track's read is not quiet.
TEST_F(DiscSummary, ImplicitTrackIsReadQuietly) {
    TrackInfo* implicit = add(0, kData, 0, 150);
    implicit->flags = track_flags::kImplicitFromBlockZero;
    add(1, kData, 150, 1000);
    add(kLeadOutTrack, kData, 1000);
    drive_.failing = {16, 166};
    AnalyzeToc();
    EXPECT_EQ(lineTexts(15035).size(), 2u);
    ASSERT_EQ(drive_.reads, (std::vector<std::uint32_t>{16, 166}));
    EXPECT_EQ(drive_.quietReads, (std::vector<bool>{true, false}));
}

TEST_F(DiscSummary, PacketBlankAndContinuedTracksAreQuestionable) {
    TrackInfo* fixed = add(1, kData, 0, 1000);
    fixed->flags = track_flags::kPacket;
    fixed->dataModeByte = 0x30;
    fixed->packetSize = 32;
    fixed->freeBlocks = 500;
    TrackInfo* udf = add(2, kData, 1000, 2000);
    udf->flags = track_flags::kPacket | track_flags::kUdf;
    add(kLeadOutTrack, kData, 2000);
    AnalyzeToc();
    EXPECT_EQ(lineText(15049), "\tTrack was written with fixed-length packets 32 bytes in length.");
    EXPECT_EQ(lineText(15052), "\tThere are 500 free blocks in this track.");
    EXPECT_TRUE(hasLine(15045));
    EXPECT_FALSE(AnalysisPassed());

    StartAnalysisLines();
    fixed->flags = track_flags::kContinuation;
    fixed->dataModeByte = 0x40;
    AnalyzeToc();
    EXPECT_TRUE(hasLine(15051));
    EXPECT_TRUE(hasLine(15042));
    EXPECT_FALSE(hasLine(15052)) << "nothing more for a continued track";
    EXPECT_FALSE(AnalysisPassed());
}

// A track with an El Torito boot record at block 17 and its catalog.
class BootCatalog : public AnalysisTest {
protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        first_ = add(1, kData, 0, 1000);
        auto record = drive_.block(17);
        const char start[] = "\0CD001\1EL TORITO SPECIFICATION";
        std::copy_n(start, sizeof start, record.begin());
        record[71] = 40;
        auto catalog = drive_.block(40);
        catalog[0] = 1;
        catalog[1] = 0;
        std::copy_n("MAKER", 5, catalog.begin() + 4);
        catalog[30] = 0x55;
        catalog[31] = 0xAA;
        catalog[32] = 0x88;
        catalog[33] = 0x42;
        catalog[38] = 4;
        catalog[40] = 41;
    }
    TrackInfo* first_ = nullptr;
};

TEST_F(BootCatalog, DescribesTheDefaultEntry) {
    CheckBootCatalog(*first_);
    EXPECT_EQ(lineText(15171), "Bootable disc information found, boot catalog at sector 40");
    EXPECT_EQ(lineText(15174), "\tBootable disk from MAKER, platform=80x86");
    EXPECT_EQ(lineText(15176), "\tBootable (1.44MB,ATAPI) load 4 at 0x7c0 from sector 41");
    EXPECT_FALSE(hasLine(15177));
    EXPECT_EQ(AnalysisLines().front().id, 0) << "set off by a rule";
    EXPECT_TRUE(std::all_of(drive_.quietReads.begin(), drive_.quietReads.end(),
                            [](bool quiet) { return quiet; }));
    EXPECT_EQ(drive_.quiet, 0);
}

TEST_F(BootCatalog, OtherPlatformsMoreEntriesAndNoDeveloper) {
    auto catalog = drive_.block(40);
    catalog[1] = 2;
    catalog[4] = 0;
    catalog[32] = 0;
    catalog[33] = 0x09;
    catalog[34] = 0x00;
    catalog[35] = 0x10;
    catalog[38] = 0xFF;
    catalog[39] = 0xFF;
    catalog[64] = 0x91;
    CheckBootCatalog(*first_);
    EXPECT_EQ(lineText(15174), "\tBootable disk from * Not Specified *, platform=Mac");
    EXPECT_EQ(lineText(15176), "\tNot bootable (No emulation) load -1 at 0x10000 from sector 41");
    EXPECT_TRUE(hasLine(15177));
}

TEST_F(BootCatalog, UnreadableOrInvalidCatalog) {
    drive_.block(40)[31] = 0xAB;
    CheckBootCatalog(*first_);
    EXPECT_EQ(lineText(15173), "\tInvalid boot catalog found, key values = 0x55 0xab");

    StartAnalysisLines();
    drive_.failing.insert(40);
    CheckBootCatalog(*first_);
    EXPECT_EQ(lineText(15172), "\tError reading boot catalog, sense=0x11 0x05");
}

TEST_F(BootCatalog, NoBootRecordGivesNoLine) {
    drive_.block(17)[1] = 'X';
    CheckBootCatalog(*first_);
    EXPECT_TRUE(AnalysisLines().empty());
    drive_.failing.insert(17);
    CheckBootCatalog(*first_);
    EXPECT_TRUE(AnalysisLines().empty());
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace kel::diag::testing
