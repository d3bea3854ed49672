// Directories that a damaged or hostile disc holds: every one ends in a
// tree of what could be read, never in a read outside a block or a record.
#include <algorithm>

#include "tests/diag/fs/iso/reader_fixture.h"

namespace kel::diag::testing {
namespace {

using DamagedDirectory = ReaderFixture;

// Root entries of 42 bytes each after the dots, filling the block to 1832.
std::vector<Entry> FullRoot() {
    std::vector<Entry> records = DotEntries(20, 20);
    for (int i = 0; i < 42; ++i) {
        records.push_back(Entry{"F" + std::to_string(100 + i) + ".TXT;1", 30, 1});
    }
    return records;
}

TEST_F(DamagedDirectory, RecordRunningPastTheBlockEndsIt) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = FullRoot();
    Entry tail{"TAIL.TXT;1", 30, 1};
    tail.recordLength = 250;  // from offset 1832: past 2048
    records.push_back(tail);
    image.directory(20, records);
    ASSERT_TRUE(read(image));
    EXPECT_EQ(children(root()).size(), 44u);
    EXPECT_EQ(child(root(), "TAIL.TXT;1"), nullptr);
}

TEST_F(DamagedDirectory, RecordTooShortForItsIdentifierEndsTheBlock) {
    for (std::uint8_t length : {std::uint8_t{40}, std::uint8_t{20}, std::uint8_t{1}}) {
        ImageBuilder image = BasicImage();
        std::vector<Entry> records = DotEntries(20, 20);
        records.push_back(Entry{"FIRST.TXT;1", 30, 1});
        Entry bad{"LONGNAME.TXT;1", 30, 1};
        bad.recordLength = length;
        records.push_back(bad);
        records.push_back(Entry{"AFTER.TXT;1", 30, 1});
        image.directory(20, records);
        ASSERT_TRUE(read(image));
        EXPECT_EQ(names(root()), (std::vector<std::string>{"", "\1", "FIRST.TXT;1"}))
            << "record length " << int{length};
        FreeFileTree(track_.root);
        track_.root = nullptr;
    }
}

TEST_F(DamagedDirectory, EntriesBeyondTheVolumeAreMissingAndNotDescended) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    records.push_back(Entry{"GONE.TXT;1", 5000, 10});
    records.push_back(Entry{"GONEDIR", 6000, 2048, kDirectory});
    records.push_back(Entry{"HUGE.TXT;1", 0xFFFFFFF0u, 10});
    image.directory(20, records);
    ASSERT_TRUE(read(image));
    EXPECT_EQ(child(root(), "GONE.TXT;1")->startBlock, -1);
    const FileNode* gone = child(root(), "GONEDIR");
    EXPECT_EQ(gone->startBlock, -1);
    EXPECT_TRUE(IsDirectory(*gone));
    EXPECT_EQ(child(root(), "HUGE.TXT;1")->startBlock, -1);
    EXPECT_EQ(std::count(device_.reads.begin(), device_.reads.end(), 6000u), 0);
    EXPECT_EQ(root()->count, 3u) << "missing entries stay in the tree";
}

TEST_F(DamagedDirectory, ShowAllKeepsTheRecordedBlockButStillDoesNotDescend) {
    Options().showAll = 1;
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    records.push_back(Entry{"GONE.TXT;1", 5000, 10});
    records.push_back(Entry{"GONEDIR", 6000, 2048, kDirectory});
    image.directory(20, records);
    ASSERT_TRUE(read(image));
    EXPECT_EQ(child(root(), "GONE.TXT;1")->startBlock, 5000);
    EXPECT_EQ(child(root(), "GONEDIR")->startBlock, 6000);
    EXPECT_EQ(std::count(device_.reads.begin(), device_.reads.end(), 6000u), 0);
}

TEST_F(DamagedDirectory, AbsurdDirectorySizeStopsAtTheVolumeEnd) {
    ImageBuilder image = BasicImage();
    image.descriptor(16, "TESTVOL", 40, 20, 0xFFFFF800u, 18);
    // Every block after the root looks like more of the directory.
    for (std::uint32_t b = 21; b < 40; ++b) {
        image.directory(b, {Entry{"X" + std::to_string(b) + ".TXT;1", 30, 1}});
    }
    read(image);
    ASSERT_FALSE(device_.reads.empty());
    EXPECT_LE(*std::max_element(device_.reads.begin(), device_.reads.end()), 40u);
    EXPECT_LT(device_.reads.size(), 100u);
}

TEST_F(DamagedDirectory, ImpossibleDotRecordEndsTheDirectory) {
    ImageBuilder image = BasicImage();
    image.descriptor(16, "TESTVOL", 40, 20, 2 * 2048, 18);
    std::vector<Entry> second{Entry{kDot, 99999, 2048, kDirectory}, Entry{"LATE.TXT;1", 30, 1}};
    image.directory(21, second);
    ASSERT_TRUE(read(image));
    EXPECT_EQ(child(root(), "LATE.TXT;1"), nullptr);
    EXPECT_NE(child(root(), "README.TXT;1"), nullptr) << "what was read stays";

    second[0].extent = 21;
    second[0].size = 900000000;  // above 800 MiB
    image.directory(21, second);
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(read(image));
    EXPECT_EQ(child(root(), "LATE.TXT;1"), nullptr);

    // The bounds themselves are possible: an extent at the volume's end
    // (block 40 here) and a length of 800 MiB.
    second[0].extent = 40;
    second[0].size = 838860800;
    image.directory(21, second);
    FreeFileTree(track_.root);
    track_.root = nullptr;
    ASSERT_TRUE(read(image));
    EXPECT_NE(child(root(), "LATE.TXT;1"), nullptr);
}

TEST_F(DamagedDirectory, DirectoryLinkedInTwiceIsReadOnce) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    records.push_back(Entry{"SUB", 21, 2048, kDirectory});
    records.push_back(Entry{"LOOP", 20, 2048, kDirectory});
    records.push_back(Entry{"AGAIN", 21, 2048, kDirectory});
    image.directory(20, records);
    ASSERT_TRUE(read(image));
    EXPECT_NE(child(root(), "SUB")->firstChild, nullptr);
    EXPECT_EQ(child(root(), "LOOP")->firstChild, nullptr);
    EXPECT_EQ(child(root(), "AGAIN")->firstChild, nullptr);
    EXPECT_EQ(directoryReads(21), 1);
}

}  // namespace
}  // namespace kel::diag::testing
