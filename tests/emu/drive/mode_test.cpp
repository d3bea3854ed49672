// MODE SENSE and MODE SELECT in both personalities: headers, block
// descriptors, page control, the changeable mask, malformed lists and
// values that persist.
#include "drive_fixture.h"

namespace kel::emu::test {
namespace {

// MODE SELECT(10) of the error-recovery page with flags and retry count.
std::vector<std::uint8_t> recoveryList10(std::uint8_t flags, std::uint8_t retries,
                                         std::uint8_t pageLength = 0x0A) {
    std::vector<std::uint8_t> list{0, 0, 0, 0, 0, 0, 0, 0, 0x01, pageLength, flags, retries};
    list.resize(8 + 2 + pageLength, 0);
    return list;
}

std::vector<std::uint8_t> select10(std::size_t length) {
    return {0x55, 0x10, 0, 0, 0, 0, 0, std::uint8_t(length >> 8), std::uint8_t(length), 0};
}

class ModePages : public DriveTest {
protected:
    Reply selectRecovery(std::uint8_t flags, std::uint8_t retries) {
        auto list = recoveryList10(flags, retries);
        return out(select10(list.size()), list);
    }
};

TEST_F(ModePages, ErrorRecoveryPageWithAndWithoutBlockDescriptor) {
    useDrive();
    Reply bare = in(modeSense10(0x01, 255), 255);
    ASSERT_TRUE(bare.good());
    ASSERT_EQ(bare.data.size(), 8u + 12);
    EXPECT_EQ(bare.data[1], 18);    // mode data length
    EXPECT_EQ(bare.data[2], 0x03);  // data and audio
    EXPECT_EQ(bare.data[7], 0);     // no block descriptor
    EXPECT_EQ(bare.data[8], 0x01);
    EXPECT_EQ(bare.data[9], 0x0A);
    Reply described = in(modeSense10(0x01, 255, false), 255);
    ASSERT_EQ(described.data.size(), 8u + 8 + 12);
    EXPECT_EQ(described.data[7], 8);
    EXPECT_EQ(described.data[8 + 6], 0x08);  // block length 2048
    EXPECT_EQ(described.data[16], 0x01);
    Reply cut = in(modeSense10(0x01, 10), 255);
    ASSERT_EQ(cut.data.size(), 10u);
    EXPECT_EQ(cut.data[1], 18);
}

TEST_F(ModePages, MediumTypeTellsAnOpenDoorFromAnEmptyDrive) {
    useDrive();
    ASSERT_TRUE(none({0x1B, 0, 0, 0, 0x02, 0}).good());  // eject
    Reply open = in(modeSense10(0x01, 255), 255);
    ASSERT_TRUE(open.good());
    EXPECT_EQ(open.data[2], 0x71);  // door open
}

TEST_F(ModePages, AllPagesInEachPersonality) {
    useDrive();
    Reply mmc = in(modeSense10(0x3F, 1024), 1024);
    ASSERT_TRUE(mmc.good());
    std::vector<std::uint8_t> codes;
    for (std::size_t at = 8; at + 1 < mmc.data.size(); at += 2 + mmc.data[at + 1]) {
        codes.push_back(mmc.data[at]);
    }
    EXPECT_EQ(codes, (std::vector<std::uint8_t>{0x01, 0x0D, 0x0E, 0x2A}));
    const std::size_t capabilities = mmc.data.size() - 22;
    EXPECT_EQ(mmc.data[capabilities], 0x2A);
    // CD-DA, accurate stream, R-W, R-W de-interleaved and corrected
    EXPECT_EQ(mmc.data[capabilities + 5] & 0x0F, 0x0F);
    EXPECT_EQ(mmc.data[capabilities + 6] >> 5, 1);  // tray

    DriveDescription description;
    description.personality = Personality::Scsi2;
    drive.reset();
    useDrive(description);
    Reply old = in({0x1A, 0, 0x3F, 0, 255, 0}, 255);
    ASSERT_TRUE(old.good());
    EXPECT_EQ(old.data[0] + 1u, old.data.size());
    EXPECT_EQ(old.data[3], 8);
    EXPECT_EQ(old.data[12], 0x01);
    EXPECT_EQ(old.data[13], 0x06);                   // the six-byte SCSI-2 page
    EXPECT_EQ(old.data[old.data.size() - 4], 0x31);  // vendor speed page last
    EXPECT_TRUE(in({0x1A, 0x08, 0x2A, 0, 255, 0}, 255).senseIs(5, 0x24, 0));
}

TEST_F(ModePages, PageControlChangeableDefaultSaved) {
    DriveDescription description;
    description.errorRecoveryChangeable = 0x25;
    useDrive(description);
    ASSERT_TRUE(selectRecovery(0x04, 3).good());
    Reply changeable = in(modeSense10(0x41, 64), 64);
    EXPECT_EQ(changeable.data[10], 0x25);
    EXPECT_EQ(changeable.data[11], 0xFF);
    Reply current = in(modeSense10(0x01, 64), 64);
    EXPECT_EQ(current.data[10], 0x04);
    EXPECT_EQ(current.data[11], 3);
    Reply defaults = in(modeSense10(0x81, 64), 64);
    EXPECT_EQ(defaults.data[10], 0x00);
    EXPECT_EQ(defaults.data[11], 5);
    EXPECT_TRUE(in(modeSense10(0xC1, 64), 64).senseIs(5, 0x39, 0));
    EXPECT_TRUE(in(modeSense10(0x05, 64), 64).senseIs(5, 0x24, 0));
}

TEST_F(ModePages, SelectOutsideTheChangeableMaskIsRefusedWhole) {
    DriveDescription description;
    description.errorRecoveryChangeable = 0x05;  // PER and DCR only
    useDrive(description);
    EXPECT_TRUE(selectRecovery(0x01, 9).good());
    EXPECT_TRUE(selectRecovery(0x20, 9).senseIs(5, 0x26, 0));  // TB is fixed here
    Reply current = in(modeSense10(0x01, 64), 64);
    EXPECT_EQ(current.data[10], 0x01);
    EXPECT_EQ(current.data[11], 9);
}

TEST_F(ModePages, MalformedListsAreRefused) {
    useDrive();
    auto wrongLength = recoveryList10(0x04, 1, 0x06);
    EXPECT_TRUE(out(select10(wrongLength.size()), wrongLength).senseIs(5, 0x26, 0));
    auto list = recoveryList10(0x04, 1);
    auto truncated = list;
    truncated.resize(14);  // the page runs past the list's end
    EXPECT_TRUE(out(select10(truncated.size()), truncated).senseIs(5, 0x1A, 0));
    EXPECT_TRUE(out(select10(list.size() + 4), list).senseIs(5, 0x1A, 0));
    EXPECT_TRUE(out(select10(4), list).senseIs(5, 0x1A, 0));  // shorter than the header
    auto unknownPage = list;
    unknownPage[8] = 0x05;
    EXPECT_TRUE(out(select10(unknownPage.size()), unknownPage).senseIs(5, 0x26, 0));
    auto badDescriptor = list;
    badDescriptor[7] = 4;
    EXPECT_TRUE(out(select10(badDescriptor.size()), badDescriptor).senseIs(5, 0x26, 0));
    // An MMC drive keeps 2048-byte blocks.
    std::vector<std::uint8_t> block{0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30};
    EXPECT_TRUE(out(select10(block.size()), block).senseIs(5, 0x26, 0));
    auto saved = select10(list.size());
    saved[1] |= 0x01;
    EXPECT_TRUE(out(saved, list).senseIs(5, 0x24, 0));
    EXPECT_TRUE(out(select10(0), {}).good());
}

TEST_F(ModePages, OlderDriveTakesSixByteListsAndTheSpeedPage) {
    DriveDescription description;
    description.personality = Personality::Scsi2;
    useDrive(description);
    // Error recovery the way the older programs write it: header with a
    // filled-in length, a 2048-byte block descriptor, the six-byte page.
    std::vector<std::uint8_t> recovery{0x13, 0, 0,    0x08, 0,    0,    0, 0, 0, 0,
                                       0x08, 0, 0x01, 0x06, 0x04, 0x02, 0, 0, 0, 0};
    ASSERT_TRUE(out({0x15, 0x10, 0, 0, std::uint8_t(recovery.size()), 0}, recovery).good());
    std::vector<std::uint8_t> speed{0x0B, 0, 0,    0x08, 0,    0,    0,    0,
                                    0,    0, 0x08, 0,    0x31, 0x02, 0x00, 0x04};
    ASSERT_TRUE(out({0x15, 0x10, 0, 0, std::uint8_t(speed.size()), 0}, speed).good());
    Reply pages = in({0x1A, 0x08, 0x3F, 0, 255, 0}, 255);
    ASSERT_TRUE(pages.good());
    EXPECT_EQ(pages.data[4 + 2], 0x04);
    EXPECT_EQ(pages.data[4 + 3], 0x02);
    EXPECT_EQ(pages.data[pages.data.size() - 1], 0x04);
}

TEST_F(ModePages, CurrentValuesPersistAcrossOpens) {
    useDrive();
    ASSERT_TRUE(selectRecovery(0x04, 7).good());
    drive.reset();
    useDrive();
    Reply current = in(modeSense10(0x01, 64), 64);
    EXPECT_EQ(current.data[10], 0x04);
    EXPECT_EQ(current.data[11], 7);
}

}  // namespace
}  // namespace kel::emu::test
