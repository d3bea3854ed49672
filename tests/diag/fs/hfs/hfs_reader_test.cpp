// The HFS reader on hand-built discs: how it places records into the tree,
// and what damaged maps, master blocks and catalog nodes give. Damage must
// end in false, a skipped record or a message, never in a read outside the
// node or the disc.
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "diag/fs/hfs/hfs_date.h"
#include "diag/fs/hfs/hfs_summary.h"
#include "tests/diag/fs/hfs/hfs_builder.h"
#include "tests/diag/fs/hfs/hfs_fixture.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::testing {
namespace {

constexpr std::uint32_t kRootId = 2;

class HfsReader : public HfsFixture {
protected:
    // A volume "Built Volume" with a folder, a file in it and two in the root.
    void SetUp() override {
        HfsFixture::SetUp();
        builder_.directory(1, "Built Volume", kRootId, 3);
        builder_.directory(kRootId, "Folder", 16, 1);
        builder_.file(kRootId, "Alpha", 17, 20, 1000);
        builder_.file(kRootId, "Empty", 18, 0, 0);
        builder_.file(16, "Inner", 19, 30, 600, 40);
    }

    bool Read() {
        device_.setImage(image_.empty() ? builder_.build() : image_);
        return ReadHfsVolume(track_);
    }
    void Build() { image_ = builder_.build(); }

    HfsBuilder builder_;
    std::vector<std::uint8_t> image_;
};

TEST_F(HfsReader, BuildsTheTreeOfDirectoriesAndFiles) {
    ASSERT_TRUE(Read());
    EXPECT_TRUE(track_.flags & track_flags::kHfs);
    const FileNode* root = track_.root;
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "Built Volume (Session 1)");
    EXPECT_TRUE(IsDirectory(*root));
    EXPECT_EQ(root->startBlock, 2);
    EXPECT_EQ(root->reserved1, 2u);
    EXPECT_EQ(root->count, 3u);
    EXPECT_EQ(root->track, &track_);

