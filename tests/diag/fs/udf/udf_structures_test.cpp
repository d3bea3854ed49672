// The reader's field decoders: descriptor tags, compressed-unicode names,
// timestamps and the expansion of compressed extents.
#include <gtest/gtest.h>

#include <array>

#include "diag/fs/udf/udf_reader.h"
#include "diag/state/options.h"
#include "tests/diag/fs/udf/udf_builder.h"

namespace kel::diag::testing {
namespace {

std::array<std::uint8_t, 2048> ValidTag() {
    std::array<std::uint8_t, 2048> block{};
    Seal(block, 261, 77);
    return block;
}

TEST(CheckUdfTag, GivesTheReasonForEachDefect) {
    int error = -1;
    auto block = ValidTag();
    EXPECT_TRUE(CheckUdfTag(block, &error));
    EXPECT_EQ(error, 0);

    for (std::uint16_t version : {0, 4}) {
        block = ValidTag();
        Put16(block, 2, version);
        Checksum(block);
        EXPECT_FALSE(CheckUdfTag(block, &error));
        EXPECT_EQ(error, udf_tag_error::kVersion) << version;
    }
    block = ValidTag();
    Put16(block, 2, 3);
    Checksum(block);
    EXPECT_TRUE(CheckUdfTag(block, &error)) << "third-edition tags are valid";

    block = ValidTag();
    block[5] = 1;
    Checksum(block);
    EXPECT_FALSE(CheckUdfTag(block, &error));
    EXPECT_EQ(error, udf_tag_error::kReserved);

    block = ValidTag();
    Put16(block, 10, 2049);
    Checksum(block);
    EXPECT_FALSE(CheckUdfTag(block, &error));
    EXPECT_EQ(error, udf_tag_error::kCrcLength);

    block = ValidTag();
    ++block[4];
    EXPECT_FALSE(CheckUdfTag(block, &error));
    EXPECT_EQ(error, udf_tag_error::kChecksum);

    EXPECT_FALSE(CheckUdfTag(std::span<const std::uint8_t>(block).first(10), &error))
        << "a tag cut short is never valid";
}

TEST(CheckUdfTag, CSwitchIgnoresChecksumsOnly) {
    auto block = ValidTag();
    ++block[4];
    Options().cSwitch = 1;
    EXPECT_TRUE(CheckUdfTag(block, nullptr));
    block[5] = 1;
    EXPECT_FALSE(CheckUdfTag(block, nullptr));
    Options().cSwitch = 0;
}

TEST(UdfStringToText, DecodesBothCompressionsWithinTheField) {
    const Bytes eight = {8, 'A', 'B', 'C', 'x'};
    EXPECT_EQ(UdfStringToText(4, eight), "ABC") << "the byte after the field is not read";
    const Bytes latin = {8, 0xE9};
    EXPECT_EQ(UdfStringToText(2, latin), "\xC3\xA9");
    const Bytes sixteen = {16, 0x00, 'H', 0x20, 0xAC, 0x00, 0x00, 0x00, 'Z'};
    EXPECT_EQ(UdfStringToText(9, sixteen), "H\xE2\x82\xAC") << "ends at the first 0 character";
    const Bytes odd = {16, 0x00, 'H', 0x00};
    EXPECT_EQ(UdfStringToText(4, odd), "H") << "a half character is dropped";
    EXPECT_EQ(UdfStringToText(3, Bytes{254, 'A', 'B'}), "");
    EXPECT_EQ(UdfStringToText(40, Bytes{8, 'A'}), "A") << "a field longer than the bytes";
    EXPECT_EQ(UdfStringToText(0, eight), "");
}

TEST(UdfTimestampToDate, CountsYearsFrom1900ThroughTheByteWrap) {
    Bytes stamp(12, 0);
    Put16(stamp, 2, 2025);
    stamp[4] = 12;
    stamp[5] = 31;
    stamp[6] = 23;
    stamp[7] = 59;
    stamp[8] = 58;
    EXPECT_EQ(UdfTimestampToDate(stamp), (std::array<std::uint8_t, 7>{125, 12, 31, 23, 59, 58, 0}));
    Put16(stamp, 2, 2048);
    EXPECT_EQ(UdfTimestampToDate(stamp)[0], 148);
    EXPECT_EQ(UdfTimestampToDate(Bytes{1, 2}), (std::array<std::uint8_t, 7>{148, 0, 0, 0, 0, 0, 0}))
        << "a short field reads as zeros";
}

Bytes Compressed(const Bytes& body) {
    Bytes bytes(4 + body.size(), 0);
    Put32(bytes, 0, 0x14850);
    std::copy(body.begin(), body.end(), bytes.begin() + 4);
    return bytes;
}

TEST(ExpandCeQuadratBlock, ExpandsEachOperation) {
    // Literal "abc", repeat 'x' 4 times, copy 3 from 3 back, copy 2 from 8
    // back with a two-byte distance.
    const Bytes input = Compressed({0x03, 'a', 'b', 'c', 0xC4, 'x', 0x43, 0x03, 0x82, 0x08, 0x00});
    std::array<std::uint8_t, 12> output{};
    ASSERT_TRUE(ExpandCeQuadratBlock({input, output}));
    EXPECT_EQ(std::string(output.begin(), output.end()), "abcxxxxxxxcx");
}

TEST(ExpandCeQuadratBlock, RefusesDamagedInput) {
    std::array<std::uint8_t, 4> output{};
    EXPECT_FALSE(ExpandCeQuadratBlock({Bytes{1, 2, 3, 4, 0x04, 'a', 'b', 'c', 'd'}, output}))
        << "identifier";
    EXPECT_FALSE(ExpandCeQuadratBlock({Compressed({0x03, 'a', 'b', 'c'}), output})) << "too short";
    EXPECT_FALSE(ExpandCeQuadratBlock({Compressed({0x08, 'a', 'b'}), output}))
        << "literal beyond the input";
    EXPECT_FALSE(ExpandCeQuadratBlock({Compressed({0x01, 'a', 0x43, 0x05}), output}))
        << "distance before the output's start";
    EXPECT_FALSE(ExpandCeQuadratBlock({Compressed({0x01, 'a', 0x43, 0x00}), output}))
        << "distance 0";
    EXPECT_TRUE(ExpandCeQuadratBlock({Compressed({0x3F, 'a', 'b', 'c', 'd'}), output}))
        << "a count is cut to the output";
}

}  // namespace
}  // namespace kel::diag::testing
