// The raw sub-channel: a sub-channel file written here with the published
// CD+G interleave comes back exactly through READ CD (raw P-W, Q, R-W
// packs) and the older drives' vendor reads; without a file the drive makes
// P-W from the sector's position.
#include <fstream>

#include "drive_fixture.h"

namespace kel::emu::test {
namespace {

constexpr int kPackSymbols = 24;
constexpr std::int32_t kFileSectors = 880;  // the file stops short of the lead-out at 900

// Where symbol i of a pack goes: symbols 1/18, 2/5 and 3/23 change places,
// then each is delayed by its new position mod 8 packs.
constexpr int kPosition[kPackSymbols] = {0,  18, 5,  23, 4,  2,  6, 7,  8,  9,  10, 11,
                                         12, 13, 14, 15, 16, 17, 1, 19, 20, 21, 22, 3};

std::uint8_t packSymbol(int pack, int symbol) {
    // Symbol 0 is the mode/item byte: CD+G (9) in every other pack.
    if (symbol == 0) {
        return pack % 2 == 0 ? 9 : 0;
    }
    return static_cast<std::uint8_t>((pack * 7 + symbol * 13) & 0x3F);
}

// Q bytes 0..11 of sector s in the file: a pattern of our own, not a
// position, so that Q from the file cannot be mistaken for a generated one.
std::uint8_t qByte(std::int32_t sector, int index) {
    return static_cast<std::uint8_t>(sector * 3 + index * 17 + 1);
}

std::vector<std::uint8_t> writeSubChannel() {
    std::vector<std::uint8_t> stream(std::size_t{kFileSectors} * 96, 0);
    const int packs = kFileSectors * 4;
    for (int pack = 0; pack < packs; ++pack) {
        for (int symbol = 0; symbol < kPackSymbols; ++symbol) {
            const int position = kPosition[symbol];
            const auto at =
                static_cast<std::size_t>((pack + position % 8) * kPackSymbols + position);
            if (at < stream.size()) {
                stream[at] |= packSymbol(pack, symbol);
            }
        }
    }
    for (std::int32_t sector = 0; sector < kFileSectors; ++sector) {
        for (int bit = 0; bit < 96; ++bit) {
            auto& byte = stream[static_cast<std::size_t>(sector) * 96 + bit];
            if ((qByte(sector, bit / 8) & (0x80 >> (bit % 8))) != 0) {
                byte |= 0x40;
            }
            if (bit < 2) {
                byte |= 0x80;  // P: a pause flag at the sector's start
            }
        }
    }
    return stream;
}

class SubChannelFile : public DriveTest {
protected:
    void SetUp() override {
        DriveTest::SetUp();
        file = writeSubChannel();
        std::ofstream(folder / "disc.sub", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }
    void useFile(DriveDescription description = {}) {
        LoadedDrive loaded = mixedDisc(std::move(description));
        loaded.disc.subchannelFile = folder / "disc.sub";
        drive = open(std::move(loaded));
    }
    std::vector<std::uint8_t> file;
};

TEST_F(SubChannelFile, RwPacksComeBackPacketForPacket) {
    useFile();
    constexpr std::int32_t kFirst = kAudioStart;
    constexpr std::uint32_t kCount = 40;
    Reply reply = in(readCd(kFirst, kCount, 0x10, 4), kCount * (2352 + 96));
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), kCount * (2352 + 96));
    for (std::uint32_t s = 0; s < kCount; ++s) {
        const auto* sector = reply.data.data() + s * (2352 + 96);
        EXPECT_EQ(sector[0], audioByte(kFirst + static_cast<std::int32_t>(s)));
        for (int pack = 0; pack < 4; ++pack) {
            const int number = (kFirst + static_cast<int>(s)) * 4 + pack;
            for (int symbol = 0; symbol < kPackSymbols; ++symbol) {
                ASSERT_EQ(sector[2352 + pack * kPackSymbols + symbol], packSymbol(number, symbol))
                    << "pack " << number << " symbol " << symbol;
            }
        }
    }
}

TEST_F(SubChannelFile, RawAndQAreTheFilesBytes) {
    useFile();
    Reply raw = in(readCd(10, 2, 0xF8, 1), 2 * (2352 + 96));
    ASSERT_TRUE(raw.good());
    ASSERT_EQ(raw.data.size(), 2u * (2352 + 96));
    for (int s = 0; s < 2; ++s) {
        const auto got = raw.data.begin() + s * (2352 + 96) + 2352;
        EXPECT_TRUE(std::equal(got, got + 96, file.begin() + (10 + s) * 96));
    }
    Reply q = in(readCd(10, 1, 0x10, 2), 2048 + 16);
    ASSERT_TRUE(q.good());
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(q.data[2048 + static_cast<std::size_t>(i)], qByte(10, i));
    }
    EXPECT_EQ(q.data[2048 + 12], 0);
}