    // Directories come before files: they are placed in the first pass.
    const FileNode* folder = root->firstChild;
    ASSERT_NE(folder, nullptr);
    EXPECT_STREQ(folder->name, "Folder");
    EXPECT_EQ(folder->startBlock, 16);
    EXPECT_EQ(folder->reserved1, 16u);
    const FileNode* alpha = folder->next;
    ASSERT_NE(alpha, nullptr);
    EXPECT_STREQ(alpha->name, "Alpha");
    EXPECT_EQ(alpha->previous, folder);
    EXPECT_EQ(alpha->startBlock, 20);
    EXPECT_EQ(alpha->size, 1000u);
    EXPECT_EQ(alpha->flags, 0);
    ASSERT_NE(alpha->next, nullptr);
    EXPECT_STREQ(alpha->next->name, "Empty");
    EXPECT_EQ(alpha->next->next, nullptr);
    for (const FileNode* c = root->firstChild; c; c = c->next) {
        EXPECT_EQ(c->parent, root);
        EXPECT_EQ(c->track, &track_);
    }
    const FileNode* inner = Child(folder, "Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->parent, folder);
    EXPECT_EQ(inserted_, (std::vector<std::string>{"Built Volume (Session 1)", "Folder"}));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(HfsReader, FlagsEmptyAndSplitDataForks) {
    // A second extent that starts at allocation block 0.
    builder_.file(kRootId, "Wrapped", 20, 50, 5000);
    builder_.records.back().secondExtentBlocks = 3;
    ASSERT_TRUE(Read());
    const FileNode* empty = Child(track_.root, "Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->flags, 8);
    EXPECT_EQ(empty->startBlock, -1);
    // A second extent marks the file but keeps its first extent's start.
    const FileNode* inner = Child(Child(track_.root, "Folder"), "Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->flags, 8);
    EXPECT_EQ(inner->startBlock, 30);
    EXPECT_EQ(inner->size, 600u);
    const FileNode* wrapped = Child(track_.root, "Wrapped");
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->flags, 8);
    EXPECT_EQ(wrapped->startBlock, 50);
}

TEST_F(HfsReader, NamesAreReadInTheMacCharacterSet) {
    builder_.records.clear();
    builder_.volumeName = "Bj\x9Ark";
    builder_.partitionName = "Disc \xA5";
    builder_.directory(1, "Bj\x9Ark", kRootId, 2);
    builder_.directory(kRootId, "Caf\x8E", 16, 0);
    builder_.file(kRootId, "\xAA Notes \xF0", 17, 20, 10);
    ASSERT_TRUE(Read());
    EXPECT_STREQ(track_.root->name, "Björk (Session 1)");
    EXPECT_NE(Child(track_.root, "Café"), nullptr);
    EXPECT_NE(Child(track_.root, "™ Notes \uF8FF"), nullptr);  // the Apple logo
    const std::optional<HfsVolumeSummary> summary = OpenHfsSummary(track_);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->volumeName, "Björk");
    EXPECT_EQ(summary->partitionName, "Disc •");
}

TEST_F(HfsReader, FindsTheCatalogRightAfterTheBitmap) {
    builder_.recordedAllocationStart = 30;  // where no header node lies
    ASSERT_TRUE(Read());
    ASSERT_NE(track_.root, nullptr);
    EXPECT_NE(Child(track_.root, "Alpha"), nullptr);
}

TEST_F(HfsReader, LargerAllocationBlocksAreReadWhole) {
    builder_.allocationBlockSize = 2048;
    builder_.allocationStart = 4;
    builder_.recordedAllocationStart = 4;
    ASSERT_TRUE(Read());
    EXPECT_NE(Child(Child(track_.root, "Folder"), "Inner"), nullptr);
}

TEST_F(HfsReader, CatalogInSeveralExtentsIsReadWhole) {
    // 45 records in 15 leaves: 16 nodes in five extents with other data
    // between them, the last two kept by the extents overflow file.
    for (std::uint32_t i = 0; i < 40; ++i) {
        builder_.file(16, "File" + std::to_string(i), 100 + i, 150, 10 + i);
    }
    builder_.catalogExtents = {{10, 4}, {40, 3}, {60, 3}, {80, 3}, {100, 3}};
    ASSERT_TRUE(Read());
    const FileNode* folder = Child(track_.root, "Folder");
    ASSERT_NE(folder, nullptr);
    int files = 0;
    for (const FileNode* c = folder->firstChild; c != nullptr; c = c->next) {
        ++files;
    }
    EXPECT_EQ(files, 41);
    EXPECT_NE(Child(folder, "File39"), nullptr);
    EXPECT_TRUE(messages_.empty());

    // An overflow record that is not the catalog's leaves its nodes
    // unreachable: the reading says so and keeps what it reached.
    Build();
    PutBig32(image_, builder_.overflowLeafOffset() + 14 + 2, 3);
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(Read());
    EXPECT_STREQ(track_.root->name, "Built Volume (Session 1)");
    EXPECT_NE(Child(track_.root, "Folder"), nullptr);
    EXPECT_EQ(Child(Child(track_.root, "Folder"), "File39"), nullptr);
    EXPECT_EQ(messages_, std::vector<int>{275});
    EXPECT_EQ(texts_.back(),
              "The HFS catalog of track 1 is damaged: node 10 could not be read or is not a leaf "
              "node.\nEntries after that point may be missing.");
}

TEST_F(HfsReader, NoHeaderNodeAnywhereGivesFalse) {
    builder_.recordedAllocationStart = 30;
    builder_.allocationStart = 12;
    EXPECT_FALSE(Read());
    EXPECT_EQ(track_.root, nullptr);
    EXPECT_FALSE(track_.flags & track_flags::kHfs);
}

TEST_F(HfsReader, LostParentIsReportedOnceAndItsFilesWithIt) {
    builder_.records.clear();
    builder_.directory(1, "Vol", kRootId, 1);
    builder_.directory(77, "Orphan", 30, 1);
    builder_.file(30, "Child", 31, 5, 10);
    builder_.file(kRootId, "Kept", 32, 6, 10);
    ASSERT_TRUE(Read());
    EXPECT_EQ(messages_, (std::vector<int>{161}));
    EXPECT_EQ(texts_[0], "The parent directory 77 for \"Orphan\" not found.");
    ASSERT_NE(track_.root->firstChild, nullptr);
    EXPECT_STREQ(track_.root->firstChild->name, "Kept");
    EXPECT_EQ(track_.root->firstChild->next, nullptr);
}

TEST_F(HfsReader, ADamagedCatalogIsReportedOnceAScanHoweverManyVolumesShowIt) {
    builder_.records.clear();
    builder_.directory(1, "Vol", kRootId, 1);
    builder_.directory(77, "Orphan", 30, 1);
    ASSERT_TRUE(Read());
    // A second session's copy of the volume, read by the same scan.
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(Read());
    EXPECT_EQ(messages_, (std::vector<int>{161}));
    // The next scan tells of it again.
    AllowHfsDamageReport();
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(Read());
    EXPECT_EQ(messages_, (std::vector<int>{161, 161}));
}

TEST_F(HfsReader, FoldersAreLinkedToParentsThatComeLaterInTheCatalog) {
    // hmkdir :P; hmkdir :G; hmkdir :P:X; hrename :P :G:P sorts X (parent
    // P) before P itself, which now lies under G.
    builder_.records.clear();
    builder_.directory(1, "Vol", kRootId, 1);
    builder_.directory(kRootId, "G", 17, 1);
    builder_.directory(16, "X", 18, 1);
    builder_.directory(17, "P", 16, 1);
    builder_.file(18, "Deep", 19, 5, 10);
    builder_.recordsPerLeaf = 2;
    ASSERT_TRUE(Read());
    EXPECT_TRUE(messages_.empty());
    const FileNode* x = Child(Child(Child(track_.root, "G"), "P"), "X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->parent, Child(Child(track_.root, "G"), "P"));
    EXPECT_NE(Child(x, "Deep"), nullptr);
    EXPECT_EQ(inserted_, (std::vector<std::string>{"Vol (Session 1)", "G", "P", "X"}));
}

TEST_F(HfsReader, ImpossibleRecordCountInTheRootsLeafKeepsTheRoot) {
    // The root and X (id 18) share the first leaf, whose record count
    // reads 0xFFFF; X must not become the root.
    builder_.records.clear();
    builder_.directory(1, "Vol", kRootId, 1);
    builder_.directory(kRootId, "X", 18, 1);
    builder_.file(18, "Deep", 19, 5, 10);
    builder_.file(kRootId, "Top", 20, 6, 10);
    builder_.recordsPerLeaf = 2;
    Build();
    PutBig16(image_, builder_.nodeOffset(1) + 10, 0xFFFF);
    ASSERT_TRUE(Read());
    EXPECT_STREQ(track_.root->name, "Vol (Session 1)");
    EXPECT_NE(Child(Child(track_.root, "X"), "Deep"), nullptr);
    EXPECT_NE(Child(track_.root, "Top"), nullptr);
    EXPECT_EQ(messages_, std::vector<int>{274});

    // Without the root's record at all: an empty root under the volume's
    // name, never X.
    builder_.records.erase(builder_.records.begin());
    image_.clear();
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(Read());
    EXPECT_STREQ(track_.root->name, "Built Volume (Session 1)");
    EXPECT_NE(Child(Child(track_.root, "X"), "Deep"), nullptr);
}

TEST_F(HfsReader, StrayFoldersAndCyclesNeitherTakeTheRootNorFloodMessages) {
    builder_.records.clear();
    // A folder before the root whose parent is lost, and two folders that
    // name each other as parent, each with files.
    builder_.directory(50, "Stray", 51, 0);
    builder_.directory(1, "Vol", kRootId, 1);
    builder_.directory(kRootId, "Home", 16, 0);
    builder_.directory(21, "A", 20, 1);
    builder_.directory(20, "B", 21, 1);
    for (int i = 0; i < 5; ++i) {
        builder_.file(20, "F" + std::to_string(i), 30 + i, 5, 10);
    }
    builder_.directory(16, "Loop", 16, 0);  // a repeated id: one expansion
    ASSERT_TRUE(Read());
    EXPECT_STREQ(track_.root->name, "Vol (Session 1)");
    EXPECT_EQ(messages_, std::vector<int>{161});
    const FileNode* home = Child(track_.root, "Home");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->firstChild->firstChild, nullptr);
}

TEST_F(HfsReader, DebugModeLogsWhereTheCatalogLiesAndDumpsLostRecords) {
    test::TempFolder folder;
    SetDebugLogPath(folder / "HFS.DBG");
    logSwitches().debugMode = true;
    logSwitches().writeThrough = true;
    builder_.recordedAllocationStart = 30;
    builder_.directory(77, "Orphan", 30, 0);
    ASSERT_TRUE(Read());
    track_.flags = 0;
    builder_.allocationStart = 12;
    image_.clear();
    TrackInfo lost;
    device_.setImage(builder_.build());
    EXPECT_FALSE(ReadHfsVolume(lost));
    logSwitches().debugMode = false;
    logSwitches().writeThrough = false;
    SetDebugLogPath({});

    std::ifstream in(folder / "HFS.DBG", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), {});
    for (const char* expected :
         {"--------- HFS Block 0 ---------", "--------- Partition Map ---------",
          "--------- HFS Master Directory Block ---------", "--------- 1st Catalog block ---------",
          "--------- Catalog node ---------",
          "HFS: PartBegin=64, BlkSize=512, AlBegin=4, CatTreeBase=10",
          "--------- Unconnected HFS directory ---------",
          "File: Alpha id:17 Start:20(1) Size:1000 RStart:0 RSize:0",
          "No valid node 0 found at any location. drAlBlSt=30, past bitmap=4"}) {
        EXPECT_NE(log.find(expected), std::string::npos) << expected;
    }
    EXPECT_TRUE(messages_.empty()) << "the log takes the place of message 161";
}

TEST_F(HfsReader, DamagedPartitionMapsAreRefused) {
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    };
    const Damage damages[] = {
        {"no driver descriptor", 0, 0},
        {"first entry without its signature", HfsBuilder::mapEntryOffset(1), 0},
        {"HFS entry without its signature", HfsBuilder::mapEntryOffset(2), 0},
        {"no Apple_HFS entry", HfsBuilder::mapEntryOffset(2) + 48 + 6, 'X'},
        {"volume not at the partition start", HfsBuilder::mapEntryOffset(2) + 83, 1},
        {"map of one entry", HfsBuilder::mapEntryOffset(1) + 7, 1},
    };
    for (const Damage& d : damages) {
        image_ = builder_.build();
        image_[d.at] = d.value;
        TrackInfo track;
        device_.setImage(image_);
        EXPECT_FALSE(ReadHfsVolume(track)) << d.what;
        EXPECT_EQ(track.root, nullptr) << d.what;
    }
}

