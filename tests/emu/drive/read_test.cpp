// READ(10)/(12), READ CD, READ CD MSF, READ HEADER, READ LONG, the vendor
// CD-DA reads and the injected faults.
#include <algorithm>

#include "drive_fixture.h"
#include "emu/sector/sector.h"

namespace kel::emu::test {
namespace {

bool allBytes(std::span<const std::uint8_t> bytes, std::uint8_t value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

class Reads : public DriveTest {};

TEST_F(Reads, Read10ReturnsUserDataAndChecksTheRange) {
    useDrive();
    Reply reply = in(read10(10, 3), 3 * 2048);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 3u * 2048);
    EXPECT_TRUE(allBytes(std::span(reply.data).first(2048), 10));
    EXPECT_TRUE(allBytes(std::span(reply.data).last(2048), 12));
    EXPECT_TRUE(in(read10(kLeadOut - 1, 2), 2 * 2048).senseIs(5, 0x21, 0));
    EXPECT_TRUE(in(read10(0xFFFFFFFF, 1), 2048).senseIs(5, 0x21, 0));
    Reply twelve = in({0xA8, 0, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0}, 2048);
    ASSERT_TRUE(twelve.good());
    EXPECT_TRUE(allBytes(twelve.data, 5));
}

TEST_F(Reads, Read10OfAudioIsIllegalModeAfterTheGoodSectors) {
    useDrive();
    Reply reply = in(read10(kDataEnd - 1, 2), 2 * 2048);
    ASSERT_TRUE(reply.senseIs(5, 0x64, 0));
    EXPECT_EQ(reply.result.transferred, 2048u);
    EXPECT_EQ(reply.result.sense.bytes[0] & 0x80, 0x80);  // information field: the failing block
    EXPECT_EQ(reply.result.sense.bytes[6], kDataEnd & 0xFF);
}

TEST_F(Reads, ShortHostBufferGetsWhatFits) {
    useDrive();
    Reply reply = in(read10(0, 4), 3000);
    ASSERT_TRUE(reply.good());
    EXPECT_EQ(reply.result.transferred, 3000u);
}

TEST_F(Reads, ReadCdRawDataSectorIsRealMode1) {
    useDrive();
    Reply reply = in(readCd(16, 1, 0xF8), 2352);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 2352u);
    const std::vector<std::uint8_t> sync{0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    EXPECT_TRUE(std::equal(sync.begin(), sync.end(), reply.data.begin()));
    EXPECT_EQ(reply.data[12], 0x00);  // 00:02:16 in BCD
    EXPECT_EQ(reply.data[13], 0x02);
    EXPECT_EQ(reply.data[14], 0x16);
    EXPECT_EQ(reply.data[15], 0x01);
    EXPECT_TRUE(allBytes(std::span(reply.data).subspan(16, 2048), 16));
    const std::uint32_t edc = sector::edc(std::span(reply.data).first(2064));
    EXPECT_EQ(reply.data[2064], edc & 0xFF);
    EXPECT_EQ(reply.data[2067], edc >> 24);
}

TEST_F(Reads, WholeSectorReadsStopAtTheBufferAndAtAFault) {
    DriveDescription description;
    description.faults.hard = {{12, 12}};
    useDrive(description);
    Reply partial = in(readCd(10, 2, 0xF8), 3000);
    ASSERT_TRUE(partial.good());
    ASSERT_EQ(partial.data.size(), 3000u);
    EXPECT_EQ(partial.data[14], 0x10);         // 00:02:10
    EXPECT_EQ(partial.data[2352 + 14], 0x11);  // the second sector, cut
    Reply faulted = in(readCd(10, 3, 0xF8), 3 * 2352);
    EXPECT_TRUE(faulted.senseIs(3, 0x11, 0));
    EXPECT_EQ(faulted.result.transferred, 2u * 2352);
}

TEST_F(Reads, ReadCdFieldSelectionsHaveTheirSizes) {
    useDrive();
    struct Case {
        std::uint8_t flags;
        std::size_t size;
    };
    for (Case c :
         {Case{0x10, 2048}, Case{0x30, 2052}, Case{0x78, 2340}, Case{0xB8, 2352}, Case{0x18, 2336},
          Case{0xF8 | 0x02, 2352 + 294}, Case{0xF8 | 0x04, 2352 + 296}, Case{0x00, 0}}) {
        Reply reply = in(readCd(5, 2, c.flags), 2 * 3000);
        ASSERT_TRUE(reply.good()) << int(c.flags);
        EXPECT_EQ(reply.data.size(), 2 * c.size) << int(c.flags);
    }
    EXPECT_TRUE(in(readCd(5, 1, 0x90), 3000).senseIs(5, 0x24, 0));  // sync without header
    EXPECT_TRUE(in(readCd(5, 1, 0x16), 3000).senseIs(5, 0x24, 0));  // C2 code 3
}

TEST_F(Reads, ReadCdAudioAndExpectedSectorType) {
    useDrive();
    Reply audio = in(readCd(kAudioStart, 1, 0xF8, 0, 1), 2352);
    ASSERT_TRUE(audio.good());
    EXPECT_TRUE(allBytes(audio.data, audioByte(kAudioStart)));
    Reply pregap = in(readCd(kAudioPregap, 1, 0x10), 2352);
    ASSERT_TRUE(pregap.good());
    EXPECT_TRUE(allBytes(pregap.data, 0));  // unstored pregap: silence
    EXPECT_TRUE(in(readCd(kAudioStart, 1, 0x10, 0, 2), 2352).senseIs(5, 0x64, 0));
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 0, 1), 2352).senseIs(5, 0x64, 0));
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 0, 4), 2352).senseIs(5, 0x64, 0));
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 0, 2), 2352).good());
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 0, 6), 2352).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(readCd(kLeadOut, 1, 0x10), 2352).senseIs(5, 0x21, 0));
}

