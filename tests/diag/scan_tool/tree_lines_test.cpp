// The text lines morvale-scan prints of a tree: paths from the root, the
// fields in their order and forms, . and .. left out, directories marked.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "diag/scan_tool/tree_lines.h"

namespace kel::diag {
namespace {

struct Nodes {
    FileNode root, dot, dotDot, sub, inner, file;
    char rootName[8] = "\\ VOL";
    char dotName[1] = "";
    char dotDotName[2] = "\1";
    char subName[4] = "SUB";
    char innerName[8] = "in.txt";
    char fileName[8] = "a b.dat";

    Nodes() {
        root.name = rootName;
        dot.name = dotName;
        dotDot.name = dotDotName;
        sub.name = subName;
        inner.name = innerName;
        file.name = fileName;
        root.flags = sub.flags = dot.flags = dotDot.flags = node_flags::kDirectory;
        root.firstChild = &dot;
        dot.next = &dotDot;
        dotDot.next = &sub;
        sub.next = &file;
        sub.firstChild = &inner;
        root.startBlock = 20;
        root.size = 2048;
        root.recordingDate = {126, 12, 9, 7, 32, 34, 4};
        sub.startBlock = 21;
        sub.size = 2048;
        inner.startBlock = -1;
        inner.size = 0;
        file.startBlock = 400000;
        file.size = std::uint64_t{5} << 32;
        file.recordingDate = {70, 1, 2, 3, 4, 5, 0};
    }
};

TEST(TreeLines, PathsFieldsAndDirectoryMarks) {
    Nodes nodes;
    std::ostringstream out;
    WriteTreeLines(out, nodes.root);
    EXPECT_EQ(out.str(),
              "/\t20\t2048\t2026-12-09 07:32:34\n"
              "/SUB/\t21\t2048\t0000-00-00 00:00:00\n"
              "/a b.dat\t400000\t21474836480\t1970-01-02 03:04:05\n"
              "/SUB/in.txt\t-1\t0\t0000-00-00 00:00:00\n");
}

}  // namespace
}  // namespace kel::diag
