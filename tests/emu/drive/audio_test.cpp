// Audio play with the clock moved by hand, and READ SUB-CHANNEL.
#include "drive_fixture.h"

namespace kel::emu::test {
namespace {

std::vector<std::uint8_t> subChannel(std::uint8_t format, bool msf = false, std::uint8_t track = 0,
                                     std::uint16_t allocation = 48) {
    return {0x42,
            std::uint8_t(msf ? 0x02 : 0),
            0x40,
            format,
            0,
            0,
            track,
            std::uint8_t(allocation >> 8),
            std::uint8_t(allocation),
            0};
}

std::vector<std::uint8_t> play10(std::uint32_t lba, std::uint16_t length) {
    return {0x45,
            0,
            std::uint8_t(lba >> 24),
            std::uint8_t(lba >> 16),
            std::uint8_t(lba >> 8),
            std::uint8_t(lba),
            0,
            std::uint8_t(length >> 8),
            std::uint8_t(length),
            0};
}

const std::vector<std::uint8_t> kPause{0x4B, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> kResume{0x4B, 0, 0, 0, 0, 0, 0, 0, 1, 0};

class Audio : public DriveTest {
protected:
    std::uint8_t status() { return in(subChannel(1), 16).data.at(1); }
    std::uint32_t absolute() {
        Reply reply = in(subChannel(1), 16);
        return std::uint32_t(reply.data.at(10)) << 8 | reply.data.at(11);
    }
};

TEST_F(Audio, PlayAdvancesSeventyFiveFramesASecondAndCompletesOnce) {
    useDrive();
    EXPECT_EQ(status(), 0x15);
    ASSERT_TRUE(none(play10(kAudioStart, 150)).good());
    EXPECT_EQ(status(), 0x11);
    EXPECT_EQ(absolute(), std::uint32_t(kAudioStart));
    clock.now += 1000;
    EXPECT_EQ(absolute(), std::uint32_t(kAudioStart + 75));
    clock.now += 1000;
    EXPECT_EQ(status(), 0x13);
    EXPECT_EQ(status(), 0x15);
}

TEST_F(Audio, PositionReportHasTrackIndexAndRelativeTime) {
    useDrive();
    ASSERT_TRUE(none(play10(kAudioIndex2 + 75, 200)).good());
    Reply lba = in(subChannel(1), 16);
    ASSERT_TRUE(lba.good());
    ASSERT_EQ(lba.data.size(), 16u);
    EXPECT_EQ(lba.data[3], 12);
    EXPECT_EQ(lba.data[4], 1);
    EXPECT_EQ(lba.data[5], 0x12);
    EXPECT_EQ(lba.data[6], 2);
    EXPECT_EQ(lba.data[7], 2);  // index 2
    EXPECT_EQ(lba.data[15], kAudioIndex2 + 75 - kAudioStart);
    Reply msf = in(subChannel(1, true), 16);
    EXPECT_EQ(msf.data[9], 0);  // 675 + 150 = 825 frames = 00:11:00
    EXPECT_EQ(msf.data[10], 11);
    EXPECT_EQ(msf.data[11], 0);
    EXPECT_EQ(msf.data[14], 3);  // 225 frames into the track
    EXPECT_EQ(msf.data[15], 0);
}

TEST_F(Audio, PauseAndResumeKeepThePosition) {
    useDrive();
    EXPECT_TRUE(none(kPause).senseIs(5, 0x2C, 0));
    EXPECT_TRUE(none(kResume).senseIs(5, 0x2C, 0));
    ASSERT_TRUE(none(play10(kAudioStart, 300)).good());
    clock.now += 1000;
    ASSERT_TRUE(none(kPause).good());
    EXPECT_EQ(status(), 0x12);
    clock.now += 5000;
    EXPECT_EQ(absolute(), std::uint32_t(kAudioStart + 75));
    ASSERT_TRUE(none(kResume).good());
    EXPECT_TRUE(none(kResume).senseIs(5, 0x2C, 0));  // already playing
    EXPECT_EQ(status(), 0x11);
    clock.now += 2000;
    EXPECT_EQ(absolute(), std::uint32_t(kAudioStart + 225));
}

TEST_F(Audio, StopAndSeekEndPlay) {
    useDrive();
    ASSERT_TRUE(none(play10(kAudioStart, 300)).good());
    ASSERT_TRUE(none({0x4E, 0, 0, 0, 0, 0, 0, 0, 0, 0}).good());
    EXPECT_EQ(status(), 0x15);
    ASSERT_TRUE(none(play10(kAudioStart, 300)).good());
    ASSERT_TRUE(none({0x2B, 0, 0, 0, 0x02, 0x58, 0, 0, 0, 0}).good());  // seek 600
    EXPECT_EQ(status(), 0x15);
    EXPECT_EQ(absolute(), 600u);
    EXPECT_TRUE(none({0x2B, 0, 0, 0, 0x03, 0x84, 0, 0, 0, 0}).senseIs(5, 0x21, 0));
}

TEST_F(Audio, BadPlayRanges) {
    useDrive();
    EXPECT_TRUE(none(play10(0, 10)).senseIs(5, 0x64, 0));
    EXPECT_TRUE(none(play10(kDataEnd - 5, 10)).senseIs(5, 0x64, 0));
    EXPECT_TRUE(none(play10(kLeadOut - 5, 10)).senseIs(5, 0x21, 0));
    // MSF 00:10:00 .. 00:09:00: reversed.
    EXPECT_TRUE(none({0x47, 0, 0, 0, 10, 0, 0, 9, 0, 0}).senseIs(5, 0x24, 0));
    EXPECT_TRUE(none({0x47, 0, 0, 0, 9, 0, 0, 9, 0, 0}).good());  // empty: no play
    EXPECT_EQ(status(), 0x15);
    ASSERT_TRUE(none({0x47, 0, 0, 0, 9, 0, 0, 10, 0, 0}).good());
    EXPECT_EQ(status(), 0x11);
    EXPECT_EQ(absolute(), 9u * 75 - 150);
    ASSERT_TRUE(none({0xA5, 0, 0, 0, 0x01, 0xC2, 0, 0, 0, 75, 0, 0}).good());
    clock.now += 1000;
    EXPECT_EQ(status(), 0x13);
}

TEST_F(Audio, PlayIntoAHardFaultEndsWithError) {
    DriveDescription description;
    description.faults.hard = {{500, 510}};
    useDrive(description);
    ASSERT_TRUE(none(play10(kAudioStart, 200)).good());
    clock.now += 1000;
    EXPECT_EQ(status(), 0x14);
    EXPECT_EQ(status(), 0x15);
}

TEST_F(Audio, CatalogueAndIsrc) {
    useDrive();
    Reply catalog = in(subChannel(2), 48);
    ASSERT_TRUE(catalog.good());
    ASSERT_EQ(catalog.data.size(), 24u);
    EXPECT_EQ(catalog.data[3], 20);
    EXPECT_EQ(catalog.data[8], 0x80);
    EXPECT_EQ(std::string(catalog.data.begin() + 9, catalog.data.begin() + 22), "0123456789012");
    Reply isrc = in(subChannel(3, false, 2), 48);
    ASSERT_TRUE(isrc.good());
    EXPECT_EQ(isrc.data[6], 2);
    EXPECT_EQ(isrc.data[8], 0x80);
    EXPECT_EQ(std::string(isrc.data.begin() + 9, isrc.data.begin() + 21), "USKEL2600001");
    EXPECT_EQ(in(subChannel(3, false, 1), 48).data[8], 0x00);
    EXPECT_TRUE(in(subChannel(3, false, 7), 48).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(subChannel(4), 48).senseIs(5, 0x24, 0));
}

TEST_F(Audio, TwelveByteFormAndHeaderOnly) {
    useDrive();
    Reply twelve = in({0x42, 0, 0x40, 1, 0, 0, 0, 1, 0, 0, 0, 0}, 256);
    ASSERT_TRUE(twelve.good());
    EXPECT_EQ(twelve.data.size(), 16u);
    Reply header = in({0x42, 0, 0x00, 1, 0, 0, 0, 1, 0, 0}, 256);
    ASSERT_TRUE(header.good());
    EXPECT_EQ(header.data, (std::vector<std::uint8_t>{0, 0x15, 0, 0}));
    EXPECT_EQ(in(subChannel(1, false, 0, 6), 256).data.size(), 6u);
}

}  // namespace
}  // namespace kel::emu::test