TEST_F(Reads, ReadCdFormattedQFollowsEachSector) {
    useDrive();
    Reply reply = in(readCd(kAudioIndex2 + 1, 1, 0x10, 2), 2352 + 16);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 2352u + 16);
    sector::QPosition expected;
    expected.control = control::kCopyPermitted;
    expected.track = 2;
    expected.index = 2;
    expected.relative = kAudioIndex2 + 1 - kAudioStart;
    expected.absoluteLba = kAudioIndex2 + 1;
    const auto q = sector::formattedQ(expected);
    EXPECT_TRUE(std::equal(q.begin(), q.end(), reply.data.begin() + 2352));
    // 3 is reserved, and nothing lies beyond the R-W packs (4).
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 3), 3000).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(readCd(0, 1, 0x10, 5), 3000).senseIs(5, 0x24, 0));
}

TEST_F(Reads, ReadCdMsfIsEndExclusive) {
    useDrive();
    // 00:02:10 .. 00:02:12: LBA 10 and 11.
    Reply reply = in({0xB9, 0, 0, 0, 2, 10, 0, 2, 12, 0x10, 0, 0}, 3 * 2048);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 2u * 2048);
    EXPECT_EQ(reply.data[2048], 11);
    EXPECT_TRUE(in({0xB9, 0, 0, 0, 2, 12, 0, 2, 10, 0x10, 0, 0}, 2048).senseIs(5, 0x24, 0));
}

TEST_F(Reads, ReadHeaderGivesModeAndAddress) {
    useDrive();
    Reply reply = in({0x44, 0x02, 0, 0, 0, 20, 0, 0, 8, 0}, 8);
    ASSERT_TRUE(reply.good());
    EXPECT_EQ(reply.data, (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 2, 20}));
    EXPECT_TRUE(in({0x44, 0, 0, 0, 0x01, 0xD0, 0, 0, 8, 0}, 8).senseIs(5, 0x64, 0));
}

TEST_F(Reads, InjectedFaultsFollowTheErrorRecoveryPage) {
    DriveDescription description;
    description.faults.hard = {{20, 21}};
    description.faults.marginal = {{40, 41}};
    description.faults.other = {{60, 60}};
    useDrive(description);
    Reply hard = in(read10(18, 4), 4 * 2048);
    EXPECT_TRUE(hard.senseIs(3, 0x11, 0));
    EXPECT_EQ(hard.result.transferred, 2u * 2048);
    EXPECT_TRUE(in(readCd(60, 1, 0x10), 2048).senseIs(4, 0x44, 0));

    // PER clear: a marginal sector reads good, only slowly.
    Reply slow = in(read10(40, 2), 2 * 2048);
    EXPECT_TRUE(slow.good());
    EXPECT_GT(clock.waited, 0);

    auto setRecovery = [this](std::uint8_t flags) {
        std::vector<std::uint8_t> list{0,     0x12, 0, 0, 0, 0, 0, 0, 0x01, 0x0A,
                                       flags, 5,    0, 0, 0, 0, 0, 0, 0,    0};
        ASSERT_TRUE(out({0x55, 0x10, 0, 0, 0, 0, 0, 0, std::uint8_t(list.size()), 0}, list).good());
    };
    setRecovery(0x04);  // PER: recovered, data and all
    const std::int64_t beforeRecovered = clock.waited;
    Reply recovered = in(read10(39, 3), 3 * 2048);
    // The retries cost time whether or not the drive reports them.
    EXPECT_GT(clock.waited, beforeRecovered);
    EXPECT_TRUE(recovered.senseIs(1, 0x18, 0));
    EXPECT_EQ(recovered.result.transferred, 3u * 2048);
    EXPECT_EQ(recovered.result.sense.bytes[6], 40);
    setRecovery(0x05);  // DCR wins: the drive does not correct, nor retry
    const std::int64_t beforeUncorrected = clock.waited;
    EXPECT_TRUE(in(read10(40, 1), 2048).senseIs(3, 0x11, 0));
    EXPECT_EQ(clock.waited, beforeUncorrected);
}

