// ISO 9660 directories read from hand-built discs: the tree, multi-extent
// files, Rock Ridge names, the depth limit, shifted and offset images.
#include <algorithm>

#include "tests/diag/fs/iso/reader_fixture.h"

namespace kel::diag::testing {
namespace {

using IsoDirectory = ReaderFixture;

TEST_F(IsoDirectory, ReadsTreeWithCountsLinksAndDates) {
    ASSERT_TRUE(read(BasicImage()));
    EXPECT_EQ(track_.flags, track_flags::kIso9660);
    ASSERT_NE(root(), nullptr);
    EXPECT_STREQ(root()->name, "\\ TESTVOL (Session 1)");
    EXPECT_EQ(root()->startBlock, 20);
    EXPECT_EQ(root()->size, 2048u);
    EXPECT_EQ(root()->track, &track_);
    // README, SUB and SUB's A.TXT; . and .. do not count.
    EXPECT_EQ(root()->count, 3u);
    EXPECT_EQ(names(root()), (std::vector<std::string>{"", "\1", "README.TXT;1", "SUB"}));

    const FileNode* readme = child(root(), "README.TXT;1");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->startBlock, 30);
    EXPECT_EQ(readme->size, 6u);
    EXPECT_EQ(readme->parent, root());
    EXPECT_STREQ(readme->previous->name, "\1");
    EXPECT_EQ(readme->recordingDate, (std::array<std::uint8_t, 7>{126, 12, 9, 7, 32, 34, 4}));
    EXPECT_FALSE(IsDirectory(*readme));

    const FileNode* sub = child(root(), "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(IsDirectory(*sub));
    EXPECT_EQ(sub->count, 1u);
    EXPECT_EQ(names(sub), (std::vector<std::string>{"", "\1", "A.TXT;1"}));
    EXPECT_EQ(child(sub, "A.TXT;1")->startBlock, 31);

    EXPECT_EQ(inserted_, (std::vector<FileNode*>{root(), child(root(), "SUB")}));
    EXPECT_EQ(status_,
              (std::vector<std::string>{"Scanning ISO-9660 directory for track 1 (TESTVOL)"}));
    EXPECT_TRUE(messages_.empty());
    // Directory reads are quiet; the drive is loud again afterwards.
    EXPECT_EQ(directoryReads(20), 1);
    EXPECT_EQ(directoryReads(21), 1);
    EXPECT_EQ(device_.quiet, 0);
}

TEST_F(IsoDirectory, MultiExtentFileKeepsOneNode) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    // Twelve pieces: more than the first extent list holds.
    for (std::uint32_t i = 0; i < 12; ++i) {
        records.push_back(Entry{"BIG.DAT;1", 22 + i, i < 11 ? 2048u : 100u,
                                static_cast<std::uint8_t>(i < 11 ? kMultiExtent : 0)});
    }
    records.push_back(Entry{"Z.TXT;1", 34, 5});
    image.directory(20, records);
    ASSERT_TRUE(read(image));

    EXPECT_EQ(names(root()), (std::vector<std::string>{"", "\1", "BIG.DAT;1", "Z.TXT;1"}));
    const FileNode* big = child(root(), "BIG.DAT;1");
    EXPECT_EQ(big->flags, node_flags::kExtentList);
    EXPECT_EQ(big->size, 11u * 2048 + 100);
    ASSERT_EQ(big->count, 12u);
    for (std::uint32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(big->extents[i].start, static_cast<std::int32_t>(22 + i));
        EXPECT_EQ(big->extents[i].length, i < 11 ? 2048u : 100u);
    }
    EXPECT_EQ(child(root(), "Z.TXT;1")->startBlock, 34);
    EXPECT_EQ(root()->count, 2u);
}

TEST_F(IsoDirectory, MultiExtentFileOfFourGibibytesOrMoreKeepsItsSize) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    // Three pieces of almost 4 GiB each; the data need not be there.
    constexpr std::uint32_t kPiece = 0xFFFFF800;
    for (std::uint32_t i = 0; i < 3; ++i) {
        records.push_back(
            Entry{"HUGE.DAT;1", 22, kPiece, static_cast<std::uint8_t>(i < 2 ? kMultiExtent : 0)});
    }
    image.directory(20, records);
    ASSERT_TRUE(read(image));
    const FileNode* huge = child(root(), "HUGE.DAT;1");
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->size, 3 * std::uint64_t{kPiece});
    EXPECT_EQ(huge->count, 3u);
}

