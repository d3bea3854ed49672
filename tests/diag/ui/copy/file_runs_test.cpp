// Where a file's bytes lie, as the runs the copy reads: 64-bit sizes and
// addresses, and the nodes whose data the reader could not place.
#include <gtest/gtest.h>

#include "diag/disc/track_info.h"
#include "diag/ui/copy/file_copy.h"
#include "diag/ui/copy/file_runs.h"

namespace kel::diag {
namespace {

class FileRunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        track_.flags = track_flags::kIso9660;
        node_.track = &track_;
        node_.name = name_;
        node_.startBlock = 100;
    }

    TrackInfo track_;
    char name_[8] = "BIG.DAT";
    FileNode node_;
};

TEST_F(FileRunsTest, ExtentsOfAFileBeyondFourGigabytesKeepEveryByte) {
    FileExtent extents[] = {{3'000'000, 0xFFFFF800u}, {5'200'000, 0xFFFFF800u}, {7'400'000, 4096}};
    node_.flags = node_flags::kExtentList;
    node_.extents = extents;
    node_.count = 3;
    node_.size = 2 * std::uint64_t{0xFFFFF800u} + 4096;
    const FileRuns runs = FileRunsOf(node_);
    EXPECT_TRUE(runs.problem.empty()) << runs.problem;
    ASSERT_EQ(runs.runs.size(), 3u);
    EXPECT_EQ(runs.runs[1].offset, std::uint64_t{5'200'000} * 2048);
    EXPECT_EQ(runs.runs[2].offset, std::uint64_t{7'400'000} * 2048);
    EXPECT_EQ(runs.runs[2].length, 4096u);
    EXPECT_EQ(BytesBelow({&node_}), node_.size);
}

TEST_F(FileRunsTest, RunsStopAtTheFilesSizeAndMissingBytesAreAProblem) {
    node_.size = 5000;
    const FileRuns plain = FileRunsOf(node_);
    ASSERT_EQ(plain.runs.size(), 1u);
    EXPECT_EQ(plain.runs[0].offset, 100u * 2048);
    EXPECT_EQ(plain.runs[0].length, 5000u);

    FileExtent extents[] = {{200, 2048}, {300, 2048}};
    node_.flags = node_flags::kExtentList;
    node_.extents = extents;
    node_.count = 2;
    node_.size = 3000;
    const FileRuns cut = FileRunsOf(node_);
    ASSERT_EQ(cut.runs.size(), 2u);
    EXPECT_EQ(cut.runs[1].length, 952u);

    node_.size = 9000;
    EXPECT_FALSE(FileRunsOf(node_).problem.empty()) << "4096 bytes of extents for 9000";
}

TEST_F(FileRunsTest, AnEntryWithoutAPlaceHasNoRunsButAnEmptyOneIsWhole) {
    node_.size = 10;
    for (const std::int32_t start : {-1, -2}) {
        node_.startBlock = start;
        const FileRuns runs = FileRunsOf(node_);
        EXPECT_TRUE(runs.runs.empty());
        EXPECT_FALSE(runs.problem.empty()) << start;
    }
    node_.size = 0;
    const FileRuns empty = FileRunsOf(node_);
    EXPECT_TRUE(empty.runs.empty());
    EXPECT_TRUE(empty.problem.empty());
}

}  // namespace
}  // namespace kel::diag