TEST_F(HfsReader, AbsurdGeometryIsRefusedWithoutReading) {
    for (std::uint32_t size : {0u, 513u, 0x80000000u, 0xFFFFFE00u}) {
        image_ = builder_.build();
        PutBig32(image_, HfsBuilder::masterBlockOffset() + 20, size);
        TrackInfo track;
        device_.setImage(image_);
        device_.reads.clear();
        EXPECT_FALSE(ReadHfsVolume(track)) << size;
        EXPECT_EQ(track.root, nullptr);
    }
}

TEST_F(HfsReader, UnusableCatalogHeaderLeavesAnEmptyRoot) {
    // Bad node sizes, then first leaves beyond the tree or none.
    const std::pair<std::size_t, std::uint32_t> damages[] = {
        {32, 0}, {32, 14}, {32, 700}, {32, 4096}, {24, 0x7FFFFFFF}, {24, 999}, {24, 0}};
    for (const auto& [at, value] : damages) {
        AllowHfsDamageReport();
        messages_.clear();
        Build();
        if (at == 32) {
            PutBig16(image_, builder_.nodeOffset(0) + at, static_cast<std::uint16_t>(value));
        } else {
            PutBig32(image_, builder_.nodeOffset(0) + at, value);
        }
        TrackInfo track;
        track.session = 1;
        device_.setImage(image_);
        EXPECT_TRUE(ReadHfsVolume(track)) << value;
        ASSERT_NE(track.root, nullptr) << value;
        EXPECT_STREQ(track.root->name, "Built Volume (Session 1)");
        EXPECT_TRUE(IsDirectory(*track.root));
        EXPECT_EQ(track.root->firstChild, nullptr);
        EXPECT_TRUE(track.flags & track_flags::kHfs);
        EXPECT_EQ(messages_, std::vector<int>{273}) << value;
        FreeFileTree(track.root);
    }
}

