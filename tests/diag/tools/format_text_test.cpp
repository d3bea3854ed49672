#include "diag/tools/format_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kel::diag {
namespace {

std::string format(std::string_view text, std::vector<FormatArg> args, std::size_t max = 500) {
    return FormatText(text, args, max);
}

TEST(FormatText, ConversionsOfTheDialect) {
    EXPECT_EQ(format("%d %i %u", {-42, 7, 3000000000u}), "-42 7 3000000000");
    EXPECT_EQ(format("%x %X %c %s %%", {255, 255, 'A', "text"}), "ff FF A text %");
    EXPECT_EQ(format("%ld %lu %lx", {-1L, 5UL, 0xabcUL}), "-1 5 abc");
    EXPECT_EQ(format("[%5d][%-5d][%05d][%-05d]", {42, 42, 42, 42}), "[   42][42   ][00042][42   ]");
    EXPECT_EQ(format("[%05d][%.3d][%.2s][%6s]", {-42, 7, "abcdef", "ab"}),
              "[-0042][007][ab][    ab]");
    EXPECT_EQ(format("%02x %02x", {0x3A, 0x0}), "3a 00");
}

TEST(FormatText, NegativeNumbersUnderUnsignedConversionsTakeThirtyTwoBits) {
    EXPECT_EQ(format("%u %x %X", {-1, -2, -1}), "4294967295 fffffffe FFFFFFFF");
    EXPECT_EQ(format("%x", {std::int64_t{-0x100000000}}), "ffffffff00000000");
}

TEST(FormatText, PointersArePrintedAtFullWidth) {
    const void* pointer = reinterpret_cast<const void*>(std::uintptr_t{0x1234});
    const std::string expected(sizeof(void*) * 2 - 4, '0');
    EXPECT_EQ(format("%p", {pointer}), expected + "1234");
    EXPECT_EQ(format("%x", {pointer}), expected + "1234");
    EXPECT_EQ(format("%p", {static_cast<const void*>(nullptr)}),
              std::string(sizeof(void*) * 2, '0'));
}

TEST(FormatText, WrongOrMissingArgumentsPrintAPlaceholder) {
    EXPECT_EQ(format("%s and %d", {5, "five"}), "(?) and (?)");
    EXPECT_EQ(format("%d %d", {1}), "1 (?)");
    EXPECT_EQ(format("%s", {static_cast<const char*>(nullptr)}), "(null)");
    EXPECT_EQ(format("%c", {"x"}), "(?)");
}

TEST(FormatText, UnknownConversionsAndATrailingPercentStayAsWritten) {
    EXPECT_EQ(format("%f %q %", {1}), "%f %q %");
    EXPECT_EQ(format("100%", {}), "100%");
}

TEST(FormatText, OutputNeverExceedsTheLimit) {
    const std::string longText(2000, 'a');
    EXPECT_EQ(format("%s%s", {longText, longText}, 499).size(), 499u);
    EXPECT_EQ(format("%600d", {1}, 499).size(), 499u);
    EXPECT_EQ(format("%99999999999999999999d", {1}, 20).size(), 20u);
    EXPECT_EQ(format("abc", {}, 0), "");
}

TEST(FormatText, ACutNeverSplitsAUtf8Character) {
    // "é" is two bytes: cutting after its first byte drops it whole.
    EXPECT_EQ(format("ab\xC3\xA9", {}, 3), "ab");
    EXPECT_EQ(format("ab\xC3\xA9", {}, 4), "ab\xC3\xA9");
    EXPECT_EQ(format("a\xE2\x82\xAC", {}, 3), "a");
}

}  // namespace
}  // namespace kel::diag