TEST_F(IsoDirectory, RockRidgeNameReplacesIdentifier) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    Entry named{"LONGNAME.TXT;1", 30, 6};
    // A PX-like entry first: the walk has to step over it.
    named.systemUse = {'P', 'X', 12, 1, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto name = NameEntry("Long name.txt");
    named.systemUse.insert(named.systemUse.end(), name.begin(), name.end());
    records.push_back(named);
    // An entry of length 0 would never move the walk on.
    Entry stuck{"STUCK.TXT;1", 31, 1};
    stuck.systemUse = {'X', 'X', 0, 1, 'N', 'M', 9, 1, 0, 'b', 'a', 'd'};
    records.push_back(stuck);
    // An NM entry longer than the record.
    Entry overlong{"OVER.TXT;1", 32, 1};
    overlong.systemUse = {'N', 'M', 200, 1, 0, 'x', 'y'};
    records.push_back(overlong);
    image.directory(20, records);
    ASSERT_TRUE(read(image));

    EXPECT_EQ(names(root()),
              (std::vector<std::string>{"", "\1", "Long name.txt", "STUCK.TXT;1", "OVER.TXT;1"}));
    EXPECT_TRUE(track_.flags & track_flags::kRockRidge);
}

TEST_F(IsoDirectory, LongRockRidgeNamesJoinContinuedEntriesAndAreas) {
    ImageBuilder image = BasicImage();
    std::vector<Entry> records = DotEntries(20, 20);
    const std::string head(100, 'a');
    const std::string middle(100, 'b');
    const std::string tail(55, 'c');
    auto put = [](Entry& entry, const std::vector<std::uint8_t>& bytes) {
        entry.systemUse.insert(entry.systemUse.end(), bytes.begin(), bytes.end());
    };
    // 255 characters: two NM entries in the record, the last part in a
    // continuation area (at offset 100 of block 35).
    Entry full{"LONG1.TXT;1", 30, 6};
    put(full, NameEntry(head, 1));
    put(full, ContinuationEntry(35, 100, 160));
    put(full, NameEntry("", 1));
    const std::vector<std::uint8_t> area = NameEntry(middle + tail);
    records.push_back(full);
    // An area that names itself again, and one beyond the volume: the name
    // ends with what was read.
    Entry looping{"LOOP.TXT;1", 31, 1};
    put(looping, NameEntry("loop-", 1));
    put(looping, ContinuationEntry(36, 0, 40));
    records.push_back(looping);
    Entry outside{"OUT.TXT;1", 32, 1};
    put(outside, NameEntry("out-", 1));
    put(outside, ContinuationEntry(5000, 0, 40));
    records.push_back(outside);
    image.directory(20, records);
    std::copy(area.begin(), area.end(), image.block(35).begin() + 100);
    std::vector<std::uint8_t> again = NameEntry("again-", 1);
    const std::vector<std::uint8_t> self = ContinuationEntry(36, 0, 40);
    again.insert(again.end(), self.begin(), self.end());
    std::copy(again.begin(), again.end(), image.block(36).begin());
    ASSERT_TRUE(read(image));

    EXPECT_EQ(names(root()),
              (std::vector<std::string>{"", "\1", head + middle + tail, "loop-again-", "out-"}));
    EXPECT_EQ(child(root(), head + middle + tail)->startBlock, 30);
}

TEST_F(IsoDirectory, DeepTreesAreReadAndTheFoldersPastTheLimitReported) {
    // Root at 20, D1 at 21, ... each holding the next folder and a file:
    // three levels more than the reader goes into.
    constexpr std::uint32_t kLevels = kMaxDirectoryDepth + 2;
    ImageBuilder image(30 + kLevels);
    image.descriptor(16, "DEEP", 30 + kLevels, 20, 2048, 18);
    image.pathTable(18, 20);
    for (std::uint32_t level = 0; level <= kLevels; ++level) {
        std::vector<Entry> entries = DotEntries(20 + level, level ? 19 + level : 20);
        entries.push_back(Entry{"D" + std::to_string(level + 1), 21 + level, 2048, kDirectory});
        entries.push_back(Entry{"F.TXT;1", 25 + kLevels, 10});
        image.directory(20 + level, entries);
    }
    ASSERT_TRUE(read(image));

    const FileNode* node = root();
    for (int level = 1; level <= kMaxDirectoryDepth; ++level) {
        ASSERT_NE(child(node, "F.TXT;1"), nullptr) << "level " << level - 1;
        node = child(node, "D" + std::to_string(level));
        ASSERT_NE(node, nullptr) << "level " << level;
    }
    EXPECT_EQ(node->firstChild, nullptr) << "the deepest folder is listed, not read";
    EXPECT_EQ(std::count(device_.reads.begin(), device_.reads.end(), 20u + kMaxDirectoryDepth), 0);
    EXPECT_EQ(root()->count, 2u * kMaxDirectoryDepth);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 272);
    EXPECT_EQ(messages_[0].text,
              "The contents of 1 folder(s) of track 1 were not read: they lie deeper than " +
                  std::to_string(kMaxDirectoryDepth) + " levels.\nThe first of them is \"D" +
                  std::to_string(kMaxDirectoryDepth) + "\".");
}

