// The field-by-field compare of raw sector blocks.
#include "frontend/compare/sector_compare.h"

#include <gtest/gtest.h>

#include <vector>

namespace kel::compare {
namespace {

using Lines = std::vector<ResultLine>;

ResultLine red(const std::string& text) {
    return {text, LineStyle::BoldRed};
}
ResultLine normal(const std::string& text) {
    return {text, LineStyle::Normal};
}

// A block of `sectors` sectors with the standard sync and the given mode.
std::vector<std::uint8_t> block(int sectors, std::uint8_t mode) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(sectors) * kRawSector);
    for (int s = 0; s < sectors; ++s) {
        std::uint8_t* sector = bytes.data() + static_cast<std::size_t>(s) * kRawSector;
        std::copy(kStandardSync.begin(), kStandardSync.end(), sector);
        sector[15] = mode;
        for (std::size_t i = 16; i < kRawSector; ++i) {
            sector[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(s));
        }
    }
    return bytes;
}

std::uint8_t& at(std::vector<std::uint8_t>& bytes, int sector, std::size_t offset) {
    return bytes[static_cast<std::size_t>(sector) * kRawSector + offset];
}

struct Outcome {
    Lines lines;
    std::uint8_t flag;
};

Outcome compare(const std::vector<std::uint8_t>& master, const std::vector<std::uint8_t>& copy,
                int sectors, bool ignoreSync = false) {
    Outcome run;
    run.flag = CompareBlock({master, copy, sectors, 1000, ignoreSync, kStandardSync}, run.lines);
    return run;
}

TEST(CompareBlock, EqualSectorsAndSyncOnlyDifferencesWriteNothing) {
    auto master = block(12, 1);
    auto copy = master;
    EXPECT_EQ(compare(master, copy, 12).lines, Lines{});
    at(copy, 3, 5) = 0x12;
    Outcome run = compare(master, copy, 12);
    EXPECT_EQ(run.lines, Lines{});
    EXPECT_EQ(run.flag, 1);
}

TEST(CompareBlock, Mode1FieldsEachNamedWithTheirFrame) {
    auto master = block(12, 1);
    auto copy = master;
    at(copy, 0, 13) ^= 1;    // header
    at(copy, 1, 16) ^= 1;    // first user byte
    at(copy, 2, 2063) ^= 1;  // last user byte
    at(copy, 3, 2064) ^= 1;  // EDC
    at(copy, 4, 2070) ^= 1;  // zero area
    at(copy, 5, 2351) ^= 1;  // last ECC byte
    Outcome run = compare(master, copy, 12);
    EXPECT_EQ(run.flag, 0);
    EXPECT_EQ(run.lines, (Lines{
                             red("     ERROR Header field difference"),
                             normal("  FRAME: 1000"),
                             red("     ERROR Data field difference"),
                             normal("  FRAME: 1001"),
                             red("     ERROR Data field difference"),
                             normal("  FRAME: 1002"),
                             red("     ERROR EDC/ECC field difference"),
                             normal("  FRAME: 1003"),
                             red("     ERROR EDC/ECC field difference"),
                             normal("  FRAME: 1004"),
                             red("     ERROR EDC/ECC field difference"),
                             normal("  FRAME: 1005"),
                         }));
}

TEST(CompareBlock, SyncDamageNamesTheDiscWhoseSyncIsWrong) {
    auto master = block(2, 1);
    auto copy = master;
    at(copy, 0, 4) = 0;  // the copy's sync is bad
    at(copy, 0, 100) ^= 1;
    at(master, 1, 11) = 0xFF;  // the master's sync is bad
    at(copy, 1, 200) ^= 1;
    EXPECT_EQ(compare(master, copy, 2).lines,
              (Lines{
                  red("SYNC Field Error on Copy (Probable drive error)"),
                  normal("     Frame: 1000"),
                  red("     ERROR Data field difference"),
                  normal("  FRAME: 1000"),
                  red("SYNC Field Error on Master (Probable drive error)"),
                  normal("     Frame: 1001"),
                  red("     ERROR Data field difference"),
                  normal("  FRAME: 1001"),
              }));
}

TEST(CompareBlock, IgnoredSyncLeavesHeaderAndFrameOnly) {
    auto master = block(1, 1);
    auto copy = master;
    at(copy, 0, 0) = 0x55;
    at(copy, 0, 12) ^= 1;
    EXPECT_EQ(compare(master, copy, 1, true).lines,
              (Lines{red("     ERROR Header field difference"), normal("  FRAME: 1000")}));
}

TEST(CompareBlock, Mode2FormsChosenByTheMastersSubmode) {
    auto master = block(5, 2);
    for (int s = 0; s < 5; ++s) {
        at(master, s, 18) = s >= 2 ? 0x20 : 0x08;  // sectors 2.. form 2
        at(master, s, 22) = at(master, s, 18);
    }
    auto copy = master;
    at(copy, 0, 17) ^= 1;    // subheader
    at(copy, 1, 2073) ^= 1;  // form 1 EDC
    at(copy, 2, 2100) ^= 1;  // form 2: user data (form 1 would call it ECC)
    at(copy, 3, 2349) ^= 1;  // form 2 EDC
    at(copy, 4, 24) ^= 1;    // form 2 first data byte
    EXPECT_EQ(compare(master, copy, 5).lines, (Lines{
                                                  red("     ERROR Subheader field difference"),
                                                  normal("  FRAME: 1000"),
                                                  red("     ERROR EDC/ECC field difference"),
                                                  normal("  FRAME: 1001"),
                                                  red("     ERROR Data field difference"),
                                                  normal("  FRAME: 1002"),
                                                  red("     ERROR EDC field difference"),
                                                  normal("  FRAME: 1003"),
                                                  red("     ERROR Data field difference"),
                                                  normal("  FRAME: 1004"),
                                              }));
}

TEST(CompareBlock, ModeByteWithLowBitsTwoCountsAsMode2) {
    auto master = block(1, 0x06);
    auto copy = master;
    at(copy, 0, 30) ^= 1;
    EXPECT_EQ(compare(master, copy, 1).lines,
              (Lines{red("     ERROR Data field difference"), normal("  FRAME: 1000")}));
}

TEST(CompareBlock, OtherModesStillReportADifference) {
    for (std::uint8_t mode : {0, 3, 0x41}) {
        auto master = block(2, mode);
        auto copy = master;
        at(copy, 1, 500) ^= 1;
        Outcome run = compare(master, copy, 2);
        EXPECT_EQ(run.flag, 0) << "mode " << int(mode);
        EXPECT_EQ(run.lines, (Lines{red("     ERROR Sector difference"), normal("  FRAME: 1001")}))
            << "mode " << int(mode);
    }
}

TEST(CompareBlock, ShortBuffersCompareNothing) {
    auto master = block(2, 1);
    auto copy = block(1, 1);
    at(master, 0, 100) ^= 1;
    Outcome run = compare(master, copy, 2);
    EXPECT_EQ(run.lines, Lines{});
}

}  // namespace
}  // namespace kel::compare
