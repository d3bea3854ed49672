// High Sierra volumes: third-party recognition (isoinfo -d, file), then a
// walk of the written image from the descriptor down, at the High Sierra
// field positions, that must find every source file with its bytes; and the
// layout's refusals and record packing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>

#include "fs_test_support.h"
#include "tools/mkdisc/fs/high_sierra_layout.h"

namespace kel::mkdisc::fs {
namespace {

using testing::Scratch;

std::uint32_t little32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
    }
    return value;
}

std::uint32_t big32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
    }
    return value;
}

// Both-endian 32-bit field: the two halves must agree.
std::uint32_t both32(const std::string& bytes, std::size_t at) {
    EXPECT_EQ(little32(bytes, at), big32(bytes, at + 4)) << "at " << at;
    return little32(bytes, at);
}

// Every file below the directory whose record starts at `record`, by path,
// with its bytes. Records may not straddle a block; "." and ".." come first.
void walk(const std::string& image, std::size_t record, const std::string& prefix,
          std::map<std::string, std::string>& files, int depth = 0) {
    ASSERT_LT(depth, 9);
    const std::uint32_t extent = both32(image, record + 2);
    const std::uint32_t size = both32(image, record + 10);
    ASSERT_EQ(size % 2048, 0u);
    std::size_t at = std::size_t{extent} * 2048;
    const std::size_t end = at + size;
    for (int index = 0; at < end; ++index) {
        const auto length = static_cast<std::uint8_t>(image.at(at));
        if (length == 0) {  // the rest of this block is padding
            at = (at / 2048 + 1) * 2048;
            continue;
        }
        ASSERT_LE(at % 2048 + length, 2048u) << "record straddles a block at " << at;
        const auto nameLength = static_cast<std::uint8_t>(image.at(at + 32));
        ASSERT_LE(33u + nameLength, length);
        const std::string name = image.substr(at + 33, nameLength);
        const bool directory = (image.at(at + 24) & 0x02) != 0;
        if (index == 0) {
            EXPECT_EQ(name, std::string(1, '\0'));
            EXPECT_EQ(both32(image, at + 2), extent);
        } else if (index == 1) {
            EXPECT_EQ(name, std::string(1, '\1'));
        } else if (directory) {
            walk(image, at, prefix + name + "/", files, depth + 1);
        } else {
            files[prefix + name] =
                image.substr(std::size_t{both32(image, at + 2)} * 2048, both32(image, at + 10));
        }
        at += length;
    }
}