TEST_F(SubChannelFile, BeyondTheFileTheDriveMakesItsOwn) {
    useFile();
    const std::int32_t lba = kFileSectors + 5;
    Reply raw = in(readCd(lba, 1, 0x10, 1), 2352 + 96);
    ASSERT_TRUE(raw.good());
    sector::QPosition position;
    position.control = control::kCopyPermitted;
    position.track = 2;
    position.index = 2;
    position.relative = lba - kAudioStart;
    position.absoluteLba = lba;
    const auto q = sector::qChannel(position);
    for (int bit = 0; bit < 96; ++bit) {
        const std::uint8_t byte = raw.data[2352 + static_cast<std::size_t>(bit)];
        const bool qBit = (q[static_cast<std::size_t>(bit / 8)] & (0x80 >> (bit % 8))) != 0;
        ASSERT_EQ(byte, qBit ? 0x40 : 0x00) << "bit " << bit;
    }
    // The last packs of the disc reach past the file and read as empty.
    Reply packs = in(readCd(kLeadOut - 1, 1, 0x10, 4), 2352 + 96);
    ASSERT_TRUE(packs.good());
    EXPECT_TRUE(std::all_of(packs.data.begin() + 2352, packs.data.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

TEST_F(SubChannelFile, OlderDrivesVendorSubCodes) {
    DriveDescription description;
    description.personality = Personality::Scsi2;
    description.vendorCddaRead = true;
    useFile(description);
    Reply withRaw = in({0xD8, 0, 0, 0, 0x01, 0xC2, 0, 0, 0, 1, 2, 0}, 2448);
    ASSERT_TRUE(withRaw.good());
    ASSERT_EQ(withRaw.data.size(), 2448u);
    EXPECT_EQ(withRaw.data[0], audioByte(kAudioStart));
    EXPECT_TRUE(std::equal(withRaw.data.begin() + 2352, withRaw.data.end(),
                           file.begin() + kAudioStart * 96));
    Reply rawOnly = in({0xD8, 0, 0, 0, 0x01, 0xC2, 0, 0, 0, 2, 3, 0}, 192);
    ASSERT_TRUE(rawOnly.good());
    EXPECT_TRUE(
        std::equal(rawOnly.data.begin(), rawOnly.data.end(), file.begin() + kAudioStart * 96));
}

TEST_F(DriveTest, WithoutAFileRwIsEmptyAndPIsClear) {
    useDrive();
    Reply raw = in(readCd(20, 1, 0x10, 1), 2048 + 96);
    ASSERT_TRUE(raw.good());
    EXPECT_TRUE(std::all_of(raw.data.begin() + 2048, raw.data.end(),
                            [](std::uint8_t b) { return (b & 0xBF) == 0; }));
    EXPECT_TRUE(std::any_of(raw.data.begin() + 2048, raw.data.end(),
                            [](std::uint8_t b) { return b == 0x40; }));
}

}  // namespace
}  // namespace kel::emu::test
