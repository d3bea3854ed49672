// The program's switches as a user types them, and the ones it refuses.
#include "diag/ui/main/command_line.h"
#include "main_fixture.h"

namespace kel::diag {
namespace {

using CommandLineTest = test::MainFixture;

TEST_F(CommandLineTest, AnEmptyLineSetsNothing) {
    EXPECT_TRUE(ParseCommandLine(""));
    EXPECT_TRUE(ParseCommandLine("   \t "));
    EXPECT_FALSE(logSwitches().debugMode);
    EXPECT_EQ(Options().cSwitch, 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(CommandLineTest, DebugValueSevenTurnsOnAllThreeSwitches) {
    EXPECT_TRUE(ParseCommandLine("-d7"));
    EXPECT_TRUE(logSwitches().debugMode);
    EXPECT_TRUE(logSwitches().writeThrough);
    EXPECT_TRUE(logSwitches().allocationTracing);
    EXPECT_EQ(Options().debugMode, 1);
    EXPECT_EQ(Options().logWriteThrough, 1);
    EXPECT_EQ(Options().allocationTracing, 1);
}

TEST_F(CommandLineTest, DebugValuesChooseTheirBits) {
    EXPECT_TRUE(ParseCommandLine("/D2"));
    EXPECT_TRUE(logSwitches().debugMode) << "-D always turns debug mode on";
    EXPECT_TRUE(logSwitches().writeThrough);
    EXPECT_FALSE(logSwitches().allocationTracing);

    logSwitches().debugMode = false;
    logSwitches().writeThrough = false;
    EXPECT_TRUE(ParseCommandLine("-D"));
    EXPECT_TRUE(logSwitches().debugMode);
    EXPECT_FALSE(logSwitches().writeThrough);

    EXPECT_TRUE(ParseCommandLine("-d015"));
    EXPECT_TRUE(logSwitches().allocationTracing) << "leading zeros are still base 10";
}

TEST_F(CommandLineTest, CSwitchInEitherForm) {
    EXPECT_TRUE(ParseCommandLine("/c"));
    EXPECT_EQ(Options().cSwitch, 1);
    Options().cSwitch = 0;
    EXPECT_TRUE(ParseCommandLine("-Cwhatever -d1"));
    EXPECT_EQ(Options().cSwitch, 1);
    EXPECT_TRUE(logSwitches().debugMode);
}

TEST_F(CommandLineTest, BadTokensAreNamedInMessage206) {
    for (const char* token : {"-d16", "-d0", "-d3x", "-x", "d7", "-", "-d99999999999999999999"}) {
        messages_.clear();
        texts_.clear();
        EXPECT_FALSE(ParseCommandLine(std::string("-c ") + token)) << token;
        ASSERT_EQ(messages_, std::vector<int>{206}) << token;
        EXPECT_EQ(texts_[0], std::string("Command line parameter '") + token + "' not recognized.");
    }
}

}  // namespace
}  // namespace kel::diag
