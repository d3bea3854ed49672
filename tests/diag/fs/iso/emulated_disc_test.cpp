// Discs mastered by real tools (xorriso, genisoimage, mkdisc's own High
// Sierra writer), read through the emulated drive, and held against what
// isoinfo and iso-info list for the same sectors.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/spti_device.h"
#include "diag/fs/readers.h"
#include "diag/state/options.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/run_program.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

struct Listed {
    bool directory = false;
    std::int64_t block = 0;
    std::uint64_t size = 0;
    bool operator==(const Listed&) const = default;
};
using Listing = std::map<std::string, Listed>;

std::ostream& operator<<(std::ostream& out, const Listed& entry) {
    return out << (entry.directory ? "dir" : "file") << " @" << entry.block << " " << entry.size;
}

using kel::test::haveProgram;

// isoinfo -l: "Directory listing of /DIR/", then
// "d---------   0    0    0    2048 Dec  9 2026 [     21 02]  SUB ".
Listing isoinfoListing(const std::string& output) {
    static const std::regex entry(
        R"(^([d-])\S+\s+\d+\s+\d+\s+\d+\s+(\d+)\s+\w{3}\s+\d+\s+\d+\s+\[\s*(\d+)\s+\d+\]\s\s(.*?) ?$)");
    Listing listing;
    std::string folder;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch match;
        if (text.rfind("Directory listing of /", 0) == 0) {
            folder = text.substr(22);
        } else if (std::regex_match(text, match, entry) && match[4] != "." && match[4] != "..") {
            listing[folder + match[4].str()] = {match[1] == "d", std::stoll(match[3]),
                                                std::stoull(match[2])};
        }
    }
    return listing;
}

// iso-info -l: "/DIR/:", then "  d [LSN     25]      2048 Dec 09 2026 07:32:34  name".
Listing isoInfoListing(const std::string& output) {
    static const std::regex entry(
        R"(^\s+([d-])\s+\[LSN\s+(\d+)\]\s+(\d+)\s+\w{3}\s+\d+\s+\d+\s+\d+:\d+:\d+\s\s(.+)$)");
    Listing listing;
    std::string folder;
    std::istringstream lines(output);
    std::string text;
    while (std::getline(lines, text)) {
        std::smatch match;
        if (text.size() > 2 && text.front() == '/' && text.back() == ':') {
            folder = text.substr(1, text.size() - 2);
        } else if (std::regex_match(text, match, entry) && match[4] != "." && match[4] != "..") {
            listing[folder + match[4].str()] = {match[1] == "d", std::stoll(match[2]),
                                                std::stoull(match[3])};
        }
    }
    return listing;
}

void collect(const FileNode* directory, const std::string& folder, Listing& listing) {
    for (const FileNode* node = directory->firstChild; node; node = node->next) {
        if (IsDotEntry(*node)) {
            continue;
        }
        const std::string path = folder + node->name;
        listing[path] = {IsDirectory(*node), node->startBlock, node->size};
        if (IsDirectory(*node)) {
            collect(node, path + "/", listing);
        }
    }
}

// The tree that every disc holds; names that ISO 9660 has to map.
const char* const kFiles =
    "file = README.TXT text=Read me\n"
    "file = \"Long File Name.text\" size=5000\n"
    "file = docs/Manual.pdf size=70000\n"
    "file = docs/deeper/still/deep.txt text=deep\n"
    "dir = empty\n";

class EmulatedDisc : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveProgram("xorriso")) {
            GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
        }
        fs::create_directories(folder_ / "runtime");
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
        SetDatabaseFileName({});
        Options() = OptionsBlock{};
        SetMessageResponder([this](int id, std::uint16_t, const std::string&) {
            messages_.push_back(id);
            return answer::kOk;
        });
    }
    void TearDown() override {
        FreeFileTree(track_.root);
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
        ::unsetenv("KEL_RUNTIME_DIR");
    }

    // Builds the disc of `dataSection` (the [data] keys) holding `files` and
    // reads track 1.
    bool readDisc(const std::string& dataSection, const std::string& files = kFiles) {
        const std::string text = "[disc]\nname = disc\n[data]\n" + dataSection + files;
        auto built = testing::BuildDisc(text, folder_ / "disc.recipe", folder_ / "out");
        if (!built) {
            return false;
        }
        built_ = std::move(*built);
        openDrive(built_.descriptor);
        testing::RecordFirstTrack(built_, 0x14, track_, &leadOut_);
        return ReadTrackFileSystem(track_);
    }

    void openDrive(const fs::path& descriptor) {
        device_ = testing::EmulatedDevice(descriptor);
        ASSERT_TRUE(device_->FindFirst());
        ASSERT_TRUE(device_->Open());
        SetCurrentDevice(device_.get());
    }

    // The track's user data, read back through the drive, as an image file.
    fs::path readBackImage() {
        const fs::path image = folder_ / "readback.iso";
        std::ofstream out(image, std::ios::binary);
        std::vector<std::uint8_t> block(2048);
        for (std::int32_t lba = track_.start; lba < track_.end; ++lba) {
            EXPECT_TRUE(device_->ReadSectors(static_cast<std::uint32_t>(lba), block, 1));
            out.write(reinterpret_cast<const char*>(block.data()), 2048);
        }
        return image;
    }

    std::string run(const std::vector<std::string>& argv) {
        auto result = mkdisc::runProgram(argv, folder_ / "tool.log");
        if (auto* failure = std::get_if<std::string>(&result)) {
            ADD_FAILURE() << *failure;
            return {};
        }
        return std::get<mkdisc::ProgramRun>(result).output;
    }

    Listing ourListing() const {
        Listing listing;
        if (track_.root != nullptr) {
            collect(track_.root, "", listing);
        }
        return listing;
    }

    test::TempFolder folder_;
    mkdisc::BuiltDisc built_;
    std::unique_ptr<SptiDevice> device_;
    TrackInfo track_;
    TrackInfo leadOut_;
    std::vector<int> messages_;
};

