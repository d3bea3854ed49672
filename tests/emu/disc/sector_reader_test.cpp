// Raw sectors as the drive reads them from each kind of storage and from
// unstored gaps.
#include <gtest/gtest.h>

#include <array>

#include "emu/disc/disc.h"
#include "emu/disc/loader.h"
#include "emu/sector/sector.h"
#include "image_folder.h"

namespace kel::emu {
namespace {

using test::expectLoaded;
using test::ImageFolder;
using test::patternByte;
using test::patternSectors;
using Sector = std::array<std::uint8_t, kRawSectorSize>;

std::uint32_t storedEdc(const Sector& raw, std::size_t at) {
    return raw[at] | raw[at + 1] << 8 | raw[at + 2] << 16 |
           static_cast<std::uint32_t>(raw[at + 3]) << 24;
}

std::uint32_t computedEdc(const Sector& raw, std::size_t from, std::size_t to) {
    return sector::edc(std::span<const std::uint8_t>(raw.data() + from, to - from));
}

void expectSyncAndHeader(const Sector& raw, std::int32_t lba, std::uint8_t mode) {
    const std::array<std::uint8_t, 12> sync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_TRUE(std::equal(sync.begin(), sync.end(), raw.begin()));
    const auto msf = sector::lbaToMsf(lba);
    EXPECT_EQ(raw[12], sector::toBcd(msf.minute));
    EXPECT_EQ(raw[13], sector::toBcd(msf.second));
    EXPECT_EQ(raw[14], sector::toBcd(msf.frame));
    EXPECT_EQ(raw[15], mode);
}

// Expects `raw[at, at + length)` to be stored sector `sector` of the pattern.
void expectPattern(const Sector& raw, std::size_t at, std::size_t length, int sector) {
    for (std::size_t i = 0; i < length; ++i) {
        if (raw[at + i] != patternByte(sector, i)) {
            ADD_FAILURE() << "byte " << at + i << " differs from stored sector " << sector;
            return;
        }
    }
}

class SectorReading : public ::testing::Test {
protected:
    Disc load(std::string_view sheet) {
        return expectLoaded(loadDrive(folder.write("disc.cue", sheet))).disc;
    }
    Sector read(const Disc& disc, std::int32_t lba) {
        SectorReader reader(disc);
        Sector raw{};
        const auto error = reader.readRaw(lba, raw);
        EXPECT_FALSE(error) << *error;
        return raw;
    }
    ImageFolder folder;
};

TEST_F(SectorReading, CookedMode1GetsSyncHeaderAndEdc) {
    folder.write("d.iso", patternSectors(5, 2048));
    const auto disc = expectLoaded(loadDrive(folder.path("d.iso"))).disc;
    const auto raw = read(disc, 3);
    expectSyncAndHeader(raw, 3, 1);
    expectPattern(raw, 16, 2048, 3);
    EXPECT_EQ(storedEdc(raw, 2064), computedEdc(raw, 0, 2064));
    EXPECT_TRUE(std::all_of(raw.begin() + 2068, raw.begin() + 2076, [](auto b) { return b == 0; }));
    EXPECT_FALSE(std::all_of(raw.begin() + 2076, raw.end(), [](auto b) { return b == 0; }));
}

TEST_F(SectorReading, RawStorageIsCopiedAsItIs) {
    folder.write("r.bin", patternSectors(6, 2352));
    const auto disc = load(
        "FILE r.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:00\n"
        "TRACK 02 AUDIO\nINDEX 01 00:00:03\n");
    expectPattern(read(disc, 1), 0, 2352, 1);
    expectPattern(read(disc, 5), 0, 2352, 5);
}

TEST_F(SectorReading, BigEndianAudioIsSwappedToLittleEndian) {
    folder.write("m.bin", patternSectors(2, 2352));
    const auto disc = load("FILE m.bin MOTOROLA\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    const auto raw = read(disc, 1);
    for (std::size_t i = 0; i < 2352; i += 2) {
        ASSERT_EQ(raw[i], patternByte(1, i + 1)) << i;
        ASSERT_EQ(raw[i + 1], patternByte(1, i)) << i;
    }
}

TEST_F(SectorReading, Mode2From2336GetsEdcAndParityPerForm) {
    auto bytes = patternSectors(2, 2336);
    // Sector 0: form 1 with its check fields left zero; sector 1: form 2.
    std::fill(bytes.begin() + (2072 - 16), bytes.begin() + 2336, 0);
    bytes[2] = bytes[6] = 0x08;
    std::fill(bytes.begin() + 2336 + (2348 - 16), bytes.end(), 0);
    bytes[2336 + 2] = bytes[2336 + 6] = 0x20;
    folder.write("x.bin", bytes);
    const auto disc = load("FILE x.bin BINARY\nTRACK 01 MODE2/2336\nINDEX 01 00:00:00\n");

    auto form1 = read(disc, 0);
    expectSyncAndHeader(form1, 0, 2);
    EXPECT_EQ(form1[18], 0x08);
    EXPECT_EQ(storedEdc(form1, 2072), computedEdc(form1, 16, 2072));
    EXPECT_FALSE(std::all_of(form1.begin() + 2076, form1.end(), [](auto b) { return b == 0; }));

    auto form2 = read(disc, 1);
    expectSyncAndHeader(form2, 1, 2);
    EXPECT_EQ(form2[18], 0x20);
    EXPECT_EQ(storedEdc(form2, 2348), computedEdc(form2, 16, 2348));
}

TEST_F(SectorReading, Mode2From2336KeepsTheCheckFieldsItCarries) {
    // A pattern sector has nonzero (and wrong) check fields: a damaged or
    // protected sector must reach the reader as it was ripped.
    auto bytes = patternSectors(1, 2336);
    bytes[2] = bytes[6] = 0x08;
    folder.write("k.bin", bytes);
    const auto disc = load("FILE k.bin BINARY\nTRACK 01 MODE2/2336\nINDEX 01 00:00:00\n");
    const auto raw = read(disc, 0);
    expectSyncAndHeader(raw, 0, 2);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), raw.begin() + 16));
}

