// HFS discs made by hfsutils (through mkdisc, inside an Apple partition
// map), read through the emulated drive and compared with what hls lists (invisible files included)
// of the same sectors.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "diag/device/device_access.h"
#include "diag/device/drive_access.h"
#include "diag/device/spti_device.h"
#include "diag/fs/hfs/hfs_summary.h"
#include "diag/fs/readers.h"
#include "diag/state/pane_hooks.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

using kel::test::haveProgram;

// What a listing says of an entry: a directory's item count or a file's
// data fork length.
struct Listed {
    bool directory = false;
    std::uint64_t number = 0;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

class HfsDisc : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveProgram("hformat") || !haveProgram("hls")) {
            GTEST_SKIP() << "hfsutils (Debian package hfsutils) is needed to make HFS discs";
        }
        fs::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetMessageResponder([this](int id, std::uint16_t, const std::string&) {
            messages_.push_back(id);
            return answer::kOk;
        });
        track_.session = 1;
        track_.track = 1;
        track_.control = 0x14;
    }
    void TearDown() override {
        FreeFileTree(track_.root);
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Builds the disc from the recipe's [data] lines and opens drive D: on it.
    void OpenDisc(const std::string& dataLines) {
        const auto built = testing::BuildDisc(
            "[disc]\nname = hfs\n[data]\nfilesystem = hfs\nvolume-id = KELHFS\n" + dataLines,
            folder_ / "hfs.recipe", folder_ / "out");
        ASSERT_TRUE(built) << "mkdisc failed";
        leadOut_ = built->plan.leadOut;
        OpenDrive(built->descriptor);
    }

    // Opens drive D: on a disc image or descriptor.
    void OpenDrive(const fs::path& descriptor) {
        device_ = testing::EmulatedDevice(descriptor);
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        device_->TestUnitReady();
        SetCurrentDevice(device_.get());
    }

    // The track's user data as a 2048-byte-sector image, listed by hls.
    Listing HlsListing() {
        const fs::path image = folder_ / "track.img";
        {
            std::ofstream out(image, std::ios::binary);
            std::array<std::uint8_t, 2048> block{};
            for (std::int32_t b = 0; b < leadOut_; ++b) {
                EXPECT_TRUE(device_->ReadSectors(static_cast<std::uint32_t>(b), block, 1)) << b;
                out.write(reinterpret_cast<const char*>(block.data()), block.size());
            }
        }
        const fs::path home = folder_ / "home";
        fs::create_directories(home);
        const std::string env = "HOME='" + home.string() + "' ";
        const std::string listingFile = (folder_ / "hls.txt").string();
        const std::string command = env + "hmount '" + image.string() + "' 1 >/dev/null && " + env +
                                    "hls -alR > '" + listingFile + "' && " + env +
                                    "humount >/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(listingFile);
        const std::regex line(R"(^([df])\S*\s+(\S+)\s+(?:item|items|(\d+)\s+(\d+))\s+)"
                              R"(\w{3}\s+\d+\s+(?:\d\d:\d\d|\d{4})\s(.*)$)");
        Listing listing;
        std::string directory = ":";
        for (std::string text; std::getline(in, text);) {
            std::smatch m;
            if (text.size() > 1 && text.front() == ':' && text.back() == ':') {
                directory = text;
            } else if (std::regex_match(text, m, line)) {
                const bool isDirectory = m[1] == "d";
                listing[directory + m[5].str()] = {
                    isDirectory,
                    static_cast<std::uint32_t>(std::stoul(isDirectory ? m[2].str() : m[4].str()))};
            }
        }
        return listing;
    }

    static void ListTree(const FileNode& directory, const std::string& path, Listing& out) {
        for (const FileNode* c = directory.firstChild; c; c = c->next) {
            out[path + c->name] = {IsDirectory(*c), IsDirectory(*c) ? c->count : c->size};
            if (IsDirectory(*c)) {
                ListTree(*c, path + c->name + ":", out);
            }
        }
    }

    test::TempFolder folder_;
    std::unique_ptr<SptiDevice> device_;
    std::int32_t leadOut_ = 0;
    TrackInfo track_;
    std::vector<int> messages_;
};

TEST_F(HfsDisc, TreeMatchesTheHfsutilsListing) {
    std::string lines =
        "dir = Empty\n"
        "file = \"Read Me\" text=hello from hfs\n"
        "file = Docs/Manual size=300000\n"
        "file = Docs/Deep/Deeper/Leaf size=70000\n";
    // Enough entries for the catalog to need several leaf nodes.
    for (int i = 0; i < 24; ++i) {
        lines +=
            "file = Many/File" + std::to_string(i) + " size=" + std::to_string(100 * i + 1) + "\n";
    }
    OpenDisc(lines);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(ReadHfsVolume(track_));
    ASSERT_NE(track_.root, nullptr);
    EXPECT_STREQ(track_.root->name, "KELHFS (Session 1)");
    EXPECT_TRUE(track_.flags & track_flags::kHfs);

    Listing ours;
    ListTree(*track_.root, ":", ours);
    const Listing theirs = HlsListing();
    EXPECT_EQ(ours.size(), 32u);
    EXPECT_EQ(ours, theirs);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(HfsDisc, HybridDiscsHfsSideIsRead) {
    if (!haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage (Debian package genisoimage) makes ISO/HFS hybrids";
    }
    folder_.write("files/A.TXT", "hybrid\n");
    folder_.write("files/SUB/B.TXT", "below\n");
    folder_.write("files/SUB/DEEP/C.DAT", std::string(5000, 'c'));
    const fs::path image = folder_ / "hybrid.iso";
    const std::string command = "genisoimage -quiet -hfs -part -V HYBRID -o '" + image.string() +
                                "' '" + (folder_ / "files").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    leadOut_ = static_cast<std::int32_t>(fs::file_size(image) / 2048);
    OpenDrive(image);
    ASSERT_FALSE(HasFatalFailure());
    track_.flags = track_flags::kIso9660;
    ASSERT_TRUE(ReadHfsVolume(track_));
    EXPECT_STREQ(track_.root->name, "HYBRID (Session 1)");
    EXPECT_EQ(track_.flags, track_flags::kIso9660 | track_flags::kHfs);
    Listing ours;
    ListTree(*track_.root, ":", ours);
    EXPECT_EQ(ours.size(), 7u) << "with the Finder's invisible desktop files";
    EXPECT_EQ(ours, HlsListing());
}

TEST_F(HfsDisc, SummaryCountsWhatTheVolumeHolds) {
    // hformat makes no volume below 800 KiB.
    OpenDisc("min-size = 450\nfile = A size=10\nfile = Dir/B size=20\ndir = Dir/Sub\n");
    ASSERT_FALSE(HasFatalFailure());
    const std::optional<HfsVolumeSummary> summary = OpenHfsSummary(track_);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->volumeName, "KELHFS");
    EXPECT_EQ(summary->partitionName, "Disc");
    EXPECT_EQ(summary->files, 2u);
    EXPECT_EQ(summary->directories, 2u);  // the root is not counted
    EXPECT_EQ(summary->allocationBlockSize % 512, 0u);
    EXPECT_GT(summary->allocationBlocks, summary->freeBlocks);
}

}  // namespace
}  // namespace kel::diag
