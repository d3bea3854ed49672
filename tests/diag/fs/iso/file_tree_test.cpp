// The nodes every reader builds its tree from, and how a tree is handed to
// the tree pane and freed.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/tools/tracked_alloc.h"
#include "tests/diag/tools/log_file_fixture.h"

namespace kel::diag {
namespace {

// An entry has room for exactly its name (. is a single NUL); a root name
// longer than a root's room is cut, never written past it.
TEST(FileNodes, NamesFitTheirNodes) {
    FileNode* dot = NewFileNode(std::string_view("\0", 1), false, __FILE__, __LINE__);
    ASSERT_NE(dot, nullptr);
    EXPECT_TRUE(IsDotEntry(*dot));
    FileNode* file = NewFileNode("README.TXT;1", false, __FILE__, __LINE__);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->name, "README.TXT;1");
    EXPECT_FALSE(IsDotEntry(*file));
    FileNode* root = NewFileNode(std::string(100, 'V'), true, __FILE__, __LINE__);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(std::strlen(root->name), static_cast<std::size_t>(kRootNameRoom));
    for (FileNode* node : {dot, file, root}) {
        FreeFileTree(node);
    }
}

std::string freeingLine(const void* block) {
    return "Freeing memory at " + test::fullWidth(block);
}

// A tree of two directories and files, freed with its extent lists. A UDF
// node keeps a block number where the extent list would be: freeing it
// would be fatal, so only an ISO 9660 track's nodes give theirs back. The
// allocation trace shows which blocks were given back.
using FileTreeFreeing = test::LogFileTest;

TEST_F(FileTreeFreeing, FreeFileTreeFreesIsoExtentListsOnly) {
    TrackInfo iso;
    iso.flags = track_flags::kIso9660;
    TrackInfo udf;
    udf.flags = track_flags::kUdf;

    FileNode* root = NewFileNode("\\ ROOT (Session 1)", true, __FILE__, __LINE__);
    FileNode* dir = NewFileNode("DIR", false, __FILE__, __LINE__);
    FileNode* big = NewFileNode("BIG.DAT;1", false, __FILE__, __LINE__);
    root->firstChild = dir;
    dir->parent = root;
    dir->firstChild = big;
    big->parent = dir;
    for (FileNode* node : {root, dir, big}) {
        node->track = &iso;
    }
    big->flags = node_flags::kExtentList;
    big->extents = static_cast<FileExtent*>(
        TrackedAlloc(static_cast<std::int32_t>(sizeof(FileExtent) * 10), __FILE__, __LINE__));
    big->count = 1;
    const std::string extentList = freeingLine(big->extents);
    const std::vector<std::string> nodes = {freeingLine(root), freeingLine(dir), freeingLine(big)};
    logSwitches().allocationTracing = true;
    FreeFileTree(root);
    logSwitches().allocationTracing = false;
    const std::string trace = logText();
    for (const std::string& line : nodes) {
        EXPECT_NE(trace.find(line), std::string::npos) << line << " in\n" << trace;
    }
    EXPECT_NE(trace.find(extentList), std::string::npos) << "the ISO node's extent list";

    FileNode* entry = NewFileNode("FILE", false, __FILE__, __LINE__);
    entry->track = &udf;
    entry->flags = node_flags::kExtentList;
    entry->extents = reinterpret_cast<FileExtent*>(std::uintptr_t{4242});
    const std::string blockNumber = freeingLine(entry->extents);
    logSwitches().allocationTracing = true;
    FreeFileTree(entry);
    EXPECT_EQ(logText().find(blockNumber), std::string::npos)
        << "a UDF node's block number is no block to free";
}

TEST(FileNodes, AddDirectoryToTreeInsertsDirectoriesDepthFirst) {
    std::vector<std::string> inserted;
    PaneHooks hooks;
    hooks.insertTreeNode = [&](FileNode& node) { inserted.emplace_back(node.name); };
    SetPaneHooks(hooks);

    // root: ., .., A/ (A1/), FILE, B/
    auto make = [](const char* name, bool directory) {
        FileNode* node = NewFileNode(name, false, __FILE__, __LINE__);
        node->flags = directory ? node_flags::kDirectory : 0;
        return node;
    };
    FileNode* root = NewFileNode("\\ V (Session 1)", true, __FILE__, __LINE__);
    root->flags = node_flags::kDirectory;
    std::vector<FileNode*> list = {make("\0", true), make("\1", true), make("A", true),
                                   make("FILE", false), make("B", true)};
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        list[i]->next = list[i + 1];
    }
    root->firstChild = list[0];
    list[2]->firstChild = make("A1", true);
    AddDirectoryToTree(*root);
    EXPECT_EQ(inserted, (std::vector<std::string>{"\\ V (Session 1)", "A", "A1", "B"}));
    SetPaneHooks({});
    FreeFileTree(root);
}

}  // namespace
}  // namespace kel::diag