class HighSierraImages : public ::testing::Test {
protected:
    std::string make(const FileSystemRequest& request) {
        auto made = makeFileSystemImage(request, image_);
        if (auto* error = std::get_if<BuildError>(&made)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        EXPECT_EQ(static_cast<std::uintmax_t>(std::get<FileSystemImage>(made).blocks) * 2048,
                  std::filesystem::file_size(image_));
        std::ifstream in(image_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    Scratch scratch_;
    Scratch source_;
    std::filesystem::path image_ = scratch_.path() / "hs.img";
};

TEST_F(HighSierraImages, ThirdPartyReadersRecogniseTheVolume) {
    source_.file("readme.txt", "high sierra\n");
    make(testing::request(FileSystemKind::HighSierra, source_.path(), "hs_volume"));
    bool checked = false;
    if (testing::haveProgram("isoinfo")) {
        const auto output = testing::readerOutput({"isoinfo", "-d", "-i", image_.string()},
                                                  scratch_.path() / "isoinfo.log");
        EXPECT_NE(output.value_or("").find("CD-ROM is in High Sierra format"), std::string::npos)
            << output.value_or("(isoinfo failed)");
        checked = true;
    }
    if (testing::haveProgram("file")) {
        const auto output =
            testing::readerOutput({"file", "-b", image_.string()}, scratch_.path() / "file.log");
        EXPECT_NE(output.value_or("").find("High Sierra"), std::string::npos) << *output;
        EXPECT_NE(output.value_or("").find("'HS_VOLUME'"), std::string::npos) << *output;
        checked = true;
    }
    if (!checked) {
        GTEST_SKIP() << "neither isoinfo (genisoimage) nor file is installed";
    }
}

TEST_F(HighSierraImages, DescriptorPathTablesAndDirectoriesLeadToEveryFile) {
    std::map<std::string, std::string> expected;
    const auto add = [&](const std::string& path, const std::string& onDisc, std::string bytes) {
        source_.file(path, bytes);
        expected[onDisc] = std::move(bytes);
    };
    add("readme.txt", "README.TXT;1", "hello\n");
    add("empty", "EMPTY.;1", "");
    add("data/block.bin", "DATA/BLOCK.BIN;1", Scratch::pattern(2048, 1));
    add("data/odd.bin", "DATA/ODD.BIN;1", Scratch::pattern(5001, 2));
    add("a/b/c/d/e/f/g/deep.txt", "A/B/C/D/E/F/G/DEEP.TXT;1", "eight levels\n");
    // Enough records that the directory needs a second block.
    for (int i = 0; i < 70; ++i) {
        add("many/file_number_" + std::to_string(i) + ".dat",
            "MANY/FILE_NUMBER_" + std::to_string(i) + ".DAT;1", Scratch::pattern(10, i));
    }
    const std::string image =
        make(testing::request(FileSystemKind::HighSierra, source_.path(), "WALKED"));
    ASSERT_GT(image.size(), 18u * 2048);

    const std::size_t vd = 16 * 2048;
    EXPECT_EQ(both32(image, vd), 16u);
    EXPECT_EQ(image[vd + 8], 1);
    EXPECT_EQ(image.substr(vd + 9, 5), "CDROM");
    EXPECT_EQ(image.substr(vd + 48, 32), "WALKED" + std::string(26, ' '));
    EXPECT_EQ(both32(image, vd + 88) * 2048ull, image.size());
    EXPECT_EQ(image[vd + 136], 0);
    EXPECT_EQ(image[vd + 137], 8);  // 2048, both-endian 16 bits
    const std::size_t terminator = 17 * 2048;
    EXPECT_EQ(static_cast<std::uint8_t>(image[terminator + 8]), 255);
    EXPECT_EQ(image.substr(terminator + 9, 5), "CDROM");

    // The path tables' first record is the root, at the root record's extent.
    const std::uint32_t rootExtent = both32(image, vd + 182);
    EXPECT_EQ(little32(image, std::size_t{little32(image, vd + 148)} * 2048), rootExtent);
    EXPECT_EQ(big32(image, std::size_t{big32(image, vd + 164)} * 2048), rootExtent);

    std::map<std::string, std::string> found;
    walk(image, vd + 180, "", found);
    EXPECT_EQ(found.size(), expected.size());
    for (const auto& [path, bytes] : expected) {
        ASSERT_TRUE(found.count(path)) << path;
        EXPECT_EQ(found[path], bytes) << path;
    }
}

TEST(HighSierraLayout, EveryDirectoryLiesInPathTableOrderAfterItsParent) {
    Scratch source;
    source.file("b/x/f", "1");
    source.file("a/y/g", "2");
    source.file("a/z", "3");
    const auto tree = std::get<SourceTree>(scanSourceTree(source.path()));
    const auto layout = std::get<HsLayout>(layOutHighSierra(tree));
    std::vector<std::string> order;
    for (const HsDirectory& directory : layout.directories) {
        order.push_back(directory.identifier);
    }
    // Level by level; within a level by parent number, then name.
    EXPECT_EQ(order, (std::vector<std::string>{std::string(1, '\0'), "A", "B", "Y", "X"}));
    for (std::size_t i = 1; i < layout.directories.size(); ++i) {
        EXPECT_LT(layout.directories[i].parent, i + 1);
    }
}

TEST(HighSierraLayout, NamesAndDepthsTheFormatCannotHoldAreRefused) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (const Case& bad : {Case{"caf\xc3\xa9.txt", "file name"}, Case{"two.dots.txt", "file name"},
                            Case{"has space/f", "directory name"},
                            Case{"a/b/c/d/e/f/g/h/too_deep", "eight directory levels"}}) {
        Scratch source;
        source.file(bad.path, "x");
        const auto tree = std::get<SourceTree>(scanSourceTree(source.path()));
        const auto laidOut = layOutHighSierra(tree);
        ASSERT_TRUE(std::holds_alternative<std::string>(laidOut)) << bad.path;
        EXPECT_NE(std::get<std::string>(laidOut).find(bad.expected), std::string::npos)
            << std::get<std::string>(laidOut);
    }
    Scratch clash;
    clash.file("Read.me", "1");
    clash.file("READ.ME", "2");
    const auto laidOut = layOutHighSierra(std::get<SourceTree>(scanSourceTree(clash.path())));
    ASSERT_TRUE(std::holds_alternative<std::string>(laidOut));
    EXPECT_NE(std::get<std::string>(laidOut).find("READ.ME;1"), std::string::npos);
}

TEST(HighSierraLayout, VolumeIdentifierIsUpperCasedDCharacters) {
    EXPECT_EQ(hsVolumeIdentifier("disc_1"), "DISC_1");
    EXPECT_FALSE(hsVolumeIdentifier("disc 1"));
    EXPECT_FALSE(hsVolumeIdentifier(std::string(33, 'A')));
}

}  // namespace
}  // namespace kel::mkdisc::fs
