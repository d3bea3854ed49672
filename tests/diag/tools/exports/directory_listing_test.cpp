// The folder and file listing of hand-built trees, byte for byte, and the
// ways the command ends before writing one.
#include <gtest/gtest.h>

#include <QLocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/tools/duplicates/extent_overlaps.h"
#include "diag/tools/exports/directory_listing.h"
#include "diag/tools/exports/save_text_dialog.h"
#include "file_size_limit.h"
#include "tests/diag/tools/duplicates/test_tree.h"

namespace kel::diag::testing {
namespace {

class DirectoryListing : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        leadOut_.track = kLeadOutTrack;
        leadOut_.start = 1000;
        Chain({&track_, &leadOut_});
        SetSaveTextDialog([this](const SaveTextRequest& request) {
            requests_.push_back(request);
            return answer_;
        });
    }
    void TearDown() override {
        SetSaveTextDialog({});
        FreeFileTree(leadOut_.root);
        QLocale::setDefault(QLocale::c());
        TreeTest::TearDown();
    }

    void Chain(std::vector<TrackInfo*> tracks) {
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            tracks[i]->prev = i > 0 ? tracks[i - 1] : nullptr;
            tracks[i]->next = i + 1 < tracks.size() ? tracks[i + 1] : nullptr;
        }
        Tracks() = TrackList{tracks.front(), tracks.back()};
    }

    // A small tree: dot entries, files, a folder with a subfolder and an
    // empty folder.
    void BuildTree() {
        Add(root(), "", 260, 2048, kDirFlag);
        Add(root(), "\1", 260, 2048, kDirFlag);
        Add(root(), "README.TXT;1", 30, 1234);
        FileNode& docs = AddDir(root(), "DOCS", 20);
        AddDir(root(), "EMPTY", 22);
        Add(docs, "A.TXT", 40, 1234567, kOverlapsAnotherFile);
        FileNode& sub = AddDir(docs, "SUB", 21);
        Add(docs, "Z.TXT", 41, 0);
        Add(sub, "LOST", -1, 0);
        Add(sub, "TWICE", -2, 7);
    }

    std::string FileText(const std::filesystem::path& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TrackInfo leadOut_;
    std::string answer_;
    std::vector<SaveTextRequest> requests_;
};

constexpr const char* kHeader =
    "\n\nContents of folder %s\n\n Block     Size      Date/Time         Filename\n"
    "------ ----------- ------------------- --------------------\n";

std::string Header(const std::string& path) {
    std::string text = kHeader;
    return text.replace(text.find("%s"), 2, path);
}

TEST_F(DirectoryListing, ListsEachFolderThenItsSubfoldersDepthFirst) {
    BuildTree();
    const std::string expected =
        "Directory information for data track 1 beginning at block 0 "
        "--------------------------------" +
        Header("") +
        "   260       2,048           -- N/A -- ..\\\n"
        "    30       1,234           -- N/A -- README.TXT;1\n"
        "    20       2,048           -- N/A -- DOCS\\\n"
        "    22       2,048           -- N/A -- EMPTY\n" +
        Header("DOCS") +
        "    40   1,234,567           -- N/A -- A.TXT *** Overlap Warning ***\n"
        "    21       2,048           -- N/A -- SUB\\\n"
        "    41           0           -- N/A -- Z.TXT\n" +
        Header("DOCS\\SUB") +
        "  N/A            0           -- N/A -- LOST\n"
        "  Dup            7           -- N/A -- TWICE\n"
        "\n\n\n\n";
    EXPECT_EQ(DirectoryListingText(false), expected);
}

TEST_F(DirectoryListing, CopyColumnSaysWhetherEachFileWasCopied) {
    Add(root(), "NOT", 30, 1);
    Add(root(), "DONE", 31, 1, kCopiedFile);
    Add(root(), "FAILED", 32, 1, kCopiedFile | kCopyError);
    EXPECT_EQ(DirectoryListingText(true),
              "Directory information for data track 1 beginning at block 0 "
              "--------------------------------"
              "\n\nContents of folder \n\n Block      Size       Date/Time       Copied? Filename\n"
              "------ ----------- ------------------- ------- --------------------\n"
              "    30           1           -- N/A -- No      NOT\n"
              "    31           1           -- N/A -- Yes     DONE\n"
              "    32           1           -- N/A -- Error   FAILED\n"
              "\n\n\n\n");
}

TEST_F(DirectoryListing, FilesOfAnEarlierSessionNameTheirTrackWhenAsked) {
    track_.end = 250;
    second_.track = 2;
    second_.session = 2;
    second_.start = 300;
    second_.end = 900;
    second_.control = 0x14;
    Chain({&track_, &second_, &leadOut_});
    Add(root(), "FIRST", 100, 1);
    FileNode& later = Root(second_);
    Add(later, "OLD", 150, 1);
    Add(later, "NEW", 310, 1);
    Add(later, "ZERO", 0, 1);

    Options().fileDetail = 1;
    const std::string listing = DirectoryListingText(false);
    EXPECT_NE(listing.find("   100           1           -- N/A -- FIRST\n"), std::string::npos)
        << listing;
    EXPECT_NE(listing.find("Directory information for data track 2 beginning at block 300"),
              std::string::npos);
    EXPECT_NE(listing.find(" OLD  <---- Linked to track 1, session 1\n"), std::string::npos);
    EXPECT_NE(listing.find(" NEW\n"), std::string::npos);
    EXPECT_NE(listing.find(" ZERO\n"), std::string::npos);

    Options().fileDetail = 0;
    EXPECT_EQ(DirectoryListingText(false).find("Linked"), std::string::npos);
}

TEST_F(DirectoryListing, SavesTheListingToTheChosenFile) {
    BuildTree();
    answer_ = (folder_ / "listing.txt").string();
    SaveDirectoryListing(false);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Directory Information");
    EXPECT_EQ(requests_[0].filter, "Text files (*.txt);;All files (*.*)");
    EXPECT_EQ(requests_[0].defaultSuffix, "TXT");
    EXPECT_EQ(FileText(answer_), DirectoryListingText(false));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(DirectoryListing, TracksWithoutATreeGiveMessage181AndNoDialog) {
    // The track's root is only a placeholder; the lead-out's tree is not
    // the disc's.
    FileNode& later = Root(leadOut_);
    Add(later, "X", 5, 1);
    SaveDirectoryListing(false);
    EXPECT_EQ(messages_, std::vector<int>({181}));
    EXPECT_TRUE(requests_.empty());
}

TEST_F(DirectoryListing, FailuresToCreateOrWriteTheFileAreTold) {
    BuildTree();
    answer_ = "";
    SaveDirectoryListing(false);  // cancelled: nothing at all
    EXPECT_TRUE(messages_.empty());

    answer_ = (folder_ / "no such folder" / "listing.txt").string();
    SaveDirectoryListing(false);
    answer_ = (folder_ / "listing.txt").string();
    {
        FileSizeLimit full(100);
        SaveDirectoryListing(false);
    }
    EXPECT_EQ(messages_, std::vector<int>({131, 132}));
}

}  // namespace
}  // namespace kel::diag::testing