class OlderDrive : public DriveTest {
protected:
    void SetUp() override {
        DriveTest::SetUp();
        DriveDescription description;
        description.personality = Personality::Scsi2;
        description.vendorCddaRead = true;
        useDrive(description);
    }
    Reply setBlockLength(std::uint16_t length, std::uint8_t density = 0) {
        return out({0x15, 0x10, 0, 0, 12, 0}, {0, 0, 0, 8, density, 0, 0, 0, 0, 0,
                                               std::uint8_t(length >> 8), std::uint8_t(length)});
    }
};

TEST_F(OlderDrive, BlockLengthSwitchChangesRead10AndCapacity) {
    ASSERT_TRUE(setBlockLength(2352).good());
    Reply raw = in(read10(kAudioStart, 1), 2352);
    ASSERT_TRUE(raw.good());
    EXPECT_TRUE(allBytes(raw.data, audioByte(kAudioStart)));
    Reply data = in(read10(3, 1), 2352);
    ASSERT_EQ(data.data.size(), 2352u);
    EXPECT_EQ(data.data[15], 0x01);  // a whole mode 1 sector
    Reply capacity = in({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    EXPECT_EQ(capacity.data[6], 0x09);
    EXPECT_EQ(capacity.data[7], 0x30);

    ASSERT_TRUE(setBlockLength(2336).good());
    Reply mode2 = in(read10(3, 1), 2336);
    ASSERT_EQ(mode2.data.size(), 2336u);
    EXPECT_TRUE(allBytes(std::span(mode2.data).first(2048), 3));
    EXPECT_TRUE(in(read10(kAudioStart, 1), 2336).senseIs(5, 0x64, 0));

    EXPECT_TRUE(setBlockLength(1024).senseIs(5, 0x26, 0));
    ASSERT_TRUE(setBlockLength(2048).good());
    EXPECT_EQ(in(read10(3, 1), 2352).data.size(), 2048u);
}

TEST_F(OlderDrive, ReadLongReturnsTheRawSector) {
    Reply reply = in({0x3E, 0, 0, 0, 0, 7, 0, 0x09, 0x30, 0}, 2352);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 2352u);
    EXPECT_EQ(reply.data[14], 0x07);
    EXPECT_TRUE(in({0x3E, 0, 0, 0, 0, 7, 0, 0x08, 0x00, 0}, 2352).senseIs(5, 0x24, 0));
}

TEST_F(OlderDrive, VendorCddaReadsByBlockAndByMsf) {
    Reply byBlock = in({0xD8, 0, 0, 0, 0x01, 0xC2, 0, 0, 0, 2, 0, 0}, 2 * 2352);
    ASSERT_TRUE(byBlock.good());
    ASSERT_EQ(byBlock.data.size(), 2u * 2352);
    EXPECT_EQ(byBlock.data[2352], audioByte(kAudioStart + 1));
    // LBA 450 = 00:08:00; end 00:08:01 exclusive; with Q.
    Reply byMsf = in({0xD9, 0, 0, 0, 8, 0, 0, 0, 8, 1, 1, 0}, 2352 + 16);
    ASSERT_TRUE(byMsf.good());
    ASSERT_EQ(byMsf.data.size(), 2352u + 16);
    EXPECT_EQ(byMsf.data[2352 + 1], 0x02);  // Q: track 2 (BCD)
    EXPECT_TRUE(in({0xD8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 4, 0}, 2448).senseIs(5, 0x24, 0));
}

}  // namespace
}  // namespace kel::emu::test