TEST_F(EmulatedDisc, IsoNamesAsIsoinfoListsThem) {
    if (!haveProgram("isoinfo")) {
        GTEST_SKIP() << "isoinfo is not installed (Debian package genisoimage)";
    }
    // The default maker, xorriso, adds Rock Ridge unless told not to; a
    // recipe without it must still give a plain disc.
    ASSERT_TRUE(readDisc("volume-id = PLAINISO\n"));
    EXPECT_EQ(track_.flags, track_flags::kIso9660);
    EXPECT_NE(run({"isoinfo", "-d", "-i", readBackImage().string()}).find("NO Rock Ridge"),
              std::string::npos);
    EXPECT_STREQ(track_.root->name, "\\ PLAINISO (Session 1)");
    const Listing expected = isoinfoListing(run({"isoinfo", "-l", "-i", readBackImage().string()}));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ourListing(), expected);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedDisc, RockRidgeNamesAsIsoinfoListsThem) {
    if (!haveProgram("isoinfo")) {
        GTEST_SKIP() << "isoinfo is not installed (Debian package genisoimage)";
    }
    ASSERT_TRUE(readDisc("rock-ridge = yes\n"));
    EXPECT_EQ(track_.flags, track_flags::kIso9660 | track_flags::kRockRidge);
    const Listing expected =
        isoinfoListing(run({"isoinfo", "-R", "-l", "-i", readBackImage().string()}));
    ASSERT_TRUE(expected.count("Long File Name.text"));
    EXPECT_EQ(ourListing(), expected);
}

TEST_F(EmulatedDisc, TwentyFiveLevelsAsIsoinfoListsThem) {
    if (!haveProgram("isoinfo")) {
        GTEST_SKIP() << "isoinfo is not installed (Debian package genisoimage)";
    }
    std::string path;
    std::string files;
    for (int level = 1; level <= 25; ++level) {
        path += "d" + std::to_string(level) + "/";
        files += "file = " + path + "f" + std::to_string(level) + ".txt text=level\n";
    }
    ASSERT_TRUE(readDisc("rock-ridge = yes\n", files));
    const Listing expected =
        isoinfoListing(run({"isoinfo", "-R", "-l", "-i", readBackImage().string()}));
    ASSERT_TRUE(expected.count(path + "f25.txt"));
    EXPECT_EQ(expected.size(), 50u);
    EXPECT_EQ(ourListing(), expected);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(EmulatedDisc, JolietNamesAsIsoInfoListsThem) {
    if (!haveProgram("iso-info")) {
        GTEST_SKIP() << "iso-info is not installed (Debian package libcdio-utils)";
    }
    ASSERT_TRUE(readDisc("joliet = yes\nrock-ridge = yes\nvolume-id = JOLIET\n"));
    EXPECT_TRUE(track_.flags & track_flags::kJoliet);
    EXPECT_FALSE(track_.flags & track_flags::kRockRidge) << "the Joliet tree has no NM entries";
    EXPECT_STREQ(track_.root->name, "\\ JOLIET (Session 1)");
    const Listing expected =
        isoInfoListing(run({"iso-info", "--no-header", "-l", "-i", readBackImage().string()}));
    ASSERT_TRUE(expected.count("docs/deeper/still/deep.txt"));
    EXPECT_EQ(ourListing(), expected);
}

TEST_F(EmulatedDisc, GenisoimageJolietDiscAsIsoInfoListsIt) {
    if (!haveProgram("iso-info") || !haveProgram("genisoimage")) {
        GTEST_SKIP() << "iso-info or genisoimage is not installed";
    }
    ASSERT_TRUE(readDisc("maker = genisoimage\njoliet = yes\n"));
    EXPECT_TRUE(track_.flags & track_flags::kJoliet);
    const Listing expected =
        isoInfoListing(run({"iso-info", "--no-header", "-l", "-i", readBackImage().string()}));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ourListing(), expected);
}

// No third-party reader knows High Sierra; the mounted folder says what the
// disc holds.
TEST_F(EmulatedDisc, HighSierraHoldsTheMountedFolder) {
    ASSERT_TRUE(readDisc("filesystem = high-sierra\nvolume-id = HSVOL\n",
                         "file = README.TXT text=Read me\n"
                         "file = DOCS/MANUAL.PDF size=70000\n"
                         "file = DOCS/DEEPER/DEEP.TXT text=deep\n"
                         "dir = EMPTY\n"));
    EXPECT_EQ(track_.flags, track_flags::kHighSierra);
    EXPECT_STREQ(track_.root->name, "\\ HSVOL (Session 1)");
    Listing ours;
    for (const auto& [path, entry] : ourListing()) {
        const auto version = path.rfind(";1");
        ours[version == std::string::npos ? path : path.substr(0, version)] = {
            entry.directory, 0, entry.directory ? 0 : entry.size};
    }
    Listing expected;
    for (const auto& entry : fs::recursive_directory_iterator(built_.folder)) {
        std::string path = entry.path().lexically_relative(built_.folder).generic_string();
        for (char& c : path) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        expected[path] = {entry.is_directory(), 0, entry.is_directory() ? 0 : entry.file_size()};
    }
    EXPECT_EQ(ours, expected);
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace kel::diag
