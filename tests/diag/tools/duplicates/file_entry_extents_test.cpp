// Reading a file's extents from its file entry: the three descriptor forms,
// the ends a descriptor list can have, and continuation blocks, good and
// broken.
#include <gtest/gtest.h>

#include <array>

#include "diag/tools/duplicates/file_entry_extents.h"
#include "test_tree.h"

namespace kel::diag::testing {
namespace {

using Extent = std::pair<std::int32_t, std::int32_t>;
using Extents = std::vector<Extent>;

class FileEntryExtents : public TreeTest {
protected:
    // The extents of `block` (a file entry on the drive) for a file FILE.
    Extents Collect(std::int32_t block, std::int32_t partitionStart = 1000) {
        file_ = &Add(root(), "FILE", 50, 1, kPiecesFlag, static_cast<std::uint32_t>(block));
        std::array<std::uint8_t, 2048> buffer{};
        std::copy_n(device_.block(block).begin(), 2048, buffer.begin());
        Extents found;
        EXPECT_TRUE(CollectFileEntryExtents(*file_, buffer, partitionStart,
                                            [&found, this](const ExtentEntry& record) {
                                                EXPECT_EQ(record.node, file_);
                                                found.emplace_back(record.start, record.count);
                                                return true;
                                            }));
        return found;
    }

    FileNode* file_ = nullptr;
};

TEST_F(FileEntryExtents, EachFormGivesPartitionRelativeExtentsInWholeBlocks) {
    const std::vector<TestDescriptor> descriptors = {{4096, 10}, {1, 30}, {2049, 40, 1}};
    const Extents expected = {{1010, 2}, {1030, 1}, {1040, 2}};
    for (TestForm form : {kShort, kLong, kExtended}) {
        WriteFileEntry(device_.block(60), form, descriptors, 12);
        EXPECT_EQ(Collect(60), expected) << "form " << form;
    }
    WriteFileEntry(device_.block(60), kEmbedded, descriptors);
    EXPECT_TRUE(Collect(60).empty());
}

TEST_F(FileEntryExtents, ListEndsAtZeroLengthFarBlockOrTheBlocksEnd) {
    WriteFileEntry(device_.block(61), kShort, {{2048, 1}, {0, 2}, {2048, 3}});
    EXPECT_EQ(Collect(61), Extents({{1001, 1}}));

    WriteFileEntry(device_.block(62), kShort,
                   {{2048, 1}, {2048, 340001 - 1000}, {2048, 418500 - 1000}, {2048, 3}});
    EXPECT_EQ(Collect(62), Extents({{1001, 1}, {340001, 1}}));
    EXPECT_EQ(LogLinesStartingWith("Invalid extent detected for FILE, FE at 62").size(), 1u);

    // Lengths and attribute sizes that point past the block are cut to it.
    WriteFileEntry(device_.block(63), kShort, {}, 0xFFFFFF00);
    EXPECT_TRUE(Collect(63).empty());
    const std::size_t fitting = (2048 - 176) / 8;
    WriteFileEntry(device_.block(64), kShort,
                   std::vector<TestDescriptor>(fitting, TestDescriptor{2048, 1}));
    device_.block(64)[172] = 0xFF;
    device_.block(64)[173] = 0xFF;
    EXPECT_EQ(Collect(64).size(), fitting);
}

TEST_F(FileEntryExtents, ExtentsNeitherRecordedNorAllocatedHoldNoData) {
    WriteFileEntry(device_.block(80), kLong, {{8192, 0, 2}, {2048, 5}, {4096, 0, 2}, {4096, 6}});
    EXPECT_EQ(Collect(80), Extents({{1005, 1}, {1006, 2}}));
}

TEST_F(FileEntryExtents, ContinuationBlocksCarryTheListOn) {
    WriteFileEntry(device_.block(65), kLong, {{2048, 1}, {24 + 2 * 16, 66, 3}, {2048, 9}});
    WriteAllocationExtent(device_.block(1066), {{2048, 2}, {2048, 3}, {2048, 4}}, kLong);
    // The continuation's length covers two of the three descriptors there.
    EXPECT_EQ(Collect(65), Extents({{1001, 1}, {1002, 1}, {1003, 1}}));
    EXPECT_EQ(file_->startBlock, 50);
}

TEST_F(FileEntryExtents, BrokenContinuationsEndTheListSafely) {
    // Not an allocation extent: the file's data can't be told, so it has
    // no first block any more.
    WriteFileEntry(device_.block(70), kShort, {{2048, 1}, {2048, 71, 3}});
    std::fill(device_.block(1071).begin(), device_.block(1071).end(), 0);
    EXPECT_EQ(Collect(70), Extents({{1001, 1}}));
    EXPECT_EQ(file_->startBlock, -1);

    // Longer than a block: a feature the program does not read.
    WriteFileEntry(device_.block(72), kShort, {{2048, 1}, {4096, 73, 3}});
    EXPECT_EQ(Collect(72), Extents({{1001, 1}}));
    EXPECT_EQ(messages_, std::vector<int>({232}));

    // Unreadable: the extents so far stay.
    device_.failing.insert(1075);
    WriteFileEntry(device_.block(74), kShort, {{2048, 1}, {2048, 75, 3}});
    EXPECT_EQ(Collect(74), Extents({{1001, 1}}));

    // A chain that leads back into itself ends.
    WriteFileEntry(device_.block(76), kShort, {{2048, 77, 3}});
    WriteAllocationExtent(device_.block(1077), {{2048, 5}, {2048, 77, 3}});
    const Extents looped = Collect(76);
    EXPECT_GT(looped.size(), 1u);
    EXPECT_LT(looped.size(), 1000u);
}

}  // namespace
}  // namespace kel::diag::testing