TEST_F(SectorReading, GapsAreGeneratedInTheTrackFormat) {
    folder.write("a.bin", patternSectors(2, 2352));
    folder.write("d.iso", patternSectors(2, 2048));
    folder.write("x.bin", patternSectors(2, 2352));
    const auto disc = load(
        "FILE a.bin BINARY\nTRACK 01 AUDIO\nPREGAP 00:00:02\nINDEX 01 00:00:00\n"
        "FILE d.iso BINARY\nTRACK 02 MODE1/2048\nINDEX 01 00:00:00\nPOSTGAP 00:00:02\n"
        "FILE x.bin BINARY\nTRACK 03 MODE2/2352\nPREGAP 00:00:02\nINDEX 01 00:00:00\n");
    // Track 1: gap 0-1, stored 2-3; track 2: stored 4-5, gap 6-7; track 3: gap 8-9.
    const auto silence = read(disc, 1);
    EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](auto b) { return b == 0; }));
    expectPattern(read(disc, 2), 0, 2352, 0);

    expectPattern(read(disc, 5), 16, 2048, 1);
    const auto mode1 = read(disc, 7);
    expectSyncAndHeader(mode1, 7, 1);
    EXPECT_TRUE(
        std::all_of(mode1.begin() + 16, mode1.begin() + 2064, [](auto b) { return b == 0; }));
    EXPECT_EQ(storedEdc(mode1, 2064), computedEdc(mode1, 0, 2064));

    const auto mode2 = read(disc, 9);
    expectSyncAndHeader(mode2, 9, 2);
    EXPECT_EQ(mode2[18], 0x20);
    EXPECT_EQ(mode2[22], 0x20);
    EXPECT_EQ(storedEdc(mode2, 2348), computedEdc(mode2, 16, 2348));
    expectPattern(read(disc, 10), 0, 2352, 0);
}

TEST_F(SectorReading, ARunReadsAsItsSectorsOneByOne) {
    folder.write("a.bin", patternSectors(3, 2352));
    folder.write("d.iso", patternSectors(3, 2048));
    folder.write("m.bin", patternSectors(3, 2336));
    folder.write("b.bin", patternSectors(2, 2352));
    const auto disc = load(
        "FILE a.bin MOTOROLA\nTRACK 01 AUDIO\nPREGAP 00:00:02\nINDEX 01 00:00:00\n"
        "FILE d.iso BINARY\nTRACK 02 MODE1/2048\nINDEX 01 00:00:00\nPOSTGAP 00:00:01\n"
        "FILE m.bin BINARY\nTRACK 03 MODE2/2336\nINDEX 01 00:00:00\n"
        "FILE b.bin BINARY\nTRACK 04 MODE2/2352\nPREGAP 00:00:01\nINDEX 01 00:00:00\n");
    const std::int32_t count = disc.leadOut;
    ASSERT_EQ(count, 15);
    std::vector<std::uint8_t> run(static_cast<std::size_t>(count) * kRawSectorSize);
    SectorReader reader(disc);
    const auto error = reader.readRawRun(0, count, run);
    ASSERT_FALSE(error) << *error;
    for (std::int32_t lba = 0; lba < count; ++lba) {
        const Sector one = read(disc, lba);
        EXPECT_TRUE(std::equal(one.begin(), one.end(),
                               run.begin() + static_cast<std::ptrdiff_t>(lba) * kRawSectorSize))
            << "LBA " << lba;
    }
    // A run that reaches beyond the disc reads what lies on it, then fails.
    EXPECT_TRUE(reader.readRawRun(count - 1, 2, run));
}

TEST_F(SectorReading, ErrorsNameTheFileOrTheAddress) {
    folder.write("t.bin", patternSectors(4, 2352));
    const auto disc = load("FILE t.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n");
    SectorReader reader(disc);
    Sector raw{};
    const auto outside = reader.readRaw(4, raw);
    ASSERT_TRUE(outside);
    EXPECT_NE(outside->find("LBA 4"), std::string::npos) << *outside;
    EXPECT_TRUE(reader.readRaw(-1, raw));

    std::filesystem::resize_file(folder.path("t.bin"), 2 * 2352 + 100);
    EXPECT_FALSE(reader.readRaw(1, raw));
    const auto truncated = reader.readRaw(2, raw);
    ASSERT_TRUE(truncated);
    EXPECT_NE(truncated->find(folder.path("t.bin").string()), std::string::npos) << *truncated;
}

TEST(SectorReaderFiles, AFileMissingAtReadTimeIsNamed) {
    ImageFolder folder;
    Disc disc;
    disc.files.push_back(folder.path("gone.bin"));
    Track track;
    track.end = track.storedTo = 1;
    disc.tracks.push_back(track);
    disc.leadOut = 1;
    SectorReader reader(disc);
    Sector raw{};
    const auto error = reader.readRaw(0, raw);
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("gone.bin"), std::string::npos) << *error;
}

}  // namespace
}  // namespace kel::emu