TEST_F(HfsReader, LeafChainThatLoopsOrLeavesTheCatalogEnds) {
    // One record a leaf: the root in node 1, Folder in 2, Alpha in 3.
    builder_.recordsPerLeaf = 1;
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool byte;
        int message;
    };
    const Damage damages[] = {
        {"a link back to the first leaf", builder_.nodeOffset(2), 1, false, 271},
        {"a link beyond the tree's node count", builder_.nodeOffset(2), 0x7FFFFFFF, false, 275},
        {"an index node in the chain", builder_.nodeOffset(3) + 8, 0, true, 275},
        {"a header node in the chain", builder_.nodeOffset(3) + 8, 1, true, 275},
        {"a catalog file of three nodes", HfsBuilder::masterBlockOffset() + 146, 3 * 512, false,
         275},
    };
    for (const Damage& d : damages) {
        AllowHfsDamageReport();
        messages_.clear();
        Build();
        if (d.byte) {
            image_[d.at] = static_cast<std::uint8_t>(d.value);
        } else {
            PutBig32(image_, d.at, d.value);
        }
        TrackInfo track;
        device_.setImage(image_);
        ASSERT_TRUE(ReadHfsVolume(track)) << d.what;
        ASSERT_NE(track.root, nullptr) << d.what;
        EXPECT_STREQ(track.root->name, "Built Volume (Session 0)") << d.what;
        EXPECT_NE(Child(track.root, "Folder"), nullptr) << d.what;
        EXPECT_EQ(Child(track.root, "Alpha"), nullptr) << d.what;
        EXPECT_EQ(messages_, std::vector<int>{d.message}) << d.what;
        FreeFileTree(track.root);
    }
}

