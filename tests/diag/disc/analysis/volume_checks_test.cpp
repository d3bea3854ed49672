// The volume checks of data tracks over hand-built descriptors and trees:
// descriptor fields, names, the post-gap, linked files and UDF overlaps.
#include <gtest/gtest.h>

#include <cstring>

#include "analysis_fixture.h"
#include "diag/disc/analysis/track_checks.h"

namespace kel::diag::testing {
namespace {

TEST(ClassifyIsoChars, NamesAndIdentifiers) {
    EXPECT_EQ(ClassifyIsoChars("README.TXT;1", 256, true), iso_chars::kDCharacters);
    EXPECT_EQ(ClassifyIsoChars("readme.txt", 256, true), iso_chars::kNotForDos);
    EXPECT_EQ(ClassifyIsoChars("A.B.C", 256, true), iso_chars::kNotForDos) << "second dot";
    EXPECT_EQ(ClassifyIsoChars(".PROFILE", 256, true), iso_chars::kNotForDos);
    EXPECT_EQ(ClassifyIsoChars("A-B", 256, true), iso_chars::kOther);
    EXPECT_EQ(ClassifyIsoChars("A-b", 256, true), iso_chars::kNotForDos);
    EXPECT_EQ(ClassifyIsoChars("    ", 256, false), iso_chars::kBlank);
    EXPECT_EQ(ClassifyIsoChars("", 256, true), iso_chars::kBlank);
    EXPECT_EQ(ClassifyIsoChars("MY_DISC   ", 32, false), iso_chars::kDCharacters);
    EXPECT_EQ(ClassifyIsoChars("MY DISC", 32, false), iso_chars::kACharacters);
    EXPECT_EQ(ClassifyIsoChars("MY DISC (1)", 32, false), iso_chars::kACharacters);
    EXPECT_EQ(ClassifyIsoChars("My Disc", 32, false), iso_chars::kNotForDos);
    EXPECT_EQ(ClassifyIsoChars("DISC#", 32, false), iso_chars::kOther);
    EXPECT_EQ(ClassifyIsoChars("ABCdef", 3, false), iso_chars::kDCharacters) << "maximum";
    EXPECT_EQ(ClassifyIsoChars(std::string_view("AB\0cd", 5), 5, false), iso_chars::kDCharacters);
}

TEST(WalkFileTree, VisitsEveryChildInOrderWithItsIndex) {
    FileNode root{}, a{}, b{}, c{}, d{};
    char names[][2] = {"a", "b", "c", "d"};
    a.name = names[0];
    b.name = names[1];
    c.name = names[2];
    d.name = names[3];
    root.firstChild = &a;
    a.next = &b;
    a.firstChild = &c;
    c.next = &d;
    std::string order;
    WalkFileTree(root, [&order](const FileNode& node, int index) {
        order += node.name;
        order += std::to_string(index);
    });
    EXPECT_EQ(order, "a0c0d1b1");
}

// An ISO 9660 track at block 0 whose primary volume descriptor is sound;
// tests spoil what they check.
class IsoTrack : public AnalysisTest {
protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        track_ = add(1, kData, 0, 1000);
        track_->flags = track_flags::kIso9660;
        track_->depth = 2;
        add(kLeadOutTrack, kData, 1200);
        setVolumeSize(1000);
        setBlockSize(2048, 2048);
        text(40, "VOLUME_1", 32);
        text(8, "SYSTEM", 32);
        text(318, "PUBLISHER", 128);
        text(446, "PREPARER", 128);
        text(574, "WRITER 1.0", 128);
        pvd()[166] = 34;
        // A post-gap of 150 zero blocks in front of the lead-out: the
        // drive's blocks read as zeros.
        root_ = node(*track_, nullptr, "\\ VOLUME_1 (Session 1)", 20, true);
        dots(*track_, root_);
        node(*track_, root_, "README.TXT;1", 30);
        FileNode* docs = node(*track_, root_, "DOCS", 21, true);
        dots(*track_, docs);
        node(*track_, docs, "A.TXT;1", 31);
    }

