// The block scan of a UDF volume ends with the duplicate and overlap passes
// over its track: what the scan found again is dropped, and extents are
// compared at their disc blocks, partition start included.
#include <gtest/gtest.h>

#include <filesystem>

#include "diag/tools/duplicates/extent_overlaps.h"
#include "diag/tools/tracked_alloc.h"
#include "tests/diag/fs/udf/udf_fixture.h"

namespace kel::diag::testing {
namespace {

class UdfScanPasses : public UdfFixture {
protected:
    UdfScanPasses() {
        std::filesystem::create_directories(folder_ / "temp");
        Options().tempPath = (folder_ / "temp").string() + "/";
        Options().intensiveUdfScan = 1;
        Tracks() = TrackList{&track_, &leadOut_};
        udf_.standardVolume();
    }
    ~UdfScanPasses() override {
        TrackedFree(track_.extentTable, __FILE__, __LINE__);
        track_.extentTable = nullptr;
        Tracks() = TrackList{};
    }
};

TEST_F(UdfScanPasses, AnEntryTheScanFoundAgainIsRemoved) {
    // A second file entry for README.TXT's data, reached by no directory.
    udf_.fileEntry(60, 5, 100, {{10, 100}});
    ASSERT_TRUE(read());
    // The collection held the copy: it stays, emptied, as a folder that
    // held something always does.
    const FileNode* unattached = child(track_.root, "Unattached Items");
    ASSERT_NE(unattached, nullptr);
    EXPECT_EQ(unattached->firstChild, nullptr);
    EXPECT_NE(child(track_.root, "README.TXT"), nullptr);
    EXPECT_EQ(track_.root->count, 4u);
}

TEST_F(UdfScanPasses, OverlapsAreFoundAtDiscBlocks) {
    // A.BIN in three extents, the second of which README.TXT's data shares.
    udf_.fileEntry(6, 5, 5000, {{20, 2048}, {21, 2048}, {22, 904}});
    udf_.fileEntry(3, 5, 100, {{21, 100}});
    ASSERT_TRUE(read());
    ASSERT_EQ(track_.partitionStart, 300);
    const FileNode* readme = child(track_.root, "README.TXT");
    const FileNode* data = child(child(track_.root, "SUB"), "A.BIN");
    ASSERT_NE(readme, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_NE(readme->flags & kOverlapsAnotherFile, 0);
    EXPECT_NE(data->flags & kOverlapsAnotherFile, 0);
    EXPECT_NE(track_.extentTable, nullptr) << "the track keeps its sorted extents";
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "temp")) << "the work file is gone";
}

}  // namespace
}  // namespace kel::diag::testing
