// The CD+G decoder fed with packs from mkdisc's own packet writer: the
// screen it draws, pixel by pixel, and the rule violations it records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "diag/tools/cdg/cdg_decoder.h"
#include "diag/tools/debug_log.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/cdg_instruction.h"
#include "tools/mkdisc/cdg_pack.h"

namespace kel::diag {
namespace {

using mkdisc::CdgData;

struct Recorded {
    std::uint32_t packet;
    int stringId;
    CdgPack pack;
};

class CdgDecoderTest : public ::testing::Test {
protected:
    // Executes one recipe instruction ("tile row=1 ...") as its pack.
    bool run(const std::string& text) {
        auto parsed = mkdisc::parseCdgInstruction(text);
        const auto* instruction = std::get_if<mkdisc::CdgInstruction>(&parsed);
        if (instruction == nullptr) {
            ADD_FAILURE() << std::get<std::string>(parsed);
            return false;
        }
        return decoder.ExecuteCdgInstruction(
            mkdisc::makeCdgPack(instruction->instruction, instruction->data));
    }

    // Every pixel of the screen against `expected(x, y)`; stops at the first
    // difference.
    template <typename Expected>
    void expectScreen(Expected expected) {
        for (int y = 0; y < kCdgHeight; ++y) {
            for (int x = 0; x < kCdgWidth; ++x) {
                const int want = expected(x, y);
                if (decoder.screen().at(x, y) != want) {
                    FAIL() << "pixel " << x << "," << y << " is " << int(decoder.screen().at(x, y))
                           << ", not " << want;
                }
            }
        }
    }

    std::vector<Recorded> errors;
    CdgDecoder decoder{[this](std::uint32_t packet, int id, const CdgPack& pack) {
        errors.push_back({packet, id, pack});
    }};
};

TEST_F(CdgDecoderTest, PresetsFillTheScreenAndTheTopAndBottomBorder) {
    EXPECT_TRUE(run("memory-preset colour=7 repeat=3"));
    expectScreen([](int, int) { return 7; });
    EXPECT_TRUE(run("border-preset colour=2"));
    expectScreen([](int, int y) { return y < 12 || y >= 204 ? 2 : 7; });
    EXPECT_TRUE(errors.empty());
}

TEST_F(CdgDecoderTest, TileBlockDrawsSixPixelsARowLeftBitFirst) {
    run("memory-preset colour=9");
    EXPECT_TRUE(run("tile row=2 column=3 colours=4,C pixels=20,01,3F,00,2A,15,20,01,3F,00,2A,15"));
    const int rows[12] = {0x20, 0x01, 0x3F, 0x00, 0x2A, 0x15, 0x20, 0x01, 0x3F, 0x00, 0x2A, 0x15};
    expectScreen([&](int x, int y) {
        if (x < 18 || x >= 24 || y < 24 || y >= 36) {
            return 9;
        }
        return (rows[y - 24] >> (5 - (x - 18))) & 1 ? 12 : 4;
    });
}

TEST_F(CdgDecoderTest, TileBlockXorCombinesWithWhatIsThere) {
    run("memory-preset colour=5");
    run("tile-xor row=0 column=0 colours=3,A pixels=3F,00,3F,00,3F,00,3F,00,3F,00,3F,00");
    expectScreen([](int x, int y) {
        if (x >= 6 || y >= 12) {
            return 5;
        }
        return y % 2 == 0 ? (5 ^ 0xA) : (5 ^ 3);
    });
}

TEST_F(CdgDecoderTest, OffScreenTileIsRecordedTwiceAndDrawnAtTheLastRowAndColumn) {
    run("memory-preset colour=0");
    run("tile row=18 column=55 colours=1,2 pixels=3F,3F,3F,3F,3F,3F,3F,3F,3F,3F,3F,3F");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].stringId, cdg_error::kInvalidRow);
    EXPECT_EQ(errors[1].stringId, cdg_error::kInvalidColumn);
    EXPECT_EQ(errors[0].pack[1], 6);
    EXPECT_EQ(errors[0].pack[6], 18);
    EXPECT_EQ(errors[0].pack[7], 55);
    expectScreen([](int x, int y) { return x >= 294 && y >= 204 ? 2 : 0; });
}