    MemoryDevice::Block pvd() { return drive_.block(16); }
    void text(std::size_t at, const std::string& value, std::size_t length) {
        std::fill_n(pvd().begin() + at, length, ' ');
        std::copy(value.begin(), value.end(), pvd().begin() + at);
    }
    void setVolumeSize(std::uint32_t little, std::uint32_t big) {
        for (int i = 0; i < 4; ++i) {
            pvd()[80 + i] = static_cast<std::uint8_t>(little >> (8 * i));
            pvd()[87 - i] = static_cast<std::uint8_t>(big >> (8 * i));
        }
    }
    void setVolumeSize(std::uint32_t size) { setVolumeSize(size, size); }
    void setBlockSize(std::uint16_t little, std::uint16_t big) {
        pvd()[128] = static_cast<std::uint8_t>(little);
        pvd()[129] = static_cast<std::uint8_t>(little >> 8);
        pvd()[130] = static_cast<std::uint8_t>(big >> 8);
        pvd()[131] = static_cast<std::uint8_t>(big);
    }

    TrackInfo* track_ = nullptr;
    FileNode* root_ = nullptr;
};

TEST_F(IsoTrack, ASoundTrackPasses) {
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineIds(), (std::vector<int>{15032, 15015, 15027, 15022, 15067}));
    EXPECT_EQ(lineText(15032), "\bData track 1 recorded as part of session 1.");
    EXPECT_EQ(lineText(15015), "This track has an application identifier of \"WRITER 1.0\".");
    EXPECT_EQ(lineText(15027),
              "There are 2 accessible files and 1 directories contained in this track.");
    EXPECT_EQ(lineText(15022),
              "The directory in this track qualifies as using the ISO-9660 character set.");
    EXPECT_TRUE(AnalysisPassed());
}

TEST_F(IsoTrack, UnreadableDescriptorEndsTheCheck) {
    drive_.failing.insert(16);
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineIds(), (std::vector<int>{15032, 15008}));
    EXPECT_EQ(lineText(15008), "Error reading sector 16 in track 1, analysis of track skipped.");
}

TEST_F(IsoTrack, VolumeSizeSlackIs26000Blocks) {
    Tracks().last->start = 1000 + 26000;
    AnalyzeIsoTrack(*track_);
    EXPECT_FALSE(hasLine(15009));
    EXPECT_TRUE(AnalysisPassed()) << "the post-gap is read before the lead-out";

    StartAnalysisLines();
    Tracks().last->start = 1000 + 26001;
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineText(15009),
              "Volume size appears suspicious, header says 1000 while track is 27001 blocks.");
    EXPECT_FALSE(AnalysisPassed());

    StartAnalysisLines();
    Tracks().last->start = 999;
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15009)) << "a volume larger than its track";
}

TEST_F(IsoTrack, DescriptorFieldFaults) {
    setVolumeSize(1000, 1001);
    setBlockSize(512, 2048);
    pvd()[166] = 0;
    text(40, "", 32);
    text(8, "SYS\x01", 32);
    text(318, "", 128);
    text(446, "", 128);
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineText(15010),
              "Little-endian volume size (1000) not equal to big-endian volume size (1001).");
    EXPECT_EQ(lineText(15011),
              "Little-endian block size (512) not equal to big-endian block size (2048).");
    EXPECT_EQ(lineText(15013), "The block size is 512, not 2048 as would be expected.");
    EXPECT_TRUE(hasLine(15071));
    EXPECT_TRUE(hasLine(15012));
    EXPECT_FALSE(hasLine(15017)) << "a blank identifier has no wrong characters";
    EXPECT_TRUE(hasLine(15018));
    EXPECT_TRUE(hasLine(15014));
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(IsoTrack, IdentifierCharacterSets) {
    text(40, "My Volume", 32);
    text(318, "pub", 128);
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15017));
    EXPECT_TRUE(hasLine(15019));
    EXPECT_FALSE(AnalysisPassed());

    StartAnalysisLines();
    track_->flags |= track_flags::kJoliet;
    AnalyzeIsoTrack(*track_);
    EXPECT_FALSE(hasLine(15017)) << "Joliet carries the real name";
}

