// What the list pane shows of an entry and the order it sorts entries in.
#include "diag/ui/window/list_texts.h"

#include "node_tree.h"
#include "window_fixture.h"

namespace kel::diag {
namespace {

using test::NodeTree;
using ListTexts = test::WindowFixture;

TEST_F(ListTexts, SizesTurnIntoKilobytesFrom10240Bytes) {
    EXPECT_EQ(SizeText(0), "0");
    EXPECT_EQ(SizeText(10239), "10,239");
    EXPECT_EQ(SizeText(10240), "10K");
    EXPECT_EQ(SizeText(10241), "11K");
    EXPECT_EQ(SizeText(0xFFFFFFFF), "4,194,304K") << "rounding up must not wrap";
    EXPECT_EQ(SizeText(std::uint64_t{3} << 32), "12,582,912K") << "multi-extent files pass 4 GiB";
    EXPECT_EQ(SizeText(10239, QLocale(QLocale::German, QLocale::Germany)), "10.239");
}

TEST_F(ListTexts, StartBlocksOfEntriesWithoutAPlace) {
    EXPECT_EQ(StartBlockText(0), "0");
    EXPECT_EQ(StartBlockText(345678), "345678");
    EXPECT_EQ(StartBlockText(kBeyondVolume), "N/A     ");
    EXPECT_EQ(StartBlockText(kDuplicateEntry), "Duplicat");
}

TEST_F(ListTexts, VersionMarkerIsDroppedOnlyWhereItStands) {
    NodeTree tree;
    FileNode& root = tree.add(nullptr, "ROOT", true);
    EXPECT_EQ(ListNameText(tree.add(&root, "README.TXT;1", false), true), "README.TXT");
    EXPECT_EQ(ListNameText(tree.add(&root, "README.TXT;1", false), false), "README.TXT;1");
    EXPECT_EQ(ListNameText(tree.add(&root, "NOTES;12", false), true), "NOTES;12");
    EXPECT_EQ(ListNameText(tree.add(&root, "X", false), true), "X");
    EXPECT_EQ(ListNameText(tree.add(&root, ";1", false), true), "");
}

TEST_F(ListTexts, DirectEntriesLeaveOutWhatSubdirectoriesHold) {
    NodeTree tree;
    FileNode& root = tree.add(nullptr, "ROOT", true);
    FileNode& sub = tree.add(&root, "SUB", true);
    tree.add(&sub, "A", false);
    tree.add(&sub, "B", false);
    tree.add(&root, "C", false);
    EXPECT_EQ(root.count, 4u);
    EXPECT_EQ(DirectEntryCount(root), 2);
    EXPECT_EQ(DirectEntryCount(sub), 2);
    // A reader's count that is smaller than its subdirectories' is no
    // reason for a negative number of items.
    root.count = 1;
    EXPECT_EQ(DirectEntryCount(root), 0);
}

TEST_F(ListTexts, SortingByEachColumnBothWays) {
    NodeTree tree;
    FileNode& root = tree.add(nullptr, "ROOT", true);
    FileNode& file = tree.add(&root, "alpha", false, 30, 100);
    FileNode& other = tree.add(&root, "Beta", false, 10, 0xF0000000);
    FileNode& dir = tree.add(&root, "zulu", true, 50, 2048);
    EXPECT_LT(CompareListItems(dir, file, 1), 0) << "directories first";
    EXPECT_LT(CompareListItems(file, other, 1), 0) << "case is ignored";
    EXPECT_GT(CompareListItems(file, other, -1), 0);
    EXPECT_GT(CompareListItems(file, other, 2), 0);
    EXPECT_LT(CompareListItems(file, other, 3), 0) << "sizes above 2 GiB are larger";
    EXPECT_GT(CompareListItems(file, other, -3), 0);
    file.recordingDate = {99, 12, 31, 23, 59, 59, 0};
    other.recordingDate = {100, 1, 1, 0, 0, 0, 0};
    EXPECT_LT(CompareListItems(file, other, 4), 0);
    EXPECT_EQ(CompareListItems(file, other, 5), 0);
    EXPECT_EQ(CompareListItems(file, other, 0), 0);
}

}  // namespace
}  // namespace kel::diag