TEST_F(CdgDecoderTest, RecordedTilePackHasItsColourFieldsCutToFourBits) {
    CdgData data{};
    data[0] = 0x3F;  // colour 15 with two stray bits
    data[1] = 0x21;
    data[2] = 31;
    CdgPack pack = mkdisc::makeCdgPack(6, data);
    pack[1] |= 0xC0;  // P and Q bits are not part of the pack's symbols
    decoder.ExecuteCdgInstruction(pack);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].pack[1], 6);
    EXPECT_EQ(errors[0].pack[4], 0x0F);
    EXPECT_EQ(errors[0].pack[5], 0x01);
    EXPECT_EQ(decoder.screen().at(0, 215), 0x0F);
}

TEST_F(CdgDecoderTest, ScrollCopyRightBringsTheRightmostColumnsInAtTheLeft) {
    // Each column its own colour, so that every move shows.
    for (int column = 0; column < 50; ++column) {
        run("tile row=0 column=" + std::to_string(column) +
            " colours=" + "0123456789ABCDEF"[column % 16] + ",0 pixels=0,0,0,0,0,0,0,0,0,0,0,0");
    }
    const CdgScreen before = decoder.screen();
    EXPECT_FALSE(run("scroll-copy h=right")) << "a scroll shows with the next redraw";
    expectScreen([&](int x, int y) { return before.at((x + 300 - 6) % 300, y); });
    run("scroll-copy h=left");
    expectScreen([&](int x, int y) { return before.at(x, y); });
}

TEST_F(CdgDecoderTest, ScrollPresetUpFillsTheBottomRowsWithTheColour) {
    for (int row = 0; row < 18; ++row) {
        run("tile row=" + std::to_string(row) + " column=0 colours=" +
            "0123456789ABCDEF"[row % 16] + ",0 pixels=0,0,0,0,0,0,0,0,0,0,0,0");
    }
    const CdgScreen before = decoder.screen();
    run("scroll-preset colour=14 v=up");
    expectScreen([&](int x, int y) { return y >= 204 ? 14 : before.at(x, y + 12); });
    run("scroll-preset colour=3 v=down h=left");
    expectScreen([&](int x, int y) { return y < 12 || x >= 294 ? 3 : before.at(x + 6, y); });
}

TEST_F(CdgDecoderTest, ScrollOffsetsAreKeptAndBadOnesRecorded) {
    run("scroll-copy h-offset=4 v-offset=9");
    EXPECT_EQ(decoder.screen().hOffset, 4);
    EXPECT_EQ(decoder.screen().vOffset, 9);
    EXPECT_TRUE(errors.empty());
    run("scroll-copy h-offset=7 v-offset=15");
    EXPECT_EQ(decoder.screen().hOffset, 5);
    EXPECT_EQ(decoder.screen().vOffset, 11);
    // Both scroll commands 0x30 ("neither way"), as no recipe writes them.
    CdgData data{};
    data[1] = 0x30;
    data[2] = 0x30;
    decoder.ExecuteCdgInstruction(mkdisc::makeCdgPack(24, data));
    ASSERT_EQ(errors.size(), 4u);
    for (const Recorded& error : errors) {
        EXPECT_EQ(error.stringId, cdg_error::kInvalidScroll);
    }
}

