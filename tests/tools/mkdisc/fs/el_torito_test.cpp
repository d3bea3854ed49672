// El Torito boot discs as isoinfo -d (genisoimage) reads them: the boot
// entry's media type and sector count, and the boot image at the block the
// catalogue points to.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "fs_test_support.h"

namespace kel::mkdisc::fs {
namespace {

using testing::Scratch;

struct BootEntry {
    std::string media;
    int sectors = -1;
    long block = -1;
};

std::optional<BootEntry> bootEntry(const std::filesystem::path& image) {
    const auto output =
        testing::readerOutput({"isoinfo", "-d", "-i", image.string()}, image.string() + ".isoinfo");
    static const std::regex media(R"(Boot media \w+ \(([^)]*)\))");
    static const std::regex sectors(R"(Nsect (\w+))");
    static const std::regex offset(R"(Bootoff \w+ (\d+))");
    std::smatch match;
    if (!output || output->find("Eltorito validation header") == std::string::npos) {
        return std::nullopt;
    }
    BootEntry entry;
    if (std::regex_search(*output, match, media)) {
        entry.media = match[1];
    }
    if (std::regex_search(*output, match, sectors)) {
        entry.sectors = std::stoi(match[1], nullptr, 16);
    }
    if (std::regex_search(*output, match, offset)) {
        entry.block = std::stol(match[1]);
    }
    return entry;
}

std::string imageBytes(const std::filesystem::path& image, long block, std::size_t size) {
    std::ifstream in(image, std::ios::binary);
    in.seekg(block * 2048);
    std::string bytes(size, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    return bytes;
}

class ElToritoImages : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"xorriso", "isoinfo"}) {
            if (!testing::haveProgram(tool)) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        source_.file("readme.txt", "boot disc\n");
    }

    FileSystemRequest bootRequest(const std::string& bootBytes, BootEmulation emulation) {
        auto request = testing::request(FileSystemKind::ElTorito, source_.path(), "BOOTDISC");
        request.bootImage = scratch_.file("loader.img", bootBytes);
        request.bootEmulation = emulation;
        return request;
    }

    Scratch scratch_;
    Scratch source_;
    std::filesystem::path image_ = scratch_.path() / "boot.iso";
};

TEST_F(ElToritoImages, NoEmulationImageIsLoadedWhole) {
    const std::string loader = Scratch::pattern(3000, 7);
    auto made = makeFileSystemImage(bootRequest(loader, BootEmulation::None), image_);
    ASSERT_TRUE(std::holds_alternative<FileSystemImage>(made)) << std::get<BuildError>(made).text();
    const auto entry = bootEntry(image_);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->media, "No Emulation Boot");
    EXPECT_EQ(entry->sectors, 6);  // 3000 bytes in 512-byte virtual sectors
    EXPECT_EQ(imageBytes(image_, entry->block, loader.size()), loader);
}

TEST_F(ElToritoImages, FloppyImageIsEmulatedBySize) {
    const std::string floppy = Scratch::pattern(1474560, 8);
    auto made = makeFileSystemImage(bootRequest(floppy, BootEmulation::Floppy), image_);
    ASSERT_TRUE(std::holds_alternative<FileSystemImage>(made)) << std::get<BuildError>(made).text();
    const auto entry = bootEntry(image_);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->media, "1.44MB Floppy");
    EXPECT_EQ(imageBytes(image_, entry->block, 4096), floppy.substr(0, 4096));
}

TEST_F(ElToritoImages, BadBootImagesAreRefusedWithTheRecipeLine) {
    struct Case {
        const char* what;
        FileSystemRequest request;
        std::string expected;
    };
    auto missing = bootRequest("x", BootEmulation::None);
    missing.bootImage = scratch_.path() / "absent.img";
    auto oddFloppy = bootRequest(std::string(1000, 'f'), BootEmulation::Floppy);
    Scratch clashing;
    clashing.file("boot/loader.img", "already here");
    auto clash = bootRequest("x", BootEmulation::None);
    clash.folder = clashing.path();
    for (const Case& bad :
         {Case{"missing", missing, "not a readable"}, Case{"odd floppy", oddFloppy, "1474560"},
          Case{"clash", clash, "/boot/loader.img"}}) {
        auto made = makeFileSystemImage(bad.request, image_);
        ASSERT_TRUE(std::holds_alternative<BuildError>(made)) << bad.what;
        const BuildError& error = std::get<BuildError>(made);
        EXPECT_EQ(error.line, testing::kRecipeLine) << bad.what;
        EXPECT_NE(error.message.find(bad.expected), std::string::npos) << error.message;
    }
}

}  // namespace
}  // namespace kel::mkdisc::fs
