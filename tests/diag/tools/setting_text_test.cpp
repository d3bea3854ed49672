#include "diag/tools/setting_text.h"

#include <gtest/gtest.h>

namespace kel::diag {
namespace {

TEST(SettingText, BlanksAndTabsGoFromBothEndsOnly) {
    EXPECT_EQ(TrimBlanks(" \t 0x20 , 7\t "), "0x20 , 7");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks("\r12\n"), "\r12\n");
}

TEST(SettingText, NumbersInCNotation) {
    EXPECT_EQ(ParseCNumber("0"), 0u);
    EXPECT_EQ(ParseCNumber("255"), 255u);
    EXPECT_EQ(ParseCNumber("0x1f"), 31u);
    EXPECT_EQ(ParseCNumber("0XFF"), 255u);
    EXPECT_EQ(ParseCNumber("017"), 15u);
    EXPECT_EQ(ParseCNumber("4294967295"), 4294967295u);
    EXPECT_EQ(ParseCNumber("0xFFFFFFFF"), 4294967295u);
}

TEST(SettingText, AnythingElseIsNoNumber) {
    for (const char* text :
         {"", "0x", "08", "0x1G", "12a", "-1", "+1", " 1", "1 ", "4294967296", "0x100000000"}) {
        EXPECT_EQ(ParseCNumber(text), std::nullopt) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace kel::diag