TEST_F(CdgDecoderTest, ColourTablesGiveFourBitComponentsInTheHighHalf) {
    EXPECT_TRUE(run("colours-low FFF F00 0F0 00F 123 000 000 000"));
    EXPECT_TRUE(run("colours-high 000 000 000 000 000 000 000 8C4"));
    const auto& palette = decoder.screen().palette;
    const auto rgb = [&](std::size_t i) {
        return std::vector<int>{palette[i].red, palette[i].green, palette[i].blue};
    };
    EXPECT_EQ(rgb(0), (std::vector<int>{0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(rgb(1), (std::vector<int>{0xF0, 0, 0}));
    EXPECT_EQ(rgb(2), (std::vector<int>{0, 0xF0, 0}));
    EXPECT_EQ(rgb(3), (std::vector<int>{0, 0, 0xF0}));
    EXPECT_EQ(rgb(4), (std::vector<int>{0x10, 0x20, 0x30}));
    EXPECT_EQ(rgb(15), (std::vector<int>{0x80, 0xC0, 0x40}));
    // The symbol pair 0x3F, 0x3F as a drive delivers it.
    CdgData data{};
    data[0] = data[1] = 0x3F;
    decoder.ExecuteCdgInstruction(mkdisc::makeCdgPack(30, data));
    EXPECT_EQ(rgb(0), (std::vector<int>{0xF0, 0xF0, 0xF0}));
}

TEST_F(CdgDecoderTest, SectorsCountEveryPackAndRunOnlyGraphicsPacks) {
    std::array<std::uint8_t, kSubcodeBytes> sector{};
    CdgData colour{};
    colour[0] = 6;
    const CdgPack preset = mkdisc::makeCdgPack(1, colour);
    std::copy(preset.begin(), preset.end(), sector.begin() + 24);
    sector[48] = 0x08;  // another mode: skipped
    sector[49] = 1;
    sector[52] = 9;
    EXPECT_TRUE(decoder.DecodeSubcodeSector(sector));
    EXPECT_EQ(decoder.packetNumber(), 4u);
    EXPECT_EQ(decoder.screen().at(100, 100), 6);

    sector.fill(0);
    sector[0] = 0xC9;  // P and Q bits set: still mode 1, item 1
    sector[1] = 2;
    sector[4] = 3;
    EXPECT_TRUE(decoder.DecodeSubcodeSector(sector));
    EXPECT_EQ(decoder.packetNumber(), 8u);
    EXPECT_EQ(decoder.screen().at(0, 0), 3);
}

TEST_F(CdgDecoderTest, ErrorsCarryThePacketNumberOfTheirPack) {
    std::array<std::uint8_t, kSubcodeBytes> sector{};
    CdgData data{};
    data[2] = 20;
    const CdgPack tile = mkdisc::makeCdgPack(6, data);
    std::copy(tile.begin(), tile.end(), sector.begin() + 72);
    decoder.DecodeSubcodeSector(sector);
    decoder.DecodeSubcodeSector(sector);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].packet, 4u);
    EXPECT_EQ(errors[1].packet, 8u);
}

TEST_F(CdgDecoderTest, UnknownInstructionIsLoggedInDebugModeOnly) {
    kel::test::TempFolder folder;
    SetDebugLogPath(folder / "cdg.dbg");
    CdgData data{};
    decoder.ExecuteCdgInstruction(mkdisc::makeCdgPack(0x2F, data));
    EXPECT_FALSE(std::filesystem::exists(folder / "cdg.dbg"));
    logSwitches().debugMode = true;
    decoder.ExecuteCdgInstruction(mkdisc::makeCdgPack(0x2F, data));
    logSwitches().debugMode = false;
    SetDebugLogPath({});
    std::ifstream log(folder / "cdg.dbg");
    std::string line;
    std::getline(log, line);
    EXPECT_EQ(line, "Unknown CD+G instruction 2f encountered.\r");
    expectScreen([](int, int) { return 0; });
}

// Damaged subcode of every kind: the screen keeps its size and its colour
// indexes, the offsets their ranges (the sanitizer build watches the writes).
TEST_F(CdgDecoderTest, RandomPacksNeverLeaveTheScreen) {
    std::mt19937 random(1234);
    std::array<std::uint8_t, kSubcodeBytes> sector{};
    const std::uint8_t codes[] = {1, 2, 6, 20, 24, 28, 30, 31, 38, 0, 63};
    for (int n = 0; n < 20000; ++n) {
        for (auto& byte : sector) {
            byte = std::uint8_t(random());
        }
        for (std::size_t pack = 0; pack < 4; ++pack) {
            sector[24 * pack] = (random() % 4 != 0) ? 9 : sector[24 * pack];
            sector[24 * pack + 1] = codes[random() % std::size(codes)] | (random() % 4) << 6;
        }
        decoder.DecodeSubcodeSector(sector);
        ASSERT_LE(decoder.screen().hOffset, 5);
        ASSERT_LE(decoder.screen().vOffset, 11);
    }
    for (std::uint8_t pixel : decoder.screen().pixels) {
        ASSERT_LE(pixel, 15);
    }
    EXPECT_FALSE(errors.empty());
    for (const Recorded& error : errors) {
        EXPECT_TRUE(error.stringId >= 7001 && error.stringId <= 7003) << error.stringId;
    }
}

}  // namespace
}  // namespace kel::diag
