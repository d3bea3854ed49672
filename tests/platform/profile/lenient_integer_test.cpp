#include "platform/profile/lenient_integer.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

namespace {

using kel::profile::parseLenientInteger;

struct Case {
    std::string text;
    std::optional<int> expected;
};

class LenientInteger : public testing::TestWithParam<Case> {};

TEST_P(LenientInteger, ReadsAsTheProfileReadersDo) {
    EXPECT_EQ(parseLenientInteger(GetParam().text), GetParam().expected)
        << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LenientInteger,
    testing::Values(Case{"42", 42}, Case{"  \t7", 7}, Case{"-13", -13}, Case{"+5", 5},
                    Case{"0x1F", 31}, Case{"0XfF", 255}, Case{"-0x10", -16}, Case{"12 px", 12},
                    Case{"3.9", 3}, Case{"0x1Fz", 31}, Case{"0x", 0}, Case{"0xg", 0},
                    Case{"007", 7}, Case{"", std::nullopt}, Case{"   ", std::nullopt},
                    Case{"abc", std::nullopt}, Case{"-", std::nullopt}, Case{"- 5", std::nullopt},
                    Case{"x10", std::nullopt}, Case{"2147483647", INT_MAX},
                    Case{"2147483648", INT_MAX}, Case{"-2147483648", INT_MIN},
                    Case{"-99999999999999999999", INT_MIN}, Case{"0xFFFFFFFFFFFF", INT_MAX}));

}  // namespace