TEST_F(IsoTrack, XaModeOfDiscAndTrack) {
    track_->flags |= track_flags::kCdRomXa;
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15034));
    EXPECT_TRUE(hasLine(15054));
    EXPECT_FALSE(AnalysisPassed());

    StartAnalysisLines();
    track_->flags = track_flags::kIso9660 | track_flags::kCdiBridge;
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15034));
    EXPECT_TRUE(hasLine(15055));
}

TEST_F(IsoTrack, DirectoryEntryFaults) {
    FileNode* docs = root_->firstChild->next->next->next;
    ASSERT_STREQ(docs->name, "DOCS");
    // A directory without its "." entry; a file without a version and a
    // lowercase name; a directory with a dot; an entry not recorded.
    FileNode* noDot = node(*track_, root_, "NODOT", 23, true);
    node(*track_, noDot, "\1", 23, true);
    node(*track_, docs, "b.txt", 32);
    node(*track_, root_, "SUB.DIR", 22, true);
    node(*track_, root_, "GONE.TXT;1", -1);
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15021));
    EXPECT_FALSE(hasLine(15020));
    EXPECT_TRUE(hasLine(15023));
    EXPECT_EQ(lineText(15024),
              "There are 1 files in the directory which are not recorded in this track.");
    EXPECT_TRUE(hasLine(15026));
    EXPECT_FALSE(hasLine(15043)) << "file detail is off";
    EXPECT_FALSE(AnalysisPassed());

    StartAnalysisLines();
    Options().fileDetail = 1;
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineText(15043),
              "The file \"\\GONE.TXT;1\" appears in the directory but is not present.");
}

TEST_F(IsoTrack, NamesWithoutVersionsAnywhereAndDeepTrees) {
    root_->firstChild->next->next->name[10] = '\0';  // README.TXT
    root_->firstChild->next->next->next->firstChild->next->next->name[5] = '\0';
    node(*track_, root_, "A.B", 22, true);
    track_->depth = 9;
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15028));
    EXPECT_FALSE(hasLine(15026));
    EXPECT_EQ(lineText(15022),
              "The directory in this track qualifies as using the MS-DOS character set.");
    EXPECT_EQ(lineText(15030),
              "Note: directory depth of 9 may cause problems on some MSCDEX versions.");
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(IsoTrack, JolietTreesSkipTheNameRules) {
    track_->flags |= track_flags::kJoliet;
    node(*track_, root_, "lower case name.txt", 33);
    track_->depth = 9;
    AnalyzeIsoTrack(*track_);
    EXPECT_FALSE(hasLine(15022));
    EXPECT_FALSE(hasLine(15023));
    EXPECT_FALSE(hasLine(15029));
    EXPECT_FALSE(hasLine(15030));
    EXPECT_EQ(lineText(15027),
              "There are 3 accessible files and 1 directories contained in this track.");
}

TEST_F(IsoTrack, NoTreeIsQuestionable) {
    FreeFileTree(track_->root);
    track_->root = nullptr;
    AnalyzeIsoTrack(*track_);
    EXPECT_EQ(lineIds().back(), 15016);
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(IsoTrack, PacketWrittenTrackIsNamed) {
    track_->flags |= track_flags::kPacket;
    AnalyzeIsoTrack(*track_);
    EXPECT_TRUE(hasLine(15066));
}

TEST_F(IsoTrack, HighSierraFindingsNeverChangeTheVerdict) {
    track_->flags = track_flags::kHighSierra;
    std::fill(pvd().begin(), pvd().end(), 0);
    for (int i = 0; i < 4; ++i) {
        pvd()[88 + i] = static_cast<std::uint8_t>(1000 >> (8 * i));
        pvd()[95 - i] = static_cast<std::uint8_t>(1000 >> (8 * i));
    }
    pvd()[137] = 0x08;
    pvd()[138] = 0x08;
    drive_.failing.insert(1100);
    AnalyzeHighSierraTrack(*track_);
    EXPECT_TRUE(hasLine(15012));
    EXPECT_TRUE(hasLine(15068));
    EXPECT_FALSE(hasLine(15010));
    EXPECT_FALSE(hasLine(15011));
    EXPECT_FALSE(hasLine(15015)) << "no application identifier in High Sierra";
    EXPECT_TRUE(AnalysisPassed());
}

class PostGap : public AnalysisTest {
protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        track_ = add(1, kData, 0, 1000);
        add(kLeadOutTrack, kData, 1150);
    }
    TrackInfo* track_ = nullptr;
};

