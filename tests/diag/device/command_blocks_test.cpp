// Golden command blocks for every form the profile selects.
#include <gtest/gtest.h>

#include <vector>

#include "diag/device/command_blocks.h"

namespace kel::diag {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const CommandBlock& cdb) {
    return Bytes(cdb.view().begin(), cdb.view().end());
}

DeviceProfile mmcProfile() {
    DeviceProfile p;
    p.mmcCdda = 1;
    p.RawCmd = 0xBE;
    p.CDDACmd = 0xBE;
    p.CDDALen = 12;
    p.SubQVal = 2;
    p.TrkInfo = 0x52;
    return p;
}

DeviceProfile vendorProfile(std::uint16_t length, bool msf) {
    DeviceProfile p;
    p.CDDACmd = 0xD8;
    p.CDDALen = length;
    p.CDDAMSF = msf ? 1 : 0;
    p.SubQVal = 0x12;  // only the low four bits may reach the command
    p.SubRW = 0x03;
    p.TrkInfo = 0xE5;
    return p;
}

TEST(CommandBlocks, UnitInquiryTocAndSubChannel) {
    EXPECT_EQ(bytesOf(testUnitReadyCommand()), Bytes(6, 0));
    EXPECT_EQ(bytesOf(inquiryCommand()), (Bytes{0x12, 0, 0, 0, 0xFF, 0}));
    // Formats 0-3 go into the control byte, 4 and 5 into byte 2.
    EXPECT_EQ(bytesOf(readTocCommand(0x0000)), (Bytes{0x43, 0, 0, 0, 0, 0, 0, 0x08, 0, 0}));
    EXPECT_EQ(bytesOf(readTocCommand(0x0102)), (Bytes{0x43, 0, 0, 0, 0, 0, 2, 0x08, 0, 0x40}));
    EXPECT_EQ(bytesOf(readTocCommand(0x0200)), (Bytes{0x43, 0, 0, 0, 0, 0, 0, 0x08, 0, 0x80}));
    EXPECT_EQ(bytesOf(readTocCommand(0x0400)), (Bytes{0x43, 0, 4, 0, 0, 0, 0, 0x08, 0, 0}));
    EXPECT_EQ(bytesOf(readTocCommand(0x0500)), (Bytes{0x43, 0, 5, 0, 0, 0, 0, 0x40, 0, 0}));
    EXPECT_EQ(readTocLength(0x0500), 16384u);
    EXPECT_EQ(readTocLength(0x0201), 2048u);
    EXPECT_EQ(bytesOf(readSubChannelCommand(1, 7)), (Bytes{0x42, 0, 0x40, 1, 0, 0, 0, 1, 0, 0}));
    EXPECT_EQ(bytesOf(readSubChannelCommand(3, 7)), (Bytes{0x42, 0, 0x40, 3, 0, 0, 7, 1, 0, 0}));
}

TEST(CommandBlocks, SectorReadsAskForNoSubChannelInRawForm) {
    DeviceProfile p = mmcProfile();
    EXPECT_EQ(bytesOf(readSectorsCommand(p, false, 0x12345678, 16)),
              (Bytes{0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 16, 0}));
    EXPECT_EQ(bytesOf(readSectorsCommand(p, true, 16, 2)),
              (Bytes{0xBE, 0, 0, 0, 0, 16, 0, 0, 2, 0xF8, 0, 0}));
    // A raw command of READ(10) itself, or none, keeps READ(10).
    p.RawCmd = 0x28;
    EXPECT_EQ(readSectorsCommand(p, true, 1, 1).length, 10u);
    p.RawCmd = 0;
    EXPECT_EQ(readSectorsCommand(p, true, 1, 1).opcode(), 0x28);
    EXPECT_EQ(bytesOf(readCddaCommand(mmcProfile(), 300)),
              (Bytes{0xBE, 0, 0, 0, 0x01, 0x2C, 0, 0, 1, 0x10, 0, 0}));
}

TEST(CommandBlocks, CddaReadsInEveryProfileForm) {
    // MMC: READ CD with user data, Q selection in byte 10.
    EXPECT_EQ(bytesOf(*scanReadCommand(mmcProfile(), 1000, 27, false)),
              (Bytes{0xBE, 0, 0, 0, 0x03, 0xE8, 0, 0, 27, 0x10, 0, 0}));
    EXPECT_EQ(bytesOf(*scanReadCommand(mmcProfile(), 1000, 27, true)),
              (Bytes{0xBE, 0, 0, 0, 0x03, 0xE8, 0, 0, 27, 0x10, 2, 0}));
    // Vendor 12-byte in MSF: block 0 and one sector is 00:02:00 to 00:02:01.
    EXPECT_EQ(bytesOf(*scanReadCommand(vendorProfile(12, true), 0, 1, false)),
              (Bytes{0xD8, 0, 0, 0, 2, 0, 0, 0, 2, 1, 0, 0}));
    EXPECT_EQ(bytesOf(*scanReadCommand(vendorProfile(12, true), 4350, 75, true)),
              (Bytes{0xD8, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0x02, 0}));
    // Vendor 12-byte by LBA, and the 10-byte form without Q.
    EXPECT_EQ(bytesOf(*scanReadCommand(vendorProfile(12, false), 0x0102, 0x0304, false)),
              (Bytes{0xD8, 0, 0, 0, 1, 2, 0, 3, 4, 0, 0, 0}));
    EXPECT_EQ(bytesOf(*scanReadCommand(vendorProfile(10, false), 5, 2, false)),
              (Bytes{0xD8, 0, 0, 0, 0, 5, 0, 0, 2, 0}));
    // Q data needs byte 10; a length the table does not know sends nothing.
    EXPECT_FALSE(scanReadCommand(vendorProfile(10, false), 5, 2, true));
    EXPECT_FALSE(scanReadCommand(vendorProfile(11, false), 5, 2, false));
}

