#include "frontend/main/autorun.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kel::frontend {
namespace {

AutorunEntry parse(const std::string& text) {
    std::istringstream file(text);
    return ParseAutorun(file);
}

TEST(Autorun, FirstLineMustBeExactlyTheSectionName) {
    EXPECT_TRUE(parse("[autorun]\nopen=a.exe\n").IsAutorun);
    EXPECT_TRUE(parse("[AutoRun]\r\nopen=a.exe\r\n").IsAutorun);
    EXPECT_FALSE(parse("[autorun] \nopen=a.exe\n").IsAutorun);
    EXPECT_FALSE(parse("\n[autorun]\nopen=a.exe\n").IsAutorun);
    EXPECT_FALSE(parse("").IsAutorun);
    EXPECT_FALSE(parse("[autorun]x\nopen=a.exe\n").Program.has_value());
}

struct OpenLineCase {
    const char* line;
    const char* program;
    const char* parameters;
};

class AutorunOpenLine : public ::testing::TestWithParam<OpenLineCase> {};

TEST_P(AutorunOpenLine, SplitsProgramAndParameters) {
    const OpenLineCase& c = GetParam();
    AutorunEntry entry = parse(std::string("[AUTORUN]\r\nicon=x.ico\r\n") + c.line + "\r\n");
    ASSERT_TRUE(entry.Program.has_value()) << c.line;
    EXPECT_EQ(*entry.Program, c.program) << c.line;
    EXPECT_EQ(entry.Parameters, c.parameters) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AutorunOpenLine,
    ::testing::Values(OpenLineCase{"open=setup.exe", "setup.exe", ""},
                      OpenLineCase{"open = setup.exe /q", "setup.exe", "/q"},
                      OpenLineCase{"OPEN   =   bin\\run.exe -a -b", "bin\\run.exe", "-a -b"},
                      OpenLineCase{"open=x y", "x", "y"}, OpenLineCase{"open= x y", "x", "y"},
                      OpenLineCase{"open=ab c", "ab", "c"},
                      OpenLineCase{"Opener=tool.exe", "tool.exe", ""}));

TEST(Autorun, OnlyTheFirstOpenLineCounts) {
    AutorunEntry entry = parse("[autorun]\nopen=one.exe 1\nopen=two.exe 2\n");
    ASSERT_TRUE(entry.Program);
    EXPECT_EQ(*entry.Program, "one.exe");
    EXPECT_EQ(entry.Parameters, "1");
}

TEST(Autorun, NoOpenLineNamesNoProgram) {
    AutorunEntry entry = parse("[autorun]\nicon=disc.ico\nlabel=Disc\n");
    EXPECT_TRUE(entry.IsAutorun);
    EXPECT_FALSE(entry.Program.has_value());
    EXPECT_FALSE(parse("[autorun]\nopen setup.exe\n").Program.has_value());
}

}  // namespace
}  // namespace kel::frontend
