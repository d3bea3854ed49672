// INQUIRY, REQUEST SENSE, READ CAPACITY, the opcode gate, and the tray, lock
// and media-change state machine.
#include "drive_fixture.h"

namespace kel::emu::test {
namespace {

const std::vector<std::uint8_t> kTur{0x00, 0, 0, 0, 0, 0};
const std::vector<std::uint8_t> kEject{0x1B, 0, 0, 0, 0x02, 0};
const std::vector<std::uint8_t> kLoad{0x1B, 0, 0, 0, 0x03, 0};
const std::vector<std::uint8_t> kStart{0x1B, 0, 0, 0, 0x01, 0};
const std::vector<std::uint8_t> kLock{0x1E, 0, 0, 0, 0x01, 0};
const std::vector<std::uint8_t> kUnlock{0x1E, 0, 0, 0, 0x00, 0};
const std::vector<std::uint8_t> kInquiry{0x12, 0, 0, 0, 0xFF, 0};
const std::vector<std::uint8_t> kRequestSense{0x03, 0, 0, 0, 18, 0};

class UnitCommands : public DriveTest {};

TEST_F(UnitCommands, InquiryCarriesIdentityVersionAndDate) {
    DriveDescription description;
    description.vendor = "ACME";
    description.product = "CDROM-1";
    description.revision = "2.10";
    description.date = "01/02/03";
    useDrive(description);
    Reply reply = in(kInquiry, 255);
    ASSERT_TRUE(reply.good());
    ASSERT_GE(reply.data.size(), 44u);
    EXPECT_EQ(reply.data[0], 0x05);
    EXPECT_EQ(reply.data[1] & 0x80, 0x80);
    EXPECT_EQ(reply.data[2], 0x00);  // MMC
    EXPECT_EQ(reply.data[4] + 5u, reply.data.size());
    EXPECT_EQ(std::string(reply.data.begin() + 8, reply.data.begin() + 16), "ACME    ");
    EXPECT_EQ(std::string(reply.data.begin() + 16, reply.data.begin() + 32), "CDROM-1         ");
    EXPECT_EQ(std::string(reply.data.begin() + 32, reply.data.begin() + 36), "2.10");
    EXPECT_EQ(std::string(reply.data.begin() + 36, reply.data.begin() + 44), "01/02/03");

    description.personality = Personality::Scsi2;
    drive.reset();
    useDrive(description);
    EXPECT_EQ(in(kInquiry, 255).data[2], 0x02);
}

TEST_F(UnitCommands, InquiryIsCutToTheAllocationLength) {
    useDrive();
    Reply reply = in({0x12, 0, 0, 0, 5, 0}, 255);
    ASSERT_TRUE(reply.good());
    EXPECT_EQ(reply.result.transferred, 5u);
    Reply small = in(kInquiry, 8);  // the host's buffer is smaller still
    EXPECT_EQ(small.result.transferred, 8u);
    EXPECT_TRUE(in({0x12, 0x01, 0x80, 0, 255, 0}, 255).senseIs(5, 0x24, 0));  // no VPD pages
}

TEST_F(UnitCommands, ReadCapacityGivesLastBlockAndLength) {
    useDrive();
    Reply reply = in({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    ASSERT_TRUE(reply.good());
    EXPECT_EQ(reply.data, (std::vector<std::uint8_t>{0, 0, 0x03, 0x83, 0, 0, 0x08, 0}));
}

TEST_F(UnitCommands, UnknownAndRejectedOpcodesAreInvalid) {
    DriveDescription description;
    description.faults.rejectedOpcodes = {0x43};
    useDrive(description);
    EXPECT_TRUE(in({0xFF, 0, 0, 0, 0, 0}, 16).senseIs(5, 0x20, 0));
    EXPECT_TRUE(in({0x43, 0, 0, 0, 0, 0, 0, 0, 12, 0}, 12).senseIs(5, 0x20, 0));
    // MMC personality: no 6-byte mode commands, no READ LONG.
    EXPECT_TRUE(in({0x1A, 0, 0x3F, 0, 255, 0}, 255).senseIs(5, 0x20, 0));
    EXPECT_TRUE(in({0x3E, 0, 0, 0, 0, 0, 0, 0x09, 0x30, 0}, 2352).senseIs(5, 0x20, 0));
    // SCSI-2 personality: no READ CD, no SET CD SPEED, no vendor read unless enabled.
    description.personality = Personality::Scsi2;
    drive.reset();
    useDrive(description);
    EXPECT_TRUE(in(readCd(0, 1, 0x10), 2048).senseIs(5, 0x20, 0));
    EXPECT_TRUE(none({0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).senseIs(5, 0x20, 0));
    EXPECT_TRUE(in({0xD8, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, 2352).senseIs(5, 0x20, 0));
}

TEST_F(UnitCommands, DataDirectionAgainstTheCommandIsATransportError) {
    useDrive();
    std::vector<std::uint8_t> buffer(36);
    scsi::Result result = drive->execute(std::vector<std::uint8_t>{0x12, 0, 0, 0, 36, 0},
                                         scsi::Direction::Out, buffer, kCommandTimeout);
    EXPECT_TRUE(result.transportFailed());
}

TEST_F(UnitCommands, EjectLoadRunsTheMediaChangeSequence) {
    DriveDescription description;
    description.faults.becomingReadyPolls = 2;
    useDrive(description);
    EXPECT_TRUE(none(kTur).good());
    EXPECT_TRUE(none(kEject).good());
    EXPECT_TRUE(none(kTur).senseIs(2, 0x3A, 0x02));
    EXPECT_TRUE(in(kInquiry, 36).good());
    EXPECT_TRUE(none(kLoad).good());
    EXPECT_TRUE(none(kTur).senseIs(2, 0x04, 0x01));
    EXPECT_TRUE(in(read10(0, 1), 2048).senseIs(2, 0x04, 0x01));
    EXPECT_TRUE(in(kInquiry, 36).good());  // INQUIRY neither waits nor takes the attention
    EXPECT_TRUE(none(kTur).senseIs(6, 0x28, 0));
    EXPECT_TRUE(none(kTur).good());
}

TEST_F(UnitCommands, LoadNeedsAtLeastOneNotReadyPoll) {
    useDrive();
    ASSERT_TRUE(none(kEject).good());
    ASSERT_TRUE(none(kLoad).good());
    EXPECT_TRUE(none(kTur).senseIs(2, 0x04, 0x01));
    EXPECT_TRUE(none(kTur).senseIs(6, 0x28, 0));
    EXPECT_TRUE(none(kTur).good());
}

TEST_F(UnitCommands, StartWaitsLikeAnyMediumCommand) {
    useDrive();
    EXPECT_TRUE(none(kStart).good());
    ASSERT_TRUE(none(kEject).good());
    EXPECT_TRUE(none(kStart).senseIs(2, 0x3A, 0x02));
    ASSERT_TRUE(none(kLoad).good());
    EXPECT_TRUE(none(kStart).senseIs(2, 0x04, 0x01));
    EXPECT_TRUE(none(kStart).senseIs(6, 0x28, 0));
    EXPECT_TRUE(none(kStart).good());
}

TEST_F(UnitCommands, AnotherDiscInTheSameDriveIsAMediaChange) {
    useDrive();
    EXPECT_TRUE(none(kTur).good());
    drive = open(mixedDisc(), "disc-2");
    EXPECT_TRUE(none(kTur).senseIs(2, 0x04, 0x01));
    EXPECT_TRUE(none(kTur).senseIs(6, 0x28, 0));
    EXPECT_TRUE(none(kTur).good());
}

TEST_F(UnitCommands, LockedTrayDoesNotEject) {
    useDrive();
    ASSERT_TRUE(none(kLock).good());
    EXPECT_TRUE(none(kEject).senseIs(5, 0x53, 0x02));
    EXPECT_TRUE(none(kTur).good());
    ASSERT_TRUE(none(kUnlock).good());
    EXPECT_TRUE(none(kEject).good());
}

TEST_F(UnitCommands, EmptyDriveReportsNoMediumByTrayPosition) {
    LoadedDrive empty = mixedDisc();
    empty.disc.tracks.clear();
    drive = open(std::move(empty));
    EXPECT_TRUE(none(kTur).senseIs(2, 0x3A, 0x01));
    EXPECT_TRUE(in({0x43, 0, 0, 0, 0, 0, 0, 0, 12, 0}, 12).senseIs(2, 0x3A, 0x01));
    ASSERT_TRUE(none(kEject).good());
    EXPECT_TRUE(none(kTur).senseIs(2, 0x3A, 0x02));
    ASSERT_TRUE(none(kLoad).good());
    EXPECT_TRUE(none(kTur).senseIs(2, 0x3A, 0x01));     // nothing to spin up, no attention
    EXPECT_TRUE(in(modeSense10(0x01, 64), 64).good());  // mode pages need no medium
}

TEST_F(UnitCommands, ResetIsReportedOnceAndRestoresDefaults) {
    useDrive();
    ASSERT_TRUE(none(kLock).good());
    ASSERT_FALSE(drive->reset().has_value());
    EXPECT_TRUE(in(kInquiry, 36).good());
    EXPECT_TRUE(none(kTur).senseIs(6, 0x29, 0));
    EXPECT_TRUE(none(kTur).good());
    EXPECT_TRUE(none(kEject).good());  // the lock went with the reset
}

TEST_F(UnitCommands, RequestSenseReportsPendingThenLastSense) {
    useDrive();
    ASSERT_TRUE(none(kEject).good());
    Reply notReady = in(kRequestSense, 18);
    ASSERT_TRUE(notReady.good());
    ASSERT_EQ(notReady.data.size(), 18u);
    EXPECT_EQ(notReady.data[0], 0x70);
    EXPECT_EQ(notReady.data[2], 0x02);
    EXPECT_EQ(notReady.data[12], 0x3A);
    EXPECT_EQ(notReady.data[13], 0x02);
    ASSERT_TRUE(none(kLoad).good());
    ASSERT_TRUE(none(kTur).senseIs(2, 0x04, 0x01));
    Reply attention = in(kRequestSense, 18);  // REQUEST SENSE takes the attention itself
    EXPECT_EQ(attention.data[2], 0x06);
    EXPECT_EQ(attention.data[12], 0x28);
    EXPECT_TRUE(none(kTur).good());

    ASSERT_TRUE(in(read10(kLeadOut, 1), 2048).senseIs(5, 0x21, 0));
    Reply last = in(kRequestSense, 18);
    EXPECT_EQ(last.data[2], 0x05);
    EXPECT_EQ(last.data[12], 0x21);
    Reply cleared = in(kRequestSense, 18);
    EXPECT_EQ(cleared.data[2], 0x00);
    EXPECT_EQ(in(kRequestSense, 8).result.transferred, 8u);
}

TEST_F(UnitCommands, SetCdSpeedShowsInTheCapabilitiesPage) {
    useDrive();
    ASSERT_TRUE(none({0xBB, 0, 0x02, 0xC0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).good());  // 704 kB/s
    Reply page = in(modeSense10(0x2A, 64), 64);
    ASSERT_TRUE(page.good());
    ASSERT_GE(page.data.size(), 8u + 16u);
    EXPECT_EQ(page.data[8], 0x2A);
    EXPECT_EQ(page.data[8 + 14], 0x02);
    EXPECT_EQ(page.data[8 + 15], 0xC0);
}

}  // namespace
}  // namespace kel::emu::test
