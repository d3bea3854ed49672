// The texts of the sector display: its lines, MSF addresses and what the
// user may type.
#include <gtest/gtest.h>

#include <array>

#include "diag/tools/sector/sector_text.h"

namespace kel::diag {
namespace {

TEST(SectorLineText, ColumnsOfOneLine) {
    const std::array<std::uint8_t, 16> bytes = {0x01, 'C',  'D',  '0',  '0',  '1',  0x01, 0x00,
                                                0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF, 'a',  'Z'};
    const std::string line = SectorLineText(bytes, 1);
    EXPECT_EQ(line.size(), 62u);
    EXPECT_EQ(line, "0010 01434430 30310100 1F207E7F 80FF615A  .CD001.. . ~\x7F..aZ   ");
}

TEST(SectorLineText, OffsetsAreLowerCaseHex) {
    const std::array<std::uint8_t, 16> zeros{};
    EXPECT_EQ(SectorLineText(zeros, 146).substr(0, 5), "0920 ");
    EXPECT_EQ(SectorLineText(zeros, 0xAB).substr(0, 5), "0ab0 ");
}

TEST(MsfText, BlockZeroIsTwoSecondsIn) {
    EXPECT_EQ(MsfText(0), "00.02.00");
    EXPECT_EQ(MsfText(4400), "01.00.50");
    EXPECT_EQ(MsfText(449849), "99.59.74");
}

TEST(SectorFromInput, OneNumberOrThreeMakeABlock) {
    EXPECT_EQ(SectorFromInput("4400"), 4400);
    EXPECT_EQ(SectorFromInput(" 16 "), 16);
    EXPECT_EQ(SectorFromInput("0.2.0"), 0);
    EXPECT_EQ(SectorFromInput("1.0.50"), 4400);
    EXPECT_EQ(SectorFromInput("0.0.0"), -150) << "a valid MSF before block 0";
    EXPECT_EQ(SectorFromInput("1.2.3  "), (60 + 2 - 2) * 75 + 3);
    // Reading stops where the pattern stops matching: these are one number.
    EXPECT_EQ(SectorFromInput("12abc"), 12);
    EXPECT_EQ(SectorFromInput("12."), 12);
}

TEST(SectorFromInput, AnythingElseNamesNoBlock) {
    EXPECT_EQ(SectorFromInput(""), std::nullopt);
    EXPECT_EQ(SectorFromInput("   "), std::nullopt);
    EXPECT_EQ(SectorFromInput("abc"), std::nullopt);
    EXPECT_EQ(SectorFromInput("1.2"), std::nullopt);
    EXPECT_EQ(SectorFromInput("1.2."), std::nullopt);
    EXPECT_EQ(SectorFromInput("1.2x3"), std::nullopt) << "the second separator is a \".\" too";
    EXPECT_EQ(SectorFromInput("1.2.3 x"), std::nullopt) << "more text after an MSF";
    EXPECT_EQ(SectorFromInput("99999999999"), 2147483647) << "held at the limit, not wrapped";
}

}  // namespace
}  // namespace kel::diag
