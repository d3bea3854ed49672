#include "diag/tools/hex_dump.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kel::diag {
namespace {

constexpr std::string_view kOmitted = "---------- Omitted lines same as above ----------";

TEST(DumpLines, AFullLineHasOffsetHexAndCharacterColumns) {
    std::vector<std::uint8_t> bytes(16);
    std::iota(bytes.begin(), bytes.end(), 0x41);
    const auto lines = DumpLines(bytes);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "0000 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50  |ABCDEFGHIJKLMNOP|");
    EXPECT_EQ(lines[0].size(), 72u);
}

TEST(DumpLines, ZeroSectorGivesOneLineAndOneOmission) {
    const std::vector<std::uint8_t> zeros(2048, 0);
    const auto lines = DumpLines(zeros);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "0000 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |................|");
    EXPECT_EQ(lines[1], kOmitted);
}

TEST(DumpLines, ShortLastRunKeepsHexColumnsButNotCharacterPadding) {
    std::vector<std::uint8_t> bytes(20, 'x');
    const auto lines = DumpLines(bytes);
    ASSERT_EQ(lines.size(), 2u);
    const std::string& last = lines[1];
    EXPECT_EQ(last.substr(0, 17), "0010 78 78 78 78 ");
    EXPECT_EQ(last.substr(17, 37), std::string(37, ' '));  // up to column 53
    EXPECT_EQ(last[54], '|');
    EXPECT_EQ(last.substr(55), "xxxx|");
    EXPECT_EQ(last.size(), 60u);
}

TEST(DumpLines, LinesDifferingOnlyInAHiddenByteAreBothWritten) {
    std::vector<std::uint8_t> bytes(32, 0);
    bytes[16] = 0x10;  // both show as "."
    const auto lines = DumpLines(bytes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 8), "0010 10 ");
}

TEST(DumpLines, PrintableRangeIncludes0x20To0x7F) {
    const std::vector<std::uint8_t> bytes = {0x1F, 0x20, 0x7E, 0x7F, 0x80, 0xFF};
    const auto lines = DumpLines(bytes);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(55), ". ~\x7F..|");
}

TEST(DumpLines, RunsOfEqualLinesFoldAndTheDumpResumesAtTheNextDifference) {
    std::vector<std::uint8_t> bytes(16 * 6, 0xAA);
    bytes[16 * 4] = 0x01;  // line 4 differs, line 5 equals lines 0-3
    const auto lines = DumpLines(bytes);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 4), "0000");
    EXPECT_EQ(lines[1], kOmitted);
    EXPECT_EQ(lines[2].substr(0, 7), "0040 01");
    EXPECT_EQ(lines[3].substr(0, 7), "0050 aa");
}

TEST(DumpLines, EmptyInputGivesNothing) {
    EXPECT_TRUE(DumpLines({}).empty());
}

}  // namespace
}  // namespace kel::diag
