// The overlap pass over hand-built trees: which files are marked, the
// extent table the track keeps, and the work file on the way.
#include <gtest/gtest.h>

#include <filesystem>

#include "diag/fs/readers.h"
#include "diag/tools/duplicates/extent_overlaps.h"
#include "diag/tools/tracked_alloc.h"
#include "test_tree.h"

namespace kel::diag::testing {
namespace {

using Extent = std::tuple<std::int32_t, std::int32_t, std::string>;

class ExtentOverlaps : public TreeTest {
protected:
    FileNode& File(FileNode& parent, std::string_view name, std::int32_t start,
                   std::int32_t blocks) {
        return Add(parent, name, start, static_cast<std::uint32_t>(blocks) * 2048);
    }
    static bool Marked(const FileNode& node) { return (node.flags & kOverlapsAnotherFile) != 0; }

    std::vector<Extent> Table() const {
        std::vector<Extent> table;
        for (std::int32_t i = 0; i < track_.extentCount; ++i) {
            const ExtentEntry& e = track_.extentTable[i];
            table.emplace_back(e.start, e.count, e.node->name);
        }
        return table;
    }
};

TEST_F(ExtentOverlaps, LongExtentIsMarkedAgainstEachOneInsideIt) {
    FileNode& a = File(root(), "A", 0, 100);
    FileNode& b = File(root(), "B", 10, 5);
    FileNode& c = File(root(), "C", 20, 5);

    CheckExtentOverlaps(track_);

    EXPECT_TRUE(Marked(a) && Marked(b) && Marked(c));
    EXPECT_EQ(LogLinesStartingWith("File \\"),
              std::vector<std::string>(
                  {"File \\A has an extent at 0 for 100 that is also occupied by \\B.",
                   "File \\C has an extent at 20 for 5 that is also occupied by \\A."}));
    EXPECT_EQ(statusTexts_,
              std::vector<std::string>({"Checking for overlapping files in track 1"}));
}

TEST_F(ExtentOverlaps, PartialIdenticalAndRoundedUpExtentsOverlapButNeighboursDoNot) {
    // Its data lies in its file entry (both at block 0): one block, then its entries.
    FileNode& dir = AddDir(root(), "DIR", 0);
    FileNode& p1 = File(dir, "P1", 200, 10);
    FileNode& p2 = File(root(), "P2", 205, 10);
    FileNode& i1 = File(root(), "I1", 300, 4);
    FileNode& i2 = File(dir, "I2", 300, 4);
    FileNode& n1 = File(root(), "N1", 400, 2);
    FileNode& n2 = File(root(), "N2", 402, 2);
    FileNode& r1 = Add(root(), "R1", 500, 2049);  // takes two blocks
    FileNode& r2 = File(root(), "R2", 501, 1);

    CheckExtentOverlaps(track_);

    EXPECT_TRUE(Marked(p1) && Marked(p2));
    EXPECT_TRUE(Marked(i1) && Marked(i2));
    EXPECT_FALSE(Marked(n1) || Marked(n2));
    EXPECT_TRUE(Marked(r1) && Marked(r2));
    EXPECT_FALSE(Marked(dir));
}

TEST_F(ExtentOverlaps, TrackKeepsTheSortedTableOfEveryExtent) {
    File(root(), "LATE", 90, 1);
    Add(root(), "EMPTY", 95, 0);
    Add(root(), "LOST", -1, 2048, 8);
    FileNode& dir = AddDir(root(), "DIR", 40);
    dir.reserved1 = 40;  // data embedded in its file entry: one block, then its entries
    File(dir, "EARLY", 20, 3);
    // Without a file entry a directory is one extent; its entries are not read.
    FileNode& plain = AddDir(root(), "PLAIN", 60);
    File(plain, "HIDDEN", 61, 1);
    // Pieces described by its file entry.
    FileNode& pieces = Add(root(), "PIECES", 70, 3 * 2048, kPiecesFlag, 30);
    WriteFileEntry(device_.block(30), kShort, {{2048, 80}, {4096, 10}});
    track_.partitionStart = 0;
    // An unreadable file entry costs only its own extents.
    Add(root(), "UNREAD", 75, 2048, kPiecesFlag, 31);
    device_.failing.insert(31);

    CheckExtentOverlaps(track_);

    EXPECT_EQ(Table(), std::vector<Extent>({{10, 2, "PIECES"},
                                            {20, 3, "EARLY"},
                                            {40, 1, "DIR"},
                                            {60, 1, "PLAIN"},
                                            {80, 1, "PIECES"},
                                            {90, 1, "LATE"}}));
    EXPECT_FALSE(Marked(pieces));

    // A later pass replaces the table.
    FreeFileTree(root().firstChild);
    root().firstChild = nullptr;
    File(root(), "ONLY", 5, 1);
    CheckExtentOverlaps(track_);
    EXPECT_EQ(Table(), std::vector<Extent>({{5, 1, "ONLY"}}));
}

TEST_F(ExtentOverlaps, FileWhoseDataCannotBeToldIsNeverMarked) {
    // Its descriptors go on in a block that holds none.
    FileNode& broken = Add(root(), "BROKEN", 100, 4 * 2048, kPiecesFlag, 32);
    WriteFileEntry(device_.block(32), kShort, {{2048, 100}, {2048, 33, 3}});
    FileNode& other = File(root(), "OTHER", 100, 1);

    CheckExtentOverlaps(track_);

    EXPECT_EQ(broken.startBlock, -1);
    EXPECT_FALSE(Marked(broken) || Marked(other));
}

TEST_F(ExtentOverlaps, WorkFileGoesAwayAndACancelledPassKeepsNoTable) {
    File(root(), "A", 10, 5);
    File(root(), "B", 12, 5);
    CheckExtentOverlaps(track_);
    const auto begun = LogLinesStartingWith("Beginning file overlap process with file ");
    ASSERT_EQ(begun.size(), 1u);
    const std::filesystem::path workFile = begun[0].substr(begun[0].rfind(' ') + 1);
    EXPECT_EQ(workFile.parent_path(), folder_ / "temp");
    EXPECT_FALSE(std::filesystem::exists(workFile));
    EXPECT_EQ(track_.extentCount, 2);

    device_.cancelled = 1;
    TrackedFree(track_.extentTable, __FILE__, __LINE__);
    track_.extentTable = nullptr;
    track_.extentCount = 0;
    CheckExtentOverlaps(track_);
    EXPECT_EQ(track_.extentTable, nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "temp"));
}

}  // namespace
}  // namespace kel::diag::testing
