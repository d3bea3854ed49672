// ISO images, and loading by file type.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "emu/disc/disc.h"
#include "emu/disc/loader.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

using test::expectFailure;
using test::expectLoaded;
using test::ImageFolder;
using test::patternSectors;

TEST(IsoImage, IsOneDataTrackOverTheWholeFile) {
    ImageFolder folder;
    const auto iso = folder.write("Disc.ISO", patternSectors(7, 2048));
    const auto loaded = expectLoaded(loadDrive(iso));
    const auto& disc = loaded.disc;
    ASSERT_EQ(disc.tracks.size(), 1u);
    const auto& track = disc.tracks[0];
    EXPECT_EQ(track.number, 1);
    EXPECT_EQ(track.format, SectorFormat::Mode1);
    EXPECT_EQ(track.storage, StorageFormat::Cooked2048);
    EXPECT_TRUE(track.isData());
    EXPECT_EQ(track.start, 0);
    EXPECT_EQ(track.storedTo, 7);
    EXPECT_EQ(track.end, 7);
    EXPECT_EQ(disc.leadOut, 7);
    EXPECT_EQ(disc.files, std::vector<std::filesystem::path>{iso});
    EXPECT_EQ(loaded.drive.personality, Personality::Mmc);
}

TEST(IsoImage, RefusesSizesThatAreNotWholeSectors) {
    ImageFolder folder;
    for (const std::size_t size : {std::size_t{0}, std::size_t{2047}, std::size_t{2048 * 3 + 1}}) {
        const auto iso = folder.write("odd.iso", std::string(size, '\0'));
        const auto error = expectFailure(loadDrive(iso));
        EXPECT_EQ(error.file, iso);
        EXPECT_NE(error.message.find("2048"), std::string::npos) << error.text();
    }
}

TEST(LoadDrive, RefusesMissingFilesAndUnknownTypes) {
    ImageFolder folder;
    const auto missing = expectFailure(loadDrive(folder.path("none.iso")));
    EXPECT_EQ(missing.file, folder.path("none.iso"));
    EXPECT_NE(missing.text().find("none.iso: cannot open"), std::string::npos) << missing.text();

    const auto bin = folder.write("track.bin", patternSectors(1, 2352));
    const auto unknown = expectFailure(loadDrive(bin));
    EXPECT_NE(unknown.message.find("unknown image type"), std::string::npos) << unknown.text();

    std::filesystem::create_directory(folder.path("folder.cue"));
    EXPECT_EQ(expectFailure(loadDrive(folder.path("folder.cue"))).file, folder.path("folder.cue"));
}

// A real file system from a third-party tool: the primary volume descriptor
// must come out of the emulated drive at sector 16, inside a raw mode 1
// sector.
TEST(IsoImage, MadeByXorrisoShowsItsPrimaryVolumeDescriptor) {
    if (std::system("command -v xorriso >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    }
    ImageFolder folder;
    folder.write("root/readme.txt", std::string_view("hello\n"));
    const auto iso = folder.path("made.iso");
    const auto command = "xorriso -as mkisofs -quiet -V KELTEST -o '" + iso.string() + "' '" +
                         folder.path("root").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    const auto loaded = expectLoaded(loadDrive(iso));
    EXPECT_EQ(loaded.disc.leadOut * 2048,
              static_cast<std::int64_t>(std::filesystem::file_size(iso)));
    SectorReader reader(loaded.disc);
    std::array<std::uint8_t, kRawSectorSize> raw{};
    ASSERT_FALSE(reader.readRaw(16, raw));
    EXPECT_EQ(raw[15], 1);  // mode 1
    EXPECT_EQ(raw[16], 1);  // volume descriptor type: primary
    EXPECT_EQ(std::memcmp(raw.data() + 17, "CD001", 5), 0);
    EXPECT_EQ(std::memcmp(raw.data() + 16 + 40, "KELTEST ", 8), 0);
}

}  // namespace
}  // namespace kel::emu
