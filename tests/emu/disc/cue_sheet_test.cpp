// CUE sheets laid out on the disc: modes, files, indexes, gaps and Q data.
#include <gtest/gtest.h>

#include "emu/disc/cue_sheet.h"
#include "emu/disc/loader.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

using test::expectLoaded;
using test::ImageFolder;
using test::patternSectors;

class CueSheetLayout : public ::testing::Test {
protected:
    Disc load(std::string_view sheet) {
        const auto cue = folder.write("disc.cue", sheet);
        return expectLoaded(loadDrive(cue)).disc;
    }
    ImageFolder folder;
};

TEST_F(CueSheetLayout, OneFileWithStoredPregapAndFurtherIndexes) {
    folder.write("disc image.bin", patternSectors(20, 2352));
    const auto disc = load(
        "FILE \"disc image.bin\" BINARY\n"
        "  TRACK 01 MODE1/2352\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n"
        "    INDEX 00 00:00:10\n"
        "    INDEX 01 00:00:12\n"
        "    INDEX 02 00:00:15\n");
    ASSERT_EQ(disc.tracks.size(), 2u);
    ASSERT_EQ(disc.files.size(), 1u);
    EXPECT_EQ(disc.files[0], folder.path("disc image.bin"));
    const auto& data = disc.tracks[0];
    EXPECT_EQ(data.format, SectorFormat::Mode1);
    EXPECT_EQ(data.storage, StorageFormat::Raw2352);
    EXPECT_EQ(data.control, control::kData);
    EXPECT_EQ(data.start, 0);
    EXPECT_EQ(data.end, 10);
    const auto& audio = disc.tracks[1];
    EXPECT_EQ(audio.number, 2);
    EXPECT_EQ(audio.format, SectorFormat::Audio);
    EXPECT_EQ(audio.control, 0);
    EXPECT_EQ(audio.pregapStart, 10);
    EXPECT_EQ(audio.start, 12);
    EXPECT_EQ(audio.furtherIndexes, std::vector<std::int32_t>{15});
    EXPECT_EQ(audio.storedFrom, 10);
    EXPECT_EQ(audio.storedTo, 20);
    EXPECT_EQ(audio.fileOffset, 10u * 2352);
    EXPECT_EQ(disc.leadOut, 20);
    EXPECT_EQ(disc.discType, 0x00);
}

TEST_F(CueSheetLayout, FirstTrackAtTwoSecondsKeepsItsLeadingSectorsAsPregap) {
    folder.write("a.bin", patternSectors(160, 2352));
    const auto disc = load("FILE a.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:02:00\n");
    ASSERT_EQ(disc.tracks.size(), 1u);
    EXPECT_EQ(disc.tracks[0].pregapStart, 0);
    EXPECT_EQ(disc.tracks[0].start, 150);
    EXPECT_EQ(disc.tracks[0].storedFrom, 0);
    EXPECT_EQ(disc.leadOut, 160);
}

TEST_F(CueSheetLayout, EveryModeInItsOwnFileContinuesTheAddresses) {
    folder.write("1.iso", patternSectors(5, 2048));
    folder.write("2.bin", patternSectors(4, 2336));
    folder.write("3.bin", patternSectors(3, 2352));
    folder.write("4.bin", patternSectors(6, 2352));
    const auto disc = load(
        "FILE 1.iso BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
        "FILE 2.bin BINARY\n TRACK 02 MODE2/2336\n  INDEX 01 00:00:00\n"
        "FILE 3.bin BINARY\n TRACK 03 MODE2/2352\n  INDEX 01 00:00:00\n"
        "FILE 4.bin BINARY\n TRACK 04 AUDIO\n  INDEX 00 00:00:00\n  INDEX 01 00:00:02\n");
    ASSERT_EQ(disc.tracks.size(), 4u);
    ASSERT_EQ(disc.files.size(), 4u);
    struct Expected {
        SectorFormat format;
        StorageFormat storage;
        std::int32_t pregapStart, start, end;
    };
    const Expected expected[] = {
        {SectorFormat::Mode1, StorageFormat::Cooked2048, 0, 0, 5},
        {SectorFormat::Mode2, StorageFormat::Mode2_2336, 5, 5, 9},
        {SectorFormat::Mode2, StorageFormat::Raw2352, 9, 9, 12},
        {SectorFormat::Audio, StorageFormat::Raw2352, 12, 14, 18},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        const auto& track = disc.tracks[i];
        EXPECT_EQ(track.file, i);
        EXPECT_EQ(track.fileOffset, 0u);
        EXPECT_EQ(track.format, expected[i].format);
        EXPECT_EQ(track.storage, expected[i].storage);
        EXPECT_EQ(track.pregapStart, expected[i].pregapStart);
        EXPECT_EQ(track.start, expected[i].start);
        EXPECT_EQ(track.end, expected[i].end);
        EXPECT_EQ(track.storedTo, expected[i].end);
    }
    EXPECT_EQ(disc.leadOut, 18);
    EXPECT_EQ(disc.discType, 0x20);
    EXPECT_EQ(disc.trackAt(13), &disc.tracks[3]);
    EXPECT_EQ(disc.trackAt(18), nullptr);
    EXPECT_EQ(disc.trackAt(-1), nullptr);
}

