// The options block through the settings key: defaults of a first start,
// a round trip, and stored values that are damaged or out of range.
#include "options_fixture.h"

namespace kel::diag {
namespace {

using test::OptionsFixture;
using OptionsStore = OptionsFixture;

TEST_F(OptionsStore, FirstStartWithoutSettingsGivesTheDefaults) {
    Options().intensiveUdfScan = 1;
    Options().quietReads = 0;
    LoadOptions();
    const OptionsBlock& o = Options();
    EXPECT_EQ(o.savePosition, 1);
    EXPECT_EQ(o.sortInitial, 1);
    EXPECT_EQ(o.autoStart, 1);
    EXPECT_EQ(o.removeVersion, 0);
    EXPECT_EQ(o.debugMode, 0);
    EXPECT_EQ(o.quickSamples, 500);
    EXPECT_EQ(o.moderateSamples, 10000);
    EXPECT_EQ(o.fixedFont, "Courier New");
    EXPECT_EQ(o.fixedFontSize, -15);
    EXPECT_EQ(o.errorLogFile, "ERRORLOG.TXT");
    EXPECT_EQ(o.guideFlags, (std::array<std::uint8_t, 10>{}));
    EXPECT_EQ(GuideFlags(), 0u);
    EXPECT_EQ(o.intensiveUdfScan, 0) << "forced for one run only";
    EXPECT_EQ(o.quietReads, 1);
    ASSERT_FALSE(o.tempPath.empty());
    EXPECT_EQ(o.tempPath.back(), '/');
}

TEST_F(OptionsStore, SavedOptionsReadBackAndOnlyTheStoredOnesAreWritten) {
    OptionsBlock& o = Options();
    o.removeVersion = 1;
    o.ignoreJoliet = 1;
    o.savePosition = 0;
    o.keepUdfDuplicates = 1;
    o.autoStart = 0;
    o.showAll = 1;
    o.thresholdsEnabled = 1;
    o.quickSamples = 7;
    o.moderateSamples = 70;
    o.fixedFontSize = -20;
    o.fixedFont = "Mono";
    o.errorLogFile = "/var/tmp/errors.txt";
    o.recoverableThreshold = 5;
    SetGuideFlags(0b1000000001);
    SaveOptions();

    RegistryKey key = settings();
    EXPECT_EQ(key.ReadString("GuideUser", ""), "1,0,0,0,0,0,0,0,0,1");
    EXPECT_EQ(key.ReadString("TempPath", "none"), "none");
    EXPECT_EQ(key.ReadString("ErrorRecovered", "none"), "none");

    Options() = OptionsBlock{};
    LoadOptions();
    EXPECT_EQ(o.removeVersion, 1);
    EXPECT_EQ(o.ignoreJoliet, 1);
    EXPECT_EQ(o.savePosition, 0);
    EXPECT_EQ(o.keepUdfDuplicates, 1);
    EXPECT_EQ(o.autoStart, 0);
    EXPECT_EQ(o.showAll, 1);
    EXPECT_EQ(o.thresholdsEnabled, 1);
    EXPECT_EQ(o.quickSamples, 7);
    EXPECT_EQ(o.moderateSamples, 70);
    EXPECT_EQ(o.fixedFontSize, -20);
    EXPECT_EQ(o.fixedFont, "Mono");
    EXPECT_EQ(o.errorLogFile, "/var/tmp/errors.txt");
    EXPECT_EQ(o.recoverableThreshold, 0) << "read only by the sheet";
    EXPECT_EQ(o.guideFlags, (std::array<std::uint8_t, 10>{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(GuideFlags(), 0b1000000001u);
}

TEST_F(OptionsStore, DebugModeFromTheCommandLineIsKeptAndSaved) {
    logSwitches().debugMode = true;
    LoadOptions();
    EXPECT_EQ(Options().debugMode, 1);
    SaveOptions();
    EXPECT_TRUE(settings().ReadBool("DebugMode", false));

    // And a stored debug mode switches the log on without the command line.
    logSwitches().debugMode = false;
    Options() = OptionsBlock{};
    LoadOptions();
    EXPECT_TRUE(logSwitches().debugMode);
}

TEST_F(OptionsStore, GuidePiecesSetTheirFlagsAndMissingPiecesLeaveThemAlone) {
    std::array<std::uint8_t, 10> flags{};
    flags[5] = 1;
    ApplyGuideUserText("1,1", flags);
    EXPECT_EQ(flags, (std::array<std::uint8_t, 10>{1, 1, 0, 0, 0, 1, 0, 0, 0, 0}));

    // Junk reads as the C library reads a number: leading digits count.
    flags.fill(1);
    ApplyGuideUserText("0,x, 7,,2abc,0x5,-3", flags);
    EXPECT_EQ(flags, (std::array<std::uint8_t, 10>{0, 0, 1, 0, 1, 0, 1, 1, 1, 1}));

    // More than ten pieces: the rest are ignored.
    flags.fill(0);
    ApplyGuideUserText("1,1,1,1,1,1,1,1,1,1,1,1", flags);
    EXPECT_EQ(GuideUserText(flags), "1,1,1,1,1,1,1,1,1,1");
}

TEST_F(OptionsStore, StoredGuideTextOfJunkLeavesGuidesOff) {
    settings().WriteString("GuideUser", "yes,please,\x01\xff");
    LoadOptions();
    EXPECT_EQ(GuideFlags(), 0u);
}

TEST_F(OptionsStore, NumbersOutOfRangeAreBroughtBackIntoRange) {
    RegistryKey key = settings();
    key.WriteDword("ErrorSumQuick", 0);
    key.WriteDword("ErrorSumModerate", 0xFFFFFFFF);
    key.WriteDword("MonoFontSize", 100000);
    LoadOptions();
    EXPECT_EQ(Options().quickSamples, 1);
    EXPECT_EQ(Options().moderateSamples, 0x7FFFFFFF) << "a DWORD above the signed range";
    EXPECT_EQ(Options().fixedFontSize, -15);

    key.WriteDword("ErrorSumQuick", 800);
    key.WriteDword("ErrorSumModerate", 300);
    LoadOptions();
    EXPECT_EQ(Options().quickSamples, 800);
    EXPECT_EQ(Options().moderateSamples, 800) << "never below the quick count";
}

TEST_F(OptionsStore, ValuesOfTheWrongTypeOrTooLongFallBackToTheirDefaults) {
    RegistryKey key = settings();
    key.WriteString("SortInitial", "0");
    key.WriteString("ErrorSumQuick", "12");
    key.WriteString("MonoFont", std::string(51, 'F'));
    key.WriteString("ErrorLogFile", std::string(300, 'e'));
    key.WriteString("TempPath", std::string(260, 't'));
    LoadOptions();
    EXPECT_EQ(Options().sortInitial, 1);
    EXPECT_EQ(Options().quickSamples, 500);
    EXPECT_EQ(Options().fixedFont, "Courier New");
    EXPECT_EQ(Options().errorLogFile, "ERRORLOG.TXT");
    EXPECT_NE(Options().tempPath.substr(0, 10), std::string(10, 't'));

    key.WriteString("MonoFont", std::string(50, 'F'));
    key.WriteString("TempPath", "/work/temp");
    LoadOptions();
    EXPECT_EQ(Options().fixedFont, std::string(50, 'F'));
    EXPECT_EQ(Options().tempPath, "/work/temp/");
}

TEST_F(OptionsStore, DismissedGuideIsSaved) {
    LoadOptions();
    SetGuideFlags(0b11);
    SetMessageResponder([](int, std::uint16_t, const std::string&) { return 1; });
    EXPECT_EQ(ShowGuide(254, kGuideAfterScan), 1);
    EXPECT_EQ(settings().ReadString("GuideUser", ""), "0,1,0,0,0,0,0,0,0,0");
}

TEST_F(OptionsStore, ResetStatisticsDeletesThresholdsAndHistory) {
    RegistryKey key = settings();
    key.WriteString("ErrorRecovered", "4");
    key.WriteString("ErrorUnrecovered", "5");
    RegistryKey history;
    ASSERT_TRUE(history.Open("MORVALE\\ErrorSum"));
    history.WriteDword("Runs", 3);
    ResetErrorStatistics();
    EXPECT_EQ(key.ReadString("ErrorRecovered", "gone"), "gone");
    EXPECT_EQ(key.ReadString("ErrorUnrecovered", "gone"), "gone");
    EXPECT_EQ(history.ReadDword("Runs", 0), 0u);
}

}  // namespace
}  // namespace kel::diag
