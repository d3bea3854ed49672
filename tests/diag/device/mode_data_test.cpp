#include <gtest/gtest.h>

#include <vector>

#include "diag/device/mode_data.h"

namespace kel::diag {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ModeParameterLists, EveryListInBothForms) {
    // Block length (raw mode, CD-DA mode).
    EXPECT_EQ(buildModeParameterList(blockLengthParameters(0, 2352), false),
              (Bytes{0x0B, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x09, 0x30}));
    EXPECT_EQ(buildModeParameterList(blockLengthParameters(0x82, 2048), true),
              (Bytes{0, 0x0E, 0, 0, 0, 0, 0, 8, 0x82, 0, 0, 0, 0, 0, 0x08, 0x00}));
    // Speed page: the 10-byte header counts the page, so the drive reads it whole.
    Bytes speed = {0x31, 0x02, 0x00, 0x08};
    EXPECT_EQ(buildModeParameterList(pageParameters(speed), false),
              (Bytes{0x0F, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0, 0x31, 0x02, 0x00, 0x08}));
    EXPECT_EQ(buildModeParameterList(pageParameters(speed), true),
              (Bytes{0, 0x0A, 0, 0, 0, 0, 0, 0, 0x31, 0x02, 0x00, 0x08}));
    // Error recovery.
    Bytes recovery = {0x01, 0x06, 0x01, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(buildModeParameterList(pageParameters(recovery), false),
              (Bytes{0x13, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0, 1, 6, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(buildModeParameterList(pageParameters(recovery), true),
              (Bytes{0, 0x0E, 0, 0, 0, 0, 0, 0, 1, 6, 1, 0, 0, 0, 0, 0}));
}

TEST(ModeSense, HeaderFormsAndBlockDescriptorLength) {
    // MODE SENSE(6): 4-byte header, 8-byte descriptor with 2048-byte blocks, one page.
    Bytes six = {15, 0x05, 0, 8, 0, 0, 0, 0, 0, 0, 0x08, 0x00, 0x0D, 0x02, 0x00, 0x12};
    auto s = parseModeSense(six, false);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->mediumType, 0x05);
    EXPECT_EQ(s->blockLength, 2048);
    EXPECT_EQ(s->firstPage, 12u);
    // MODE SENSE(10) without a block descriptor: pages follow the header at once.
    Bytes ten = {0, 10, 0x12, 0, 0, 0, 0, 0, 0x0D, 0x02, 0x00, 0x07};
    s = parseModeSense(ten, true);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->mediumType, 0x12);
    EXPECT_FALSE(s->blockLength);
    EXPECT_EQ(s->firstPage, 8u);
    EXPECT_FALSE(parseModeSense(Bytes{0, 10, 0}, true));
}

TEST(ModeSense, PageWalkStaysInsideWhatCameBack) {
    // The length field claims 0x200 bytes, the drive returned 16; the second
    // page's length runs past the end and is not visited.
    Bytes reply = {0x02, 0x00, 0, 0, 0, 0, 0, 0, 0x01, 0x02, 0xAA, 0xBB, 0x2A, 0x10, 0, 0};
    auto s = parseModeSense(reply, true);
    ASSERT_TRUE(s);
    std::vector<std::uint8_t> codes;
    forEachModePage(*s, [&](std::uint8_t code, std::span<const std::uint8_t> page) {
        codes.push_back(code);
        EXPECT_EQ(page.size(), 4u);
    });
    EXPECT_EQ(codes, (Bytes{0x01}));
    // A block-descriptor length past the data leaves no page to walk.
    Bytes huge = {0, 14, 0, 0, 0, 0, 0xFF, 0xFF, 0x01, 0x02, 0, 0, 0, 0, 0, 0};
    s = parseModeSense(huge, true);
    ASSERT_TRUE(s);
    forEachModePage(*s, [](std::uint8_t, std::span<const std::uint8_t>) { FAIL(); });
    // The mode data length bounds the walk even when more bytes came back.
    Bytes shortStated = {5, 0, 0, 0, 0x0D, 0x02, 0, 0, 0x0E, 0x02, 0, 0};
    s = parseModeSense(shortStated, false);
    ASSERT_TRUE(s);
    int pages = 0;
    forEachModePage(*s, [&](std::uint8_t, std::span<const std::uint8_t>) { ++pages; });
    EXPECT_EQ(pages, 0) << "the first page ends past the stated length";
}

}  // namespace
}  // namespace kel::diag