TEST_F(HfsReader, DamagedRecordsAreSkipped) {
    Build();
    const std::size_t leaf = builder_.nodeOffset(1);
    // Record 1 (Folder) points into the offset table, record 2 (Alpha)
    // before the descriptor; the second leaf claims more records than its
    // node holds: its records are read from its offset table, and said so.
    PutBig16(image_, leaf + 512 - 4, 510);
    PutBig16(image_, leaf + 512 - 6, 4);
    PutBig16(image_, builder_.nodeOffset(2) + 10, 0xFFFF);
    ASSERT_TRUE(Read());
    ASSERT_NE(track_.root, nullptr);
    EXPECT_EQ(Child(track_.root, "Folder"), nullptr);
    EXPECT_EQ(Child(track_.root, "Alpha"), nullptr);
    EXPECT_NE(Child(track_.root, "Empty"), nullptr);
    EXPECT_EQ(messages_, (std::vector<int>{274, 161}));
    EXPECT_EQ(texts_[0],
              "The HFS catalog of track 1 is damaged: node 2 records more entries than it can "
              "hold.\nIts entries were taken from its offset table.");
    FreeFileTree(track_.root);
    track_.root = nullptr;

    // Record 2 (Alpha) repeats the offset of record 1 (Folder): the folder
    // is one entry, not two.
    Build();
    PutBig16(image_, leaf + 512 - 6,
             static_cast<std::uint16_t>(image_[leaf + 512 - 4] << 8 | image_[leaf + 512 - 3]));
    ASSERT_TRUE(Read());
    int folders = 0;
    for (const FileNode* c = track_.root->firstChild; c != nullptr; c = c->next) {
        folders += std::string(c->name) == "Folder";
    }
    EXPECT_EQ(folders, 1);
    EXPECT_EQ(Child(track_.root, "Alpha"), nullptr);
    EXPECT_NE(Child(track_.root, "Empty"), nullptr);
}

