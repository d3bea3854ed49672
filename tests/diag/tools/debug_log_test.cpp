#include "diag/tools/debug_log.h"

#include <gtest/gtest.h>

#include <thread>

#include "log_file_fixture.h"

namespace kel::diag {
namespace {

using DebugLogTest = test::LogFileTest;

TEST_F(DebugLogTest, EachLineIsAppendedWithCrLfAndNoStamp) {
    DebugLog("first %d", 1);
    DebugLog("second %s", "line");
    EXPECT_EQ(logText(), "first 1\r\nsecond line\r\n");
}

TEST_F(DebugLogTest, TheFileIsReopenedForEveryLine) {
    DebugLog("gone");
    std::filesystem::remove(logPath());
    DebugLog("back");
    EXPECT_EQ(logText(), "back\r\n");
}

TEST_F(DebugLogTest, ALineIsCutAtItsLimit) {
    DebugLog("%s", std::string(1000, 'x'));
    EXPECT_EQ(logText(), std::string(kMaxLogLine, 'x') + "\r\n");
}

TEST_F(DebugLogTest, ALogThatCannotBeOpenedDropsItsLinesQuietly) {
    SetDebugLogPath(dir_ / "missing-folder" / "X.DBG");
    DebugLog("dropped");
    DumpBlock(std::vector<std::uint8_t>(16), 16, "dropped");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "missing-folder"));
    SetDebugLogPath(logPath());
    DebugLog("kept");
    EXPECT_EQ(logText(), "kept\r\n");
}

TEST_F(DebugLogTest, LinesOfManyThreadsNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kLines = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                DebugLog("%s", std::string(200, static_cast<char>('a' + t)));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const std::string& line : lines) {
        ASSERT_EQ(line, std::string(200, line[0]));
    }
}

TEST_F(DebugLogTest, DumpBlockLengthsAreBoundedByRuleAndByTheBuffer) {
    std::vector<std::uint8_t> big(10000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i / 16);  // every line differs
    }
    for (int length : {0, -5}) {
        std::filesystem::remove(logPath());
        DumpBlock(big, length, "T");
        const auto lines = logLines();
        ASSERT_EQ(lines.size(), 2u + 16u) << length;  // "", title, 16 lines
        EXPECT_EQ(lines.back().substr(0, 4), "00F0");
    }
    std::filesystem::remove(logPath());
    DumpBlock(big, 10000, "T");
    EXPECT_EQ(logLines().back().substr(0, 4), "1FF0");

    // A length beyond the buffer dumps the buffer only.
    std::filesystem::remove(logPath());
    const std::vector<std::uint8_t> small(20, 1);
    DumpBlock(small, 4096, "T");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].substr(0, 4), "0010");
    EXPECT_EQ(lines[3].substr(55), "....|");
}

TEST_F(DebugLogTest, DumpTitlesFollowAnEmptyLine) {
    const std::vector<std::uint8_t> zeros(2048, 0);
    DumpSector(zeros, 16, "PVD");
    EXPECT_EQ(logText(),
              "\r\n--------- Sector 16: PVD ---------\r\n"
              "0000 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  |................|\r\n"
              "---------- Omitted lines same as above ----------\r\n");
    std::filesystem::remove(logPath());
    DumpBlock(zeros, 16, "Mode Sense Data");
    EXPECT_EQ(logLines()[1], "--------- Mode Sense Data ---------");
}

TEST_F(DebugLogTest, LongTitlesAreCut) {
    const std::vector<std::uint8_t> bytes(16, 0);
    DumpBlock(bytes, 16, std::string(200, 't'));
    EXPECT_EQ(logLines()[1], "--------- " + std::string(77, 't') + " ---------");
    std::filesystem::remove(logPath());
    DumpSector(bytes, -2147483647 - 1, std::string(200, 't'));
    const std::string title = logLines()[1];
    EXPECT_EQ(title.rfind("--------- Sector -2147483648: ", 0), 0u);
    EXPECT_EQ(title, "--------- Sector -2147483648: " + std::string(57, 't') + " ---------");
}

TEST_F(DebugLogTest, DumpSectorOfAShortBufferStopsAtItsEnd) {
    const std::vector<std::uint8_t> bytes(40, 0x41);
    DumpSector(bytes, 1, "short");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 5u);  // "", title, line, omission, the 8-byte tail
    EXPECT_EQ(lines[4].substr(55), "AAAAAAAA|");
}

TEST_F(DebugLogTest, HeaderNamesTheVersionsAndMarksAMissingProgramVersion) {
    WriteLogHeader("1.2.3.4");
    WriteLogHeader("");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Program Version: 1.2.3.4");
    const std::uint32_t controls = GetDllVersion("COMCTL32.DLL");
    EXPECT_NE(controls, 0u);
    EXPECT_EQ(lines[1], "COMCTL32 version = " + std::to_string(controls >> 16) + "." +
                            std::to_string(controls & 0xFFFF));
    EXPECT_EQ(lines[2], "Program Version: *** Error ***");
}

TEST(GetDllVersion, AnUnknownLibraryHasNoVersion) {
    EXPECT_EQ(GetDllVersion("shell32.dll"), 0u);
    EXPECT_EQ(GetDllVersion(""), 0u);
}

TEST(DebugLogFileName, ComesFromTheProgramFileNameOnly) {
    EXPECT_EQ(DebugLogFileName("MORVALE"), "MORVALE.DBG");
    EXPECT_EQ(DebugLogFileName("C:\\Tools\\MORVALE.EXE"), "MORVALE.DBG");
    EXPECT_EQ(DebugLogFileName("/opt/kel.d/MORVALE"), "MORVALE.DBG");
    EXPECT_EQ(DebugLogFileName("/opt/kel.d/morvale.bin"), "morvale.DBG");
    EXPECT_EQ(DebugLogFileName("a.b.c"), "a.b.DBG");
    EXPECT_EQ(DebugLogFileName(""), "MORVALE.DBG");
    EXPECT_EQ(DebugLogFileName("/opt/"), "MORVALE.DBG");
}

TEST(DebugLogPath, LiesBesideTheProgramUnderItsName) {
    SetDebugLogPath({});
    const std::filesystem::path path = DebugLogPath();
    EXPECT_EQ(path.extension(), ".DBG");
    EXPECT_EQ(path.stem(), "diag_tools_test");
}

}  // namespace
}  // namespace kel::diag
