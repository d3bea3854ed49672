// READ TOC/PMA/ATIP formats 0, 1, 2 and 4, both addressings, both ways of
// naming the format.
#include "drive_fixture.h"

namespace kel::emu::test {
namespace {

std::vector<std::uint8_t> readToc(std::uint8_t format, bool msf, std::uint8_t track,
                                  std::uint16_t allocation, bool formatInControlByte = false) {
    return {0x43,
            std::uint8_t(msf ? 0x02 : 0x00),
            std::uint8_t(formatInControlByte ? 0 : format),
            0,
            0,
            0,
            track,
            std::uint8_t(allocation >> 8),
            std::uint8_t(allocation),
            std::uint8_t(formatInControlByte ? format << 6 : 0)};
}

class Toc : public DriveTest {};

TEST_F(Toc, FormattedTocListsTracksAndLeadOut) {
    useDrive();
    Reply reply = in(readToc(0, false, 0, 1024), 1024);
    ASSERT_TRUE(reply.good());
    const std::vector<std::uint8_t> expected{
        0x00, 0x1A, 1,    2,                     // length, first, last
        0,    0x14, 1,    0, 0, 0, 0x00, 0x00,   // track 1, data
        0,    0x12, 2,    0, 0, 0, 0x01, 0xC2,   // track 2 at 450, audio
        0,    0x12, 0xAA, 0, 0, 0, 0x03, 0x84};  // lead-out at 900
    EXPECT_EQ(reply.data, expected);

    Reply msf = in(readToc(0, true, 2, 1024), 1024);
    ASSERT_TRUE(msf.good());
    EXPECT_EQ(msf.data, (std::vector<std::uint8_t>{0x00, 0x12, 1, 2,    0,    0x12, 2, 0, 0,  0,
                                                   8,    0,    0, 0x12, 0xAA, 0,    0, 0, 14, 0}));
    EXPECT_EQ(in(readToc(0, false, 0xAA, 1024), 1024).data.size(), 12u);
    EXPECT_TRUE(in(readToc(0, false, 3, 1024), 1024).senseIs(5, 0x24, 0));
}

TEST_F(Toc, TruncationKeepsTheTrueLength) {
    useDrive();
    Reply reply = in(readToc(0, false, 0, 12), 1024);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 12u);
    EXPECT_EQ(reply.data[1], 0x1A);
}

TEST_F(Toc, FormatMayComeFromTheControlByte) {
    useDrive();
    Reply session = in(readToc(1, false, 0, 64, true), 64);
    ASSERT_TRUE(session.good());
    EXPECT_EQ(session.data, (std::vector<std::uint8_t>{0, 0x0A, 1, 1, 0, 0x14, 1, 0, 0, 0, 0, 0}));
    Reply full = in(readToc(2, false, 1, 1024, true), 1024);
    ASSERT_TRUE(full.good());
    EXPECT_EQ(full.data.size(), 4u + 5 * 11);
}

TEST_F(Toc, FullTocHasPointsA0ToA2AndNoB0) {
    LoadedDrive loaded = mixedDisc();
    loaded.disc.discType = 0x20;
    drive = open(std::move(loaded));
    Reply reply = in(readToc(2, false, 1, 1024), 1024);
    ASSERT_TRUE(reply.good());
    ASSERT_EQ(reply.data.size(), 4u + 5 * 11);
    EXPECT_EQ(reply.data[1], 2 + 5 * 11);
    auto entry = [&](int i) { return std::span(reply.data).subspan(4 + 11 * i, 11); };
    EXPECT_EQ(entry(0)[3], 0xA0);
    EXPECT_EQ(entry(0)[8], 1);     // first track
    EXPECT_EQ(entry(0)[9], 0x20);  // disc type
    EXPECT_EQ(entry(1)[3], 0xA1);
    EXPECT_EQ(entry(1)[8], 2);
    EXPECT_EQ(entry(2)[3], 0xA2);
    EXPECT_EQ(entry(2)[8], 0);  // lead-out 00:14:00, binary
    EXPECT_EQ(entry(2)[9], 14);
    EXPECT_EQ(entry(3)[3], 1);
    EXPECT_EQ(entry(3)[9], 2);
    EXPECT_EQ(entry(4)[3], 2);
    EXPECT_EQ(entry(4)[1], 0x12);
    EXPECT_EQ(entry(4)[9], 8);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(entry(i)[3], 0xB0);
        EXPECT_NE(entry(i)[3], 0xC0);
    }
}

TEST_F(Toc, AtipOfAPressedDiscAsTheDescriptorSays) {
    useDrive();
    EXPECT_TRUE(in(readToc(4, false, 0, 64), 64).senseIs(5, 0x24, 0));
    EXPECT_TRUE(in(readToc(3, false, 0, 64), 64).senseIs(5, 0x24, 0));
    DriveDescription description;
    description.atipOnPressed = AtipOnPressed::ShortReply;
    drive.reset();
    useDrive(description);
    Reply reply = in(readToc(4, false, 0, 64), 64);
    ASSERT_TRUE(reply.good());
    EXPECT_EQ(reply.data, (std::vector<std::uint8_t>{0, 2, 0, 0}));
}

}  // namespace
}  // namespace kel::emu::test