TEST_F(CueSheetLayout, UnstoredGapsShiftTheTracksAfterThem) {
    // One file holding 2048-byte and 2352-byte sectors one after the other.
    auto bytes = patternSectors(4, 2048);
    const auto audio = patternSectors(3, 2352);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    folder.write("a.bin", bytes);
    const auto disc = load(
        "FILE a.bin BINARY\n"
        "TRACK 01 MODE1/2048\n INDEX 01 00:00:00\n POSTGAP 00:00:05\n"
        "TRACK 02 AUDIO\n PREGAP 00:02:00\n INDEX 01 00:00:04\n");
    ASSERT_EQ(disc.tracks.size(), 2u);
    EXPECT_EQ(disc.tracks[0].storedTo, 4);
    EXPECT_EQ(disc.tracks[0].end, 9);
    const auto& second = disc.tracks[1];
    EXPECT_EQ(second.pregapStart, 9);
    EXPECT_EQ(second.storedFrom, 159);
    EXPECT_EQ(second.start, 159);
    EXPECT_EQ(second.storedTo, 162);
    EXPECT_EQ(second.fileOffset, 4u * 2048);
    EXPECT_EQ(disc.leadOut, 162);
}

TEST_F(CueSheetLayout, CatalogIsrcFlagsAndTheLinesAroundThem) {
    folder.write("t.bin", patternSectors(6, 2352));
    const auto disc = load(
        "\xEF\xBB\xBFREM GENRE Test\r\n"
        "CATALOG 0123456789012\r\n"
        "PERFORMER \"Some One\"\r\n"
        "\r\n"
        "file \"t.bin\" motorola\r\n"
        "\t track 01 audio\r\n"
        "    TITLE \"First\"\r\n"
        "    FLAGS DCP PRE 4CH SCMS\r\n"
        "    ISRC GBAYE2600123\r\n"
        "    INDEX 01 00:00:00\r\n"
        "  TRACK 02 MODE1/2352\r\n"
        "    FLAGS DCP\r\n"
        "    INDEX 01 00:00:03\r\n");
    ASSERT_EQ(disc.tracks.size(), 2u);
    EXPECT_EQ(disc.catalog, "0123456789012");
    EXPECT_EQ(disc.tracks[0].isrc, "GBAYE2600123");
    EXPECT_EQ(disc.tracks[0].control,
              control::kCopyPermitted | control::kPreEmphasis | control::kFourChannel);
    EXPECT_TRUE(disc.tracks[0].byteSwapped);
    EXPECT_EQ(disc.tracks[1].control, control::kData | control::kCopyPermitted);
    EXPECT_FALSE(disc.tracks[1].byteSwapped);
    EXPECT_TRUE(disc.tracks[1].isrc.empty());
}

TEST(CueSheetLimits, ADiscLongerThanACdIsRefused) {
    const auto sizeOf =
        [](const std::filesystem::path&) -> std::variant<std::uint64_t, std::string> {
        return std::uint64_t{500000} * 2352;
    };
    const auto error = test::expectFailure(
        parseCueSheet(std::string_view("FILE big.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"),
                      "big.cue", sizeOf));
    EXPECT_EQ(error.line, 2);
    EXPECT_NE(error.message.find("longest disc"), std::string::npos) << error.message;
}

TEST(CueSheetLimits, GapsCannotPushTheLeadOutBeyondACd) {
    const auto sizeOf =
        [](const std::filesystem::path&) -> std::variant<std::uint64_t, std::string> {
        return std::uint64_t{2352};
    };
    const auto error = test::expectFailure(parseCueSheet(
        std::string_view("FILE a.bin BINARY\nTRACK 01 AUDIO\nPREGAP 99:59:74\nINDEX 01 00:00:00\n"),
        "g.cue", sizeOf));
    EXPECT_EQ(error.line, 2);
}

}  // namespace
}  // namespace kel::emu