TEST_F(PostGap, NeedsAtLeast120ZeroBlocks) {
    drive_.block(1000 + 120)[5] = 1;
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(lineIds(), std::vector<int>{15067});
    EXPECT_EQ(drive_.reads.front(), 1000u);
    EXPECT_EQ(drive_.reads.back(), 1120u);
    EXPECT_EQ(drive_.quiet, 0);

    StartAnalysisLines();
    drive_.block(1000 + 119)[5] = 1;
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(lineIds(), std::vector<int>{15068});
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(PostGap, ReadErrorAtTheFirstBlockFails) {
    drive_.failing.insert(1000);
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(lineIds(), std::vector<int>{15068});
    EXPECT_TRUE(drive_.quietReads.front());
}

TEST_F(PostGap, ReadsAtMost150Blocks) {
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(drive_.reads.size(), 150u);
}

TEST_F(PostGap, BeforeAnotherSessionItStartsAtTheTracksEnd) {
    FreeTrackRecords();
    track_ = add(1, kData, 0, 600);
    add(2, kData, 12000, 13000, 2);
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(drive_.reads.front(), 600u);
}

TEST_F(PostGap, LastTrackHasNone) {
    FreeTrackRecords();
    track_ = add(1, kData, 0, 600);
    CheckPostGap(*track_, nullptr);
    EXPECT_EQ(lineIds(), std::vector<int>{15068});
    EXPECT_TRUE(drive_.reads.empty());
}

// A session-2 track with files in its own blocks and in session 1's.
class LinkedFiles : public AnalysisTest {
protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        first_ = add(1, kData, 0, 1000, 1);
        second_ = add(2, kData, 12400, 13000, 2);
        root_ = node(*second_, nullptr, "\\ V (Session 2)", 12420, true);
        node(*second_, root_, "OLD1.TXT;1", 100);
        node(*second_, root_, "NEW.TXT;1", 12430);
        FileNode* sub = node(*second_, root_, "SUB", 12421, true);
        node(*second_, sub, "OLD2.TXT;1", 200);
    }
    TrackInfo* first_ = nullptr;
    TrackInfo* second_ = nullptr;
    FileNode* root_ = nullptr;
};

TEST_F(LinkedFiles, AllFromOneTrack) {
    ReportLinkedFiles(*second_);
    EXPECT_EQ(lineIds(), std::vector<int>{15037});
    EXPECT_EQ(lineText(15037), "All linked files (2) in this session came from session 1.");
}

TEST_F(LinkedFiles, FromSeveralTracksOrNowhere) {
    node(*second_, root_, "LOST.TXT;1", 5000);
    ReportLinkedFiles(*second_);
    EXPECT_EQ(lineTexts(15039),
              (std::vector<std::string>{"There are 2 files linked from session 1.",
                                        "There are 0 files linked from session 2."}));
}

TEST_F(LinkedFiles, EachFileWithFileDetail) {
    Options().fileDetail = 1;
    node(*second_, root_, "LOST.TXT;1", 5000);
    ReportLinkedFiles(*second_);
    EXPECT_EQ(lineTexts(15038), (std::vector<std::string>{
                                    "File \"\\OLD1.TXT;1\" is linked to track 1, session 1.",
                                    "File \"\\SUB\\OLD2.TXT;1\" is linked to track 1, session 1.",
                                    "File \"\\LOST.TXT;1\" is linked to track 0, session 0."}));
}

TEST_F(LinkedFiles, NoneLinked) {
    root_->firstChild->startBlock = 12431;
    root_->firstChild->next->next->firstChild->startBlock = 0;
    ReportLinkedFiles(*second_);
    EXPECT_EQ(lineIds(), std::vector<int>{15036});
}

