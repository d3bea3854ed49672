// The duplicate pass over hand-built trees: what the block scan found again
// goes, what the directories reach stays, and the trees' counts follow.
#include <gtest/gtest.h>

#include "diag/state/options.h"
#include "diag/tools/duplicates/duplicate_entries.h"
#include "diag/tools/tracked_alloc.h"
#include "test_tree.h"

namespace kel::diag::testing {
namespace {

using NameList = std::vector<std::string>;

class DuplicateEntries : public TreeTest {
protected:
    // The scan's collection node, last in the root's list.
    FileNode& Unattached() { return AddDir(root(), "Unattached Items", 100, kScanFlag); }
};

TEST_F(DuplicateEntries, ScanCopiesOfReachedFilesGoAndTheReachedOnesStay) {
    FileNode& docs = AddDir(root(), "DOCS", 300);
    Add(docs, "A.TXT", 500, 4096);
    Add(root(), "B.TXT", 510, 100);
    FileNode& found = Unattached();
    // Found through identifiers below the collection: they count as the scan's.
    Add(found, "A.TXT", 500, 4096);
    Add(found, "Unnamed_0001", 510, 100, kScanFlag);
    // Same block, other size: another file's data, not a copy.
    Add(found, "Unnamed_0002", 500, 2048, kScanFlag);
    Add(found, "NEW.TXT", 520, 10);

    RemoveDuplicateEntries(&track_);

    EXPECT_EQ(Names(docs), NameList({"A.TXT"}));
    EXPECT_EQ(Names(root()), NameList({"DOCS", "B.TXT", "Unattached Items"}));
    const FileNode& kept = *Find(root(), "Unattached Items");
    EXPECT_EQ(Names(kept), NameList({"Unnamed_0002", "NEW.TXT"}));
    EXPECT_NE(Find(kept, "NEW.TXT")->flags & kScanFlag, 0);
    EXPECT_EQ(Find(docs, "A.TXT")->flags & kScanFlag, 0);
    EXPECT_EQ(kept.count, 2u);
    EXPECT_EQ(docs.count, 1u);
    EXPECT_EQ(root().count, 3u + 1u + 2u);
    ASSERT_GE(statusTexts_.size(), 3u);
    EXPECT_EQ(statusTexts_[0], "Checking for duplicate files ...");
    EXPECT_EQ(statusTexts_[1], "Checking 8 files for duplicates ...");
    EXPECT_EQ(statusTexts_.back(), "Checking 8 files for duplicates, 2 duplicates deleted");
}

TEST_F(DuplicateEntries, DirectoriesAndEntriesWithoutDataAreJudgedApart) {
    Add(root(), "DATA.BIN", 600, 2048);
    FileNode& found = Unattached();
    // A directory on a file's block is never taken for a copy of it.
    AddDir(found, "SUB", 600, kScanFlag);
    Add(*Find(found, "SUB"), "X", 610, 1);
    // Two reached entries whose file entries could not be read: neither is
    // a copy of the other.
    Add(root(), "BAD1", -1, 0, 8);
    Add(root(), "BAD2", -1, 0, 8);
    // The scan's unreadable finds describe nothing.
    Add(found, "Unnamed_0003", -1, 0, kScanFlag | 8);

    RemoveDuplicateEntries(&track_);

    EXPECT_EQ(Names(root()), NameList({"DATA.BIN", "Unattached Items", "BAD1", "BAD2"}));
    EXPECT_EQ(Names(*Find(root(), "Unattached Items")), NameList({"SUB"}));
}

TEST_F(DuplicateEntries, HardLinksAndEmptyFilesSharingABlockAllStay) {
    // Two directory entries on one extent: hard links, both on the disc.
    Add(root(), "LINK1", 620, 4096);
    FileNode& docs = AddDir(root(), "DOCS", 630);
    Add(docs, "LINK2", 620, 4096);
    // Empty files on one block hold no data to copy.
    Add(root(), "EMPTY1", 640, 0);
    FileNode& found = Unattached();
    Add(found, "Unnamed_0004", 640, 0, kScanFlag);
    // The scan's find of the linked file still goes.
    Add(found, "Unnamed_0005", 620, 4096, kScanFlag);
    // Sizes that differ only above 32 bits: another file, not a copy.
    Add(root(), "HUGE", 680, 4096).size += std::uint64_t{1} << 32;
    Add(found, "Unnamed_0006", 680, 4096, kScanFlag);

    RemoveDuplicateEntries(&track_);

    EXPECT_EQ(Names(root()), NameList({"LINK1", "DOCS", "EMPTY1", "Unattached Items", "HUGE"}));
    EXPECT_EQ(Names(docs), NameList({"LINK2"}));
    EXPECT_EQ(Names(*Find(root(), "Unattached Items")), NameList({"Unnamed_0004", "Unnamed_0006"}));
}

TEST_F(DuplicateEntries, HardLinksTheScanAloneFoundAllStayWithTheirFolders) {
    // The root's identifiers could not be read: the scan found two folders
    // whose links name one file, and nothing the directories reach does.
    FileNode& found = Unattached();
    FileNode& sub = AddDir(found, "SUB", 650, kScanFlag);
    Add(sub, "LINK2.DAT", 660, 5000);
    Add(sub, "E2", 670, 10);
    FileNode& other = AddDir(found, "OTHER", 651, kScanFlag);
    Add(other, "LINK3.DAT", 660, 5000);
    Add(found, "Unnamed_0006", 660, 5000, kScanFlag);

    RemoveDuplicateEntries(&track_);

    EXPECT_EQ(Names(found), NameList({"SUB", "OTHER", "Unnamed_0006"}));
    EXPECT_EQ(Names(sub), NameList({"LINK2.DAT", "E2"}));
    EXPECT_EQ(Names(other), NameList({"LINK3.DAT"}));
    EXPECT_EQ(root().count, 7u);
}

TEST_F(DuplicateEntries, EmptyScanFoldersArePrunedBottomUp) {
    FileNode& found = Unattached();
    FileNode& outer = AddDir(found, "OUTER", 700, kScanFlag);
    AddDir(outer, "INNER", 701, kScanFlag);
    FileNode& full = AddDir(found, "FULL", 702, kScanFlag);
    Add(full, "F", 703, 1);
    AddDir(root(), "EMPTY", 704);  // reached: stays even when empty

    RemoveDuplicateEntries(&track_);

    EXPECT_EQ(Names(root()), NameList({"Unattached Items", "EMPTY"}));
    EXPECT_EQ(Names(*Find(root(), "Unattached Items")), NameList({"FULL"}));

    // A folder whose entries were copies held something: it stays, empty.
    FileNode& again = *Find(root(), "Unattached Items");
    Add(*Find(again, "FULL"), "COPY", 703, 1);
    Add(root(), "ORIGINAL", 703, 1);
    RemoveDuplicateEntries(&track_);
    ASSERT_EQ(Names(root()), NameList({"Unattached Items", "EMPTY", "ORIGINAL"}));
    EXPECT_EQ(Names(again), NameList({"FULL"}));
    EXPECT_EQ(Find(again, "FULL")->firstChild, nullptr);
    EXPECT_EQ(root().count, 4u);
}

TEST_F(DuplicateEntries, CoversOneTrackOrAllAndHonoursTheKeepOption) {
    second_.track = 2;
    second_.session = 2;
    track_.next = &second_;
    second_.prev = &track_;
    Tracks() = TrackList{&track_, &second_};
    FileNode& otherRoot = Root(second_);
    Add(root(), "ONE", 800, 10);
    Add(otherRoot, "TWO", 800, 10, kScanFlag);

    Options().keepUdfDuplicates = 1;
    RemoveDuplicateEntries(nullptr);
    EXPECT_EQ(Names(otherRoot), NameList({"TWO"}));

    Options().keepUdfDuplicates = 0;
    RemoveDuplicateEntries(&second_);
    EXPECT_EQ(Names(otherRoot), NameList({"TWO"}));

    RemoveDuplicateEntries(nullptr);
    EXPECT_EQ(Names(root()), NameList({"ONE"}));
    EXPECT_TRUE(Names(otherRoot).empty());
}

TEST_F(DuplicateEntries, RemovedEntriesLeaveTheTracksExtentTable) {
    FileNode& original = Add(root(), "A", 900, 2048);
    FileNode& copy = Add(Unattached(), "A", 900, 2048);
    auto* table =
        static_cast<ExtentEntry*>(TrackedAlloc(2 * sizeof(ExtentEntry), __FILE__, __LINE__));
    table[0] = {900, 1, &original};
    table[1] = {900, 1, &copy};
    track_.extentTable = table;
    track_.extentCount = 2;

    RemoveDuplicateEntries(nullptr);

    ASSERT_EQ(track_.extentCount, 1);
    EXPECT_EQ(track_.extentTable[0].node, &original);
}

}  // namespace
}  // namespace kel::diag::testing
