// HFS images as hfsutils reads them back: hvol's volume name, hls's tree and
// hcopy's bytes, and the partition map a CD reader looks for first.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "fs_test_support.h"

namespace kel::mkdisc::fs {
namespace {

using testing::Scratch;

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HfsImages : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"hformat", "hmount", "hls", "hvol", "hcopy"}) {
            if (!testing::haveProgram(tool)) {
                GTEST_SKIP() << tool << " (hfsutils) is not installed";
            }
        }
        source_.file("Read Me", "hello\n");
        source_.file("Data/big.bin", Scratch::pattern(300000, 3));
        source_.file("Data/Deeper/empty", "");
        std::filesystem::create_directories(home_);
    }

    // An hfsutils command run against our private current-volume file.
    std::optional<std::string> hfs(std::vector<std::string> argv) {
        argv.insert(argv.begin(), {"env", "HOME=" + home_.string()});
        return testing::readerOutput(argv, scratch_.path() / "hfs.log");
    }

    FileSystemImage make(FileSystemKind kind) {
        auto made =
            makeFileSystemImage(testing::request(kind, source_.path(), "Kel Volume"), image_);
        if (auto* error = std::get_if<BuildError>(&made)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        return std::get<FileSystemImage>(made);
    }

    // hls -R's names, each prefixed with its folder line.
    std::set<std::string> listing() {
        const auto output = hfs({"hls", "-R", "-1"});
        std::set<std::string> names;
        std::istringstream lines(output.value_or(""));
        std::string line;
        std::string folder;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == ':' && line.front() == ':') {
                folder = line;
            } else if (!line.empty()) {
                names.insert(folder + line);
            }
        }
        return names;
    }

    Scratch scratch_;
    Scratch source_;
    std::filesystem::path image_ = scratch_.path() / "hfs.img";
    std::filesystem::path home_ = scratch_.path() / "home";
};

TEST_F(HfsImages, BareVolumeSitsInAnApplePartitionMap) {
    const FileSystemImage image = make(FileSystemKind::Hfs);
    ASSERT_GT(image.blocks, 0);
    EXPECT_EQ(static_cast<std::int32_t>(std::filesystem::file_size(image_) / 2048), image.blocks);
    const std::string bytes = fileBytes(image_);
    EXPECT_EQ(bytes.substr(0, 2), "ER");
    EXPECT_EQ(bytes.substr(512, 2), "PM");
    EXPECT_EQ(bytes.substr(1024, 2), "PM");
    EXPECT_EQ(bytes.substr(1024 + 48, 9), "Apple_HFS");

    ASSERT_TRUE(hfs({"hmount", image_.string()}));
    const auto volume = hfs({"hvol"});
    ASSERT_TRUE(volume);
    EXPECT_NE(volume->find("Volume name is \"Kel Volume\""), std::string::npos) << *volume;
    EXPECT_EQ(listing(), (std::set<std::string>{"Data", "Read Me", ":Data:Deeper", ":Data:big.bin",
                                                ":Data:Deeper:empty"}));
    ASSERT_TRUE(hfs({"hcopy", "-r", ":Data:big.bin", (scratch_.path() / "back.bin").string()}));
    EXPECT_EQ(fileBytes(scratch_.path() / "back.bin"), Scratch::pattern(300000, 3));
}

TEST_F(HfsImages, VolumeGrowsToHoldManyFiles) {
    for (int i = 0; i < 60; ++i) {
        source_.file("many/file" + std::to_string(i), Scratch::pattern(9000, i));
    }
    const FileSystemImage image = make(FileSystemKind::Hfs);
    ASSERT_GT(image.blocks, 0);
    ASSERT_TRUE(hfs({"hmount", image_.string()}));
    ASSERT_TRUE(hfs({"hcopy", "-r", ":many:file59", (scratch_.path() / "back").string()}));
    EXPECT_EQ(fileBytes(scratch_.path() / "back"), Scratch::pattern(9000, 59));
}

TEST_F(HfsImages, HybridDiscCarriesTheFolderAsHfsInAPartitionMap) {
    if (!testing::haveProgram("genisoimage")) {
        GTEST_SKIP() << "genisoimage is not installed";
    }
    const FileSystemImage image = make(FileSystemKind::IsoHfs);
    ASSERT_GT(image.blocks, 0);
    // CD readers find the HFS half through the map, as on pressed hybrids;
    // the ISO 9660 volume descriptors stay at sector 16.
    const std::string bytes = fileBytes(image_);
    EXPECT_EQ(bytes.substr(0, 2), "ER");
    EXPECT_EQ(bytes.substr(512, 2), "PM");
    EXPECT_EQ(bytes.substr(1024, 2), "PM");
    EXPECT_EQ(bytes.substr(1024 + 48, 9), "Apple_HFS");
    EXPECT_EQ(bytes.substr(16 * 2048 + 1, 5), "CD001");

    ASSERT_TRUE(hfs({"hmount", image_.string(), "1"})) << "partition 1 of the map";
    const std::set<std::string> names = listing();
    EXPECT_TRUE(names.count(":Data:big.bin")) << ::testing::PrintToString(names);
    EXPECT_TRUE(names.count("Read Me")) << ::testing::PrintToString(names);
    const auto volume = hfs({"hvol"});
    EXPECT_NE(volume.value_or("").find("\"Kel Volume\""), std::string::npos);
}

TEST_F(HfsImages, NamesHfsCannotHoldAreRefusedBeforeAnyToolRuns) {
    struct Case {
        std::string volumeId;
        std::string fileName;
        std::string expected;
    };
    for (const Case& bad :
         {Case{"A:B", "", "volume name"}, Case{std::string(28, 'v'), "", "volume name"},
          Case{"OK", "a:b", "HFS name"}, Case{"OK", std::string(32, 'n'), "HFS name"}}) {
        Scratch folder;
        if (!bad.fileName.empty()) {
            folder.file(bad.fileName, "x");
        }
        auto made = makeFileSystemImage(
            testing::request(FileSystemKind::Hfs, folder.path(), bad.volumeId), image_);
        ASSERT_TRUE(std::holds_alternative<BuildError>(made)) << bad.volumeId << bad.fileName;
        const BuildError& error = std::get<BuildError>(made);
        EXPECT_EQ(error.line, testing::kRecipeLine);
        EXPECT_NE(error.message.find(bad.expected), std::string::npos) << error.message;
    }
}

}  // namespace
}  // namespace kel::mkdisc::fs