TEST_F(HfsReader, KeysThatCannotNameTheirEntryAreSkipped) {
    Build();
    const std::size_t record = builder_.nodeOffset(1) + 14;
    // The root's name claims more characters than its key holds.
    image_[record + 6] = 31;
    ASSERT_TRUE(Read());
    // No other folder takes the root's place: the root stands in under the
    // volume's name and keeps what names it as parent.
    ASSERT_NE(track_.root, nullptr);
    EXPECT_STREQ(track_.root->name, "Built Volume (Session 1)");
    EXPECT_EQ(track_.root->startBlock, 2);
    EXPECT_NE(Child(Child(track_.root, "Folder"), "Inner"), nullptr);
    EXPECT_NE(Child(track_.root, "Alpha"), nullptr);
    FreeFileTree(track_.root);
    track_.root = nullptr;

    // A folder and a file without a name, which would pass for ".".
    builder_.directory(kRootId, "", 40);
    builder_.file(kRootId, "", 41, 5, 10);
    image_.clear();
    ASSERT_TRUE(Read());
    for (const FileNode* c = track_.root->firstChild; c != nullptr; c = c->next) {
        EXPECT_STRNE(c->name, "");
    }
    EXPECT_NE(Child(track_.root, "Empty"), nullptr);
}

TEST_F(HfsReader, UnreadableCatalogEndsWithTheHeaderCheck) {
    Build();
    device_.setImage(image_);
    device_.failing.insert(static_cast<std::uint32_t>(builder_.nodeOffset(0) / 2048));
    EXPECT_FALSE(ReadHfsVolume(track_));
}

TEST_F(HfsReader, SummaryTakesTheMasterDirectoryBlock) {
    builder_.volumeName = "Summary Vol";
    builder_.partitionName = "Part Name";
    device_.setImage(builder_.build());
    const std::optional<HfsVolumeSummary> summary = OpenHfsSummary(track_);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->volumeName, "Summary Vol");
    EXPECT_EQ(summary->partitionName, "Part Name");
    EXPECT_EQ(summary->files, 3u);
    EXPECT_EQ(summary->directories, 2u);
    EXPECT_EQ(summary->allocationBlockSize, 512u);
    EXPECT_EQ(summary->allocationBlocks, 200u);
    EXPECT_EQ(summary->freeBlocks, 17u);

    device_.setImage(std::vector<std::uint8_t>(4096, 0));
    EXPECT_FALSE(OpenHfsSummary(track_));
    EXPECT_EQ(messages_, std::vector<int>{165});
}

// Dates are read under several zones; the process's own zone is put back
// after each case, so that no later case sees what this one set.
class HfsDate : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* zone = std::getenv("TZ")) {
            savedZone_ = zone;
        }
    }
    void TearDown() override {
        if (savedZone_) {
            ::setenv("TZ", savedZone_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    static void UseZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

private:
    std::optional<std::string> savedZone_;
};

TEST_F(HfsDate, LocalClockReadingIsKept) {
    struct Reading {
        std::uint32_t hfsDate;
        std::array<std::uint8_t, 7> shown;
    };
    const Reading readings[] = {
        {3029529600u, {100, 1, 1, 0, 0, 0, 0}},      // 2000-01-01, winter in Berlin
        {3141117000u, {103, 7, 15, 12, 30, 0, 0}},   // 2003-07-15, summer in Berlin
        {3160943998u, {104, 2, 29, 23, 59, 58, 0}},  // a leap day's last seconds
        {0, {4, 1, 1, 0, 0, 0, 0}},                  // the first second HFS knows
        {0xFFFFFFFFu, {140, 2, 6, 6, 28, 15, 0}},    // and its last
    };
    // Zone rules written out, so that no zone database is needed; Berlin
    // comes twice, after a zone whose dates were read first.
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "AEST-10AEDT,M10.1.0,M4.1.0/3",
                             "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        UseZone(zone);
        for (const Reading& r : readings) {
            EXPECT_EQ(hfs::HfsDateToNodeDate(r.hfsDate), r.shown) << zone << " " << r.hfsDate;
        }
    }
}

}  // namespace
}  // namespace kel::diag::testing
