// The error log: which file a failed block belongs to, the lines written for
// data and audio tracks, and the file they go to.
#include <gtest/gtest.h>

#include <fstream>
#include <list>
#include <sstream>

#include "diag/state/options.h"
#include "diag/tools/errscan/error_log.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

// A small tree: the root, README.TXT (blocks 20-20), DIR (21) holding
// BIG.BIN (22-26), and EMPTY.TXT of size 0 at 27.
class FileTree : public ::testing::Test {
protected:
    FileTree() {
        // The root as the ISO 9660 reader names it in the tree.
        link(root_, nullptr, "\\ VOLUME (Session 1)", 18, 2048);
        link(readme_, &root_, "README.TXT;1", 20, 10);
        link(dir_, &root_, "DIR", 21, 2048);
        link(big_, &dir_, "BIG.BIN;1", 22, 4 * 2048 + 1);
        link(empty_, &root_, "EMPTY.TXT;1", 27, 0);
        root_.firstChild = &readme_;
        readme_.next = &dir_;
        dir_.next = &empty_;
        dir_.firstChild = &big_;
        dir_.flags = node_flags::kDirectory;
        track_.track = 1;
        track_.control = 0x14;
        track_.root = &root_;
    }

    void link(FileNode& node, FileNode* parent, const char* name, std::int32_t start,
              std::uint32_t size) {
        names_.emplace_back(name);
        node.parent = parent;
        node.startBlock = start;
        node.size = size;
        node.name = names_.back().data();
    }

    std::list<std::string> names_;
    FileNode root_, readme_, dir_, big_, empty_;
    TrackInfo track_;
};

TEST_F(FileTree, FindsTheEntryHoldingTheBlock) {
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 20), &readme_);
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 21), &dir_);
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 22), &big_);
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 26), &big_) << "a part block is a block";
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 27), nullptr) << "an empty file has no block";
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 19), nullptr);
    big_.startBlock = -1;  // beyond the volume's end
    EXPECT_EQ(FindFileAtBlock(root_.firstChild, 22), nullptr);
}

TEST_F(FileTree, DataTrackLinesNameTheFile) {
    EXPECT_EQ(ReadErrorLine(23, track_), "Error in track 1 at block 23 in file BIG.BIN;1");
    EXPECT_EQ(ReadErrorLine(500, track_),
              "Error in track 1 at block 500 in file *** Not Found ***");
    // A continuation track's blocks are found in the volume it extends.
    TrackInfo next;
    next.track = 2;
    next.control = 0x14;
    next.flags = track_flags::kContinuation;
    next.prev = &track_;
    EXPECT_EQ(ReadErrorLine(20, next), "Error in track 2 at block 20 in file README.TXT;1");
    next.flags = 0;
    EXPECT_EQ(ReadErrorLine(20, next), "Error in track 2 at block 20 in file *** Not Found ***");
}

TEST(ErrorLogLines, AudioTrackLinesGiveThePlaceInTheTrack) {
    TrackInfo audio;
    audio.track = 3;
    audio.control = 0x10;
    audio.start = 1000;
    // 1 minute, 2 seconds and 3 frames into the track.
    EXPECT_EQ(ReadErrorLine(1000 + 4500 + 150 + 3, audio),
              "Error in audio track 3 at relative block 4653 (1 min, 2 sec, 3 frame)");
}

TEST_F(FileTree, HeaderNamesDriveAndVolume) {
    TrackList tracks{&track_, &track_};
    const std::string header = ErrorLogHeader("ACME CDROM-4000", tracks);
    const std::string rule(83, '-');
    EXPECT_EQ(header.substr(0, rule.size() + 1), rule + "\n");
    EXPECT_NE(header.find("\nError summary from ACME CDROM-4000 for volume VOLUME at "),
              std::string::npos);
    EXPECT_EQ(header.substr(header.size() - rule.size() - 1), "\n" + rule);
    // An HFS volume's root has no backslash in front.
    char hfsName[] = "Mac Disc (Session 2)";
    root_.name = hfsName;
    EXPECT_NE(ErrorLogHeader("X", tracks).find("for volume Mac Disc at"), std::string::npos);
    track_.root = nullptr;
    EXPECT_NE(ErrorLogHeader("X", tracks).find("for volume ??? at"), std::string::npos);
}

TEST(ErrorLogFile, AppendsLinesWithCrLfAndDropsWhatCannotBeWritten) {
    kel::test::TempFolder folder;
    Options().errorLogFile = (folder / "errors.txt").string();
    AppendErrorLog("one");
    AppendErrorLog("two");
    std::ifstream in(folder / "errors.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "one\r\ntwo\r\n");
    Options().errorLogFile = (folder / "missing" / "errors.txt").string();
    AppendErrorLog("lost");  // nothing to see, and nothing goes wrong
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    Options().errorLogFile = "ERRORLOG.TXT";
    EXPECT_EQ(ErrorLogPath().filename(), "ERRORLOG.TXT");
    EXPECT_TRUE(ErrorLogPath().is_absolute()) << "beside the program, not the current folder";
}

}  // namespace
}  // namespace kel::diag
