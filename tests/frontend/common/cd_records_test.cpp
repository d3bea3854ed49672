// The records' fields at their byte offsets, and texts cut to their room.
#include "frontend/common/cd_records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kel::frontend {
namespace {

TEST(CdRecords, ThirtyTwoBitFieldsSitLittleEndianAtTheirOffsets) {
    CdTrackRecord track;
    track.EndLba = 0x11223344;
    track.Length = -2;
    unsigned char bytes[sizeof(CdTrackRecord)];
    std::memcpy(bytes, &track, sizeof bytes);
    EXPECT_EQ(bytes[10], 0x44);
    EXPECT_EQ(bytes[13], 0x11);
    EXPECT_EQ(bytes[14], 0xFE);
    EXPECT_EQ(bytes[17], 0xFF);
    EXPECT_EQ(std::int32_t{track.Length}, -2);
}

TEST(CdRecords, ShortStringsKeepALengthByteAndAtMostTheirRoom) {
    CdDriveRecord drive;
    drive.Vendor = "ABCDEFGHIJKLMNOP";
    drive.LetterText = "D:";
    EXPECT_EQ(drive.Vendor.str(), "ABCDEFGHIJ");
    unsigned char bytes[sizeof(CdDriveRecord)];
    std::memcpy(bytes, &drive, sizeof bytes);
    EXPECT_EQ(bytes[5], 10);
    EXPECT_EQ(bytes[6], 'A');
    EXPECT_EQ(bytes[15], 'J');
    EXPECT_EQ(bytes[16], 0);  // the product's length byte, untouched
    EXPECT_EQ(bytes[35], 2);
    EXPECT_EQ(bytes[36], 'D');

    drive.Vendor = "X";
    EXPECT_EQ(drive.Vendor.str(), "X");
    EXPECT_EQ(drive.Vendor.length(), 1u);

    CdTrackRecord track;
    track.Label = std::string(40, 'L');
    EXPECT_EQ(track.Label.length(), 30u);
}

}  // namespace
}  // namespace kel::frontend