TEST(CommandBlocks, SubcodeReads) {
    DeviceProfile mmc = mmcProfile();
    EXPECT_EQ(bytesOf(*readWithSubcodeCommand(mmc, 10, 3)),
              (Bytes{0xBE, 0, 0, 0, 0, 10, 0, 0, 3, 0x10, 1, 0}));
    mmc.SubRWDe = 1;
    EXPECT_EQ(readWithSubcodeCommand(mmc, 10, 3)->bytes[10], 4);
    EXPECT_EQ(bytesOf(*readWithSubcodeCommand(vendorProfile(12, false), 10, 3)),
              (Bytes{0xD8, 0, 0, 0, 0, 10, 0, 0, 0, 3, 3, 0}));
    EXPECT_EQ(bytesOf(*readWithSubcodeCommand(vendorProfile(12, true), 0, 1)),
              (Bytes{0xD8, 0, 0, 0, 2, 0, 0, 0, 2, 1, 3, 0}));
    DeviceProfile none = vendorProfile(12, false);
    none.SubRW = 0xFF;
    EXPECT_FALSE(readWithSubcodeCommand(none, 0, 1));
    EXPECT_FALSE(readWithSubcodeCommand(vendorProfile(10, false), 0, 1));
}

TEST(CommandBlocks, DiscAndTrackInformation) {
    DeviceProfile p = mmcProfile();
    EXPECT_EQ(bytesOf(*discInfoCommand(p, 0)), (Bytes{0x51, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(bytesOf(*discInfoCommand(p, 3)), (Bytes{0x52, 1, 0, 0, 0, 3, 0, 0, 0xFF, 0}));
    // Track 256 asks by address type 0.
    EXPECT_EQ(bytesOf(*discInfoCommand(p, 256)), (Bytes{0x52, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}));
    p.TrkInfo = 0xE5;
    EXPECT_EQ(bytesOf(*discInfoCommand(p, 2)), (Bytes{0xE5, 0, 0, 0, 0, 2, 0, 0, 0xFF, 0}));
    p.TrkInfo = 0xE6;
    EXPECT_EQ(bytesOf(*discInfoCommand(p, 2)),
              (Bytes{0xE6, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0}));
    p.TrkInfo = 0;
    EXPECT_FALSE(discInfoCommand(p, 2)) << "opcode 0 would be TEST UNIT READY";
    p.TrkInfo = 0xFF;
    EXPECT_FALSE(discInfoCommand(p, 2)) << "not set";
}

TEST(CommandBlocks, ModeCommandsInBothForms) {
    EXPECT_EQ(bytesOf(modeSenseCommand(false, 0x3F, 1024)), (Bytes{0x1A, 0, 0x3F, 0, 0xFF, 0}));
    EXPECT_EQ(bytesOf(modeSenseCommand(true, 0x3F, 1024)),
              (Bytes{0x5A, 0, 0x3F, 0, 0, 0, 0, 0x04, 0x00, 0}));
    EXPECT_EQ(bytesOf(modeSenseCommand(false, 0x41, 128)), (Bytes{0x1A, 0, 0x41, 0, 128, 0}));
    EXPECT_EQ(bytesOf(modeSelectCommand(false, 12)), (Bytes{0x15, 0x10, 0, 0, 12, 0}));
    EXPECT_EQ(bytesOf(modeSelectCommand(true, 16)), (Bytes{0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0}));
}

TEST(CommandBlocks, LoadEjectSpeedAndSeek) {
    EXPECT_EQ(bytesOf(loadEjectCommand(0x1B, true)), (Bytes{0x1B, 0, 0, 0, 2, 0}));
    EXPECT_EQ(bytesOf(loadEjectCommand(0x1B, false)), (Bytes{0x1B, 0, 0, 0, 3, 0}));
    EXPECT_EQ(loadEjectCommand(0xA6, true).length, 12u);
    EXPECT_EQ(loadEjectCommand(0xC0, true).length, 10u);
    EXPECT_EQ(loadEjectCommand(0x4B, true).length, 10u);
    EXPECT_EQ(bytesOf(setCdSpeedCommand(1408, 0)),
              (Bytes{0xBB, 0, 0x05, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bytesOf(seekCommand(0x00ABCDEF)), (Bytes{0x2B, 0, 0, 0xAB, 0xCD, 0xEF, 0, 0, 0, 0}));
    EXPECT_EQ(seekCommand(0x80000001).blockField(), static_cast<std::int32_t>(0x80000001u));
}

}  // namespace
}  // namespace kel::diag