// Every block lies 3 blocks after the number recorded for it.
TEST_F(IsoDirectory, PathTableFoundThreeBlocksLateShiftsEveryBlock) {
    ImageBuilder image(50);
    image.descriptor(16, "SHIFTED", 50, 20, 2048, 18);
    image.pathTable(18 + 3, 20);
    std::vector<Entry> records = DotEntries(20, 20);
    records.push_back(Entry{"SUB", 21, 2048, kDirectory});
    records.push_back(Entry{"F.TXT;1", 30, 10});
    image.directory(20 + 3, records);
    std::vector<Entry> sub = DotEntries(21, 20);
    sub.push_back(Entry{"A.TXT;1", 31, 10});
    image.directory(21 + 3, sub);
    ASSERT_TRUE(read(image));

    EXPECT_EQ(root()->startBlock, 23);
    EXPECT_EQ(child(root(), "F.TXT;1")->startBlock, 33);
    const FileNode* shiftedSub = child(root(), "SUB");
    ASSERT_NE(shiftedSub, nullptr);
    EXPECT_EQ(shiftedSub->startBlock, 24);
    ASSERT_NE(child(shiftedSub, "A.TXT;1"), nullptr) << "the subdirectory is read where it lies";
    EXPECT_EQ(child(shiftedSub, "A.TXT;1")->startBlock, 34);
}

// An image mastered from block 0 and written at block 100.
ImageBuilder OffsetImage(bool joliet) {
    ImageBuilder image(150);
    const std::uint32_t at = 100;
    image.descriptor(at + 16, "OFFSET", 40, 20, 2048, 18);
    if (joliet) {
        image.descriptor(at + 17, Ucs2(u"OFFSETJ"), 40, 22, 2048, 18, "%/E");
    }
    std::vector<Entry> records = DotEntries(20, 20);
    records.push_back(Entry{"SUB", 21, 2048, kDirectory});
    records.push_back(Entry{"F.TXT;1", 30, 10});
    image.directory(at + 20, records);
    std::vector<Entry> sub = DotEntries(21, 20);
    sub.push_back(Entry{"A.TXT;1", 31, 10});
    image.directory(at + 21, sub);
    std::vector<Entry> jolietRoot = DotEntries(22, 22);
    jolietRoot.push_back(Entry{Ucs2(u"file.txt"), 30, 10});
    image.directory(at + 22, jolietRoot);
    return image;
}

TEST_F(IsoDirectory, OffsetImageIsReadAtTheTrackStart) {
    track_.start = 100;
    ASSERT_TRUE(read(OffsetImage(false)));
    EXPECT_EQ(root()->startBlock, 120);
    EXPECT_EQ(child(root(), "F.TXT;1")->startBlock, 130);
    const FileNode* sub = child(root(), "SUB");
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->startBlock, 121);
    ASSERT_NE(child(sub, "A.TXT;1"), nullptr);
    EXPECT_EQ(child(sub, "A.TXT;1")->startBlock, 131);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(IsoDirectory, OffsetJolietImageIsReadAtTheTrackStart) {
    track_.start = 100;
    ASSERT_TRUE(read(OffsetImage(true)));
    EXPECT_TRUE(track_.flags & track_flags::kJoliet);
    EXPECT_EQ(root()->startBlock, 122);
    EXPECT_EQ(child(root(), "file.txt")->startBlock, 130);
}

TEST_F(IsoDirectory, RootBeforeTheTrackWithNothingThereIsReported) {
    ImageBuilder image = OffsetImage(false);
    std::fill_n(image.block(120).begin(), 2048, 0);
    track_.start = 100;
    EXPECT_FALSE(read(image));
    ASSERT_EQ(messageIds(), std::vector<int>{204});
    EXPECT_EQ(messages_[0].text, "The file directory for track 1 is not contained in the track.");
    EXPECT_EQ(root(), nullptr);
}

TEST_F(IsoDirectory, ZeroLengthRootIsReadAsOneBlock) {
    ImageBuilder image = BasicImage();
    image.descriptor(16, "TESTVOL", 40, 20, 0, 18);
    ASSERT_TRUE(read(image));
    EXPECT_EQ(root()->size, 2048u);
    EXPECT_NE(child(root(), "README.TXT;1"), nullptr);
}

TEST_F(IsoDirectory, UnreadableDirectoryBlockIsSkippedAndReported) {
    ImageBuilder image = BasicImage();
    image.descriptor(16, "TESTVOL", 40, 20, 3 * 2048, 18);
    std::vector<Entry> more{Entry{"LATE.TXT;1", 32, 1}};
    image.directory(22, more);
    device_.failing = {21};
    ASSERT_TRUE(read(image));
    EXPECT_NE(child(root(), "LATE.TXT;1"), nullptr) << "the block after the bad one is read";
    EXPECT_EQ(child(child(root(), "SUB"), "A.TXT;1"), nullptr);
    ASSERT_EQ(messageIds(), std::vector<int>{241});
    EXPECT_EQ(messages_[0].text,
              "2 blocks of directory information had read errors\n"
              "These were skipped over and not processed.");
}

}  // namespace
}  // namespace kel::diag::testing