class UdfTrack : public AnalysisTest {
protected:
    void SetUp() override {
        AnalysisTest::SetUp();
        track_ = add(1, kData, 0, 5000);
        track_->flags = track_flags::kUdf;
        add(kLeadOutTrack, kData, 5000);
        root_ = node(*track_, nullptr, "\\ UDFVOL (Session 1)", 300, true);
        a_ = node(*track_, root_, "A", 400);
        b_ = node(*track_, root_, "B", 410);
        c_ = node(*track_, root_, "C", 420);
        d_ = node(*track_, root_, "D", 430);
        node(*track_, root_, "DIR", 310, true);
    }
    void extents(std::vector<ExtentEntry> entries) {
        table_ = std::move(entries);
        track_->extentTable = nullptr;
        track_->extentCount = static_cast<std::int32_t>(table_.size());
    }
    void TearDown() override {
        track_->extentTable = nullptr;
        AnalysisTest::TearDown();
    }
    void analyze() {
        track_->extentTable = table_.empty() ? nullptr : table_.data();
        AnalyzeUdfTrack(*track_);
        track_->extentTable = nullptr;
    }

    TrackInfo* track_ = nullptr;
    FileNode* root_ = nullptr;
    FileNode *a_ = nullptr, *b_ = nullptr, *c_ = nullptr, *d_ = nullptr;
    std::vector<ExtentEntry> table_;
};

TEST_F(UdfTrack, CountsAndReaderFindings) {
    track_->flags |= track_flags::kUdfAllocationNotFound | track_flags::kUdfSparableWithoutTable;
    track_->udfStatus = 'j';
    analyze();
    EXPECT_EQ(lineText(15027),
              "There are 4 accessible files and 1 directories contained in this track.");
    EXPECT_TRUE(hasLine(15059));
    EXPECT_TRUE(hasLine(15169));
    EXPECT_FALSE(hasLine(15060));
    EXPECT_EQ(lineText(15061), "UDF scan error: AVDP not found");
    EXPECT_FALSE(AnalysisPassed());
}

// A tree file may carry any status byte; only 101-106 have a text.
TEST_F(UdfTrack, StatusWithoutATextIsShownByItsNumber) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {'e', "UDF scan error: No file entry found for VAT"},
        {100, "UDF scan error: 100"},
        {107, "UDF scan error: 107"},
        {255, "UDF scan error: 255"},
        {1, "UDF scan error: 1"}};
    for (const auto& [status, line] : cases) {
        SCOPED_TRACE(int{status});
        StartAnalysisLines();
        track_->udfStatus = status;
        analyze();
        EXPECT_EQ(lineText(15061), line);
    }
}

TEST_F(UdfTrack, OverlappingExtentsAreReportedInGroups) {
    // A covers B and D; C lies inside B too; the last entry is reached.
    extents({{400, 40, a_}, {410, 15, b_}, {420, 5, c_}, {430, 2, d_}});
    analyze();
    EXPECT_EQ(
        lineTexts(15063),
        (std::vector<std::string>{"The files \\A and \\B overlap and one or both are destroyed",
                                  "The files \\A and \\C overlap and one or both are destroyed",
                                  "The files \\A and \\D overlap and one or both are destroyed",
                                  "The files \\B and \\C overlap and one or both are destroyed"}));
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(UdfTrack, AdjacentExtentsDontOverlap) {
    extents({{400, 10, a_}, {410, 10, b_}, {420, 10, c_}});
    analyze();
    EXPECT_FALSE(hasLine(15063));
    EXPECT_TRUE(AnalysisPassed());
}

TEST_F(UdfTrack, PacketWrittenHereOrContinuedBehind) {
    track_->flags |= track_flags::kPacket;
    analyze();
    EXPECT_TRUE(hasLine(15065));

    StartAnalysisLines();
    track_->flags &= ~track_flags::kPacket;
    Tracks().last->flags = track_flags::kPacket | track_flags::kContinuation;
    analyze();
    EXPECT_TRUE(hasLine(15065));
    EXPECT_FALSE(AnalysisPassed());
}

TEST_F(UdfTrack, WithoutTreeOnlyTheHeadline) {
    FreeFileTree(track_->root);
    track_->root = nullptr;
    analyze();
    EXPECT_EQ(lineIds(), (std::vector<int>{15032, 15016}));
}

}  // namespace
}  // namespace kel::diag::testing
