#include "platform/process/command_line.h"

#include <gtest/gtest.h>

namespace kel::process {
namespace {

using Tokens = std::vector<std::string>;

struct Split {
    const char* line;
    Tokens tokens;
};

class CommandLineSplit : public testing::TestWithParam<Split> {};

TEST_P(CommandLineSplit, FollowsTheDesktopRuntimeRules) {
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().tokens) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    testing::Values(Split{"", {}}, Split{" \t ", {}}, Split{"Kelcd32.Exe", {"Kelcd32.Exe"}},
                    Split{"  prog   a\tb  ", {"prog", "a", "b"}},
                    // The program name keeps its backslashes and drops its quotes.
                    Split{"\"C:\\Program Files\\x.exe\" 1", {"C:\\Program Files\\x.exe", "1"}},
                    Split{"C:\\\"My Dir\"\\x.exe", {"C:\\My Dir\\x.exe"}},
                    Split{"\"a\"b c", {"ab", "c"}}, Split{"\"unclosed name", {"unclosed name"}},
                    Split{"p \"a b\" c", {"p", "a b", "c"}}, Split{"p a\"b c\"d", {"p", "ab cd"}},
                    Split{"p \"\"", {"p", ""}}, Split{"p \"a\"\"b\"", {"p", "a\"b"}},
                    Split{"p \\\"a", {"p", "\"a"}}, Split{"p \\\\\"a b\"", {"p", "\\a b"}},
                    Split{"p \\\\\\\"a", {"p", "\\\"a"}}, Split{"p a\\\\b", {"p", "a\\\\b"}},
                    Split{"p a\\", {"p", "a\\"}}, Split{"p \"open", {"p", "open"}},
                    Split{"p \"a b", {"p", "a b"}}));

TEST(CommandLine, ArgumentsAloneHaveNoProgramName) {
    EXPECT_EQ(splitArguments("\"C:\\x y\" 2"), (Tokens{"C:\\x y", "2"}));
    EXPECT_EQ(splitArguments("  "), Tokens{});
}

}  // namespace
}  // namespace kel::process
