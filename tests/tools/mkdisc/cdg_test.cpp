// The CD+G packet writer: instructions as a recipe writes them, packs with
// their parity, and a built track's R-W packs read back through the
// emulated drive exactly as written, packet for packet.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "drive_queries.h"
#include "emu/disc/loader.h"
#include "scratch_disc.h"
#include "tools/mkdisc/cdg_instruction.h"
#include "tools/mkdisc/cdg_pack.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::mkdisc {
namespace {

CdgInstruction instructionOf(const std::string& text) {
    auto parsed = parseCdgInstruction(text);
    if (auto* problem = std::get_if<std::string>(&parsed)) {
        ADD_FAILURE() << text << ": " << *problem;
        return {};
    }
    return std::get<CdgInstruction>(parsed);
}

// A codeword's syndromes: sum of c[i] alpha^(j (n-1-i)) for each root alpha^j.
std::uint8_t syndrome(const std::uint8_t* symbols, std::size_t length, int root) {
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        sum ^= gf64Multiply(symbols[i], gf64Power(root * static_cast<int>(length - 1 - i)));
    }
    return sum;
}

TEST(CdgPack, CarriesParityQOverTheHeadAndParityPOverThePack) {
    CdgData data{};
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    for (const std::uint8_t instruction : {cdg::kMemoryPreset, cdg::kTileBlockXor}) {
        const CdgPack pack = makeCdgPack(instruction, data);
        EXPECT_EQ(pack[0], 0x09);
        EXPECT_EQ(pack[1], instruction);
        for (int root = 0; root < 2; ++root) {
            EXPECT_EQ(syndrome(pack.data(), 4, root), 0) << "Q root " << root;
        }
        for (int root = 0; root < 4; ++root) {
            EXPECT_EQ(syndrome(pack.data(), 24, root), 0) << "P root " << root;
        }
        for (const std::uint8_t symbol : pack) {
            EXPECT_LT(symbol, 64);
        }
    }
}

TEST(CdgPack, FieldArithmeticIsGf64) {
    EXPECT_EQ(gf64Power(6), 0x03) << "x^6 = x + 1";
    EXPECT_EQ(gf64Power(63), 1);
    for (int a = 1; a < 64; ++a) {
        EXPECT_EQ(gf64Multiply(static_cast<std::uint8_t>(a), gf64Power(0)), a);
        EXPECT_EQ(gf64Multiply(static_cast<std::uint8_t>(a), 0), 0);
    }
}

TEST(CdgPack, InterleaveSwapsThreePairsAndDelaysBySymbolPosition) {
    const std::vector<std::pair<std::size_t, std::size_t>> swapped = {{1, 18}, {18, 1}, {2, 5},
                                                                      {5, 2},  {3, 23}, {23, 3}};
    for (const auto& [position, source] : swapped) {
        EXPECT_EQ(interleaveSource(position).symbol, source);
    }
    EXPECT_EQ(interleaveSource(0).symbol, 0u);
    EXPECT_EQ(interleaveSource(10).symbol, 10u);
    for (std::size_t i = 0; i < kPackSymbols; ++i) {
        EXPECT_EQ(interleaveSource(i).packsBack, static_cast<int>(i % 8));
    }
}

TEST(CdgInstructionParser, EncodesEveryInstruction) {
    const CdgInstruction preset = instructionOf("memory-preset colour=3 repeat=16");
    EXPECT_EQ(preset.instruction, cdg::kMemoryPreset);
    EXPECT_EQ(preset.data[0], 3);
    EXPECT_EQ(preset.count, 16);
    EXPECT_EQ(preset.atPack, -1);

    const CdgInstruction border = instructionOf("@2s border-preset colour=15");
    EXPECT_EQ(border.instruction, cdg::kBorderPreset);
    EXPECT_EQ(border.data[0], 15);
    EXPECT_EQ(border.atPack, 2 * 75 * 4);

    const CdgInstruction tile = instructionOf(
        "tile row=18 column=55 colours=1,E pixels=3F,21,21,21,21,21,21,21,21,21,21,3F");
    EXPECT_EQ(tile.instruction, cdg::kTileBlock);
    EXPECT_EQ(tile.data[0], 1);
    EXPECT_EQ(tile.data[1], 14);
    EXPECT_EQ(tile.data[2], 18) << "off-screen rows are written as given";
    EXPECT_EQ(tile.data[3], 55);
    EXPECT_EQ(tile.data[4], 0x3F);
    EXPECT_EQ(tile.data[5], 0x21);
    EXPECT_EQ(tile.data[15], 0x3F);
    EXPECT_EQ(instructionOf("tile-xor row=0 column=0 colours=0,1 pixels=0,0,0,0,0,0,0,0,0,0,0,1")
                  .instruction,
              cdg::kTileBlockXor);

    const CdgInstruction scroll =
        instructionOf("scroll-preset colour=2 h=left h-offset=5 v=up v-offset=11");
    EXPECT_EQ(scroll.instruction, cdg::kScrollPreset);
    EXPECT_EQ(scroll.data[0], 2);
    EXPECT_EQ(scroll.data[1], 0x25);
    EXPECT_EQ(scroll.data[2], 0x2B);
    const CdgInstruction copy = instructionOf("scroll-copy h=right v=down");
    EXPECT_EQ(copy.instruction, cdg::kScrollCopy);
    EXPECT_EQ(copy.data[1], 0x10);
    EXPECT_EQ(copy.data[2], 0x10);

    // Red and the top of green, then the rest of green and blue: a player
    // reads red (a & 0x3C) * 4, green ((a & 3) << 6) | (b & 0x30), blue (b & 15) * 16.
    const CdgInstruction low = instructionOf("colours-low FFF 000 F00 0F0 00F 123 9A5 C3E");
    EXPECT_EQ(low.instruction, cdg::kLoadColoursLow);
    const auto decode = [&low](std::size_t colour) {
        const unsigned a = low.data[2 * colour], b = low.data[2 * colour + 1];
        return std::array<unsigned, 3>{(a & 0x3C) * 4, ((a & 3) << 6) | (b & 0x30),
                                       (b & 0x0F) * 16};
    };
    EXPECT_EQ(low.data[0], 0x3F);
    EXPECT_EQ(low.data[1], 0x3F);
    EXPECT_EQ(decode(2), (std::array<unsigned, 3>{0xF0, 0, 0}));
    EXPECT_EQ(decode(3), (std::array<unsigned, 3>{0, 0xF0, 0}));
    EXPECT_EQ(decode(4), (std::array<unsigned, 3>{0, 0, 0xF0}));
    EXPECT_EQ(decode(6), (std::array<unsigned, 3>{0x90, 0xA0, 0x50}));
    EXPECT_EQ(instructionOf("colours-high 000 000 000 000 000 000 000 FFF").instruction,
              cdg::kLoadColoursHigh);
}

TEST(CdgInstructionParser, SaysWhatIsWrong) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"", "wants an instruction"},
        {"flash colour=1", "unknown CD+G instruction 'flash'"},
        {"memory-preset", "needs colour="},
        {"memory-preset colour=16", "colour wants 0 to 15"},
        {"memory-preset colour=1 colour=2", "'colour' given twice"},
        {"memory-preset colour=1 shade=2", "no field 'shade'"},
        {"border-preset colour", "key=value"},
        {"tile row=1 column=1 colours=1,2 pixels=1,2,3", "12 hexadecimal values"},
        {"tile row=32 column=1 colours=1,2 pixels=0,0,0,0,0,0,0,0,0,0,0,0", "row wants 0 to 31"},
        {"tile row=1 column=1 colours=1,16 pixels=0,0,0,0,0,0,0,0,0,0,0,0", "colours wants 2"},
        {"tile row=1 column=1 colours=1,2 pixels=0,0,0,0,0,0,0,0,0,0,0,40", "0 to 3F"},
        {"scroll-copy h=sideways", "h wants one of none, right, left"},
        {"scroll-preset v-offset=16", "v-offset wants 0 to 15"},
        {"colours-low FFF", "wants 8 colours"},
        {"colours-high FFF FFF FFF FFF FFF FFF FFF FGF", "'FGF' is not a colour"},
        {"@soon memory-preset colour=1", "wants a time"},
    };
    for (const auto& [text, says] : bad) {
        auto parsed = parseCdgInstruction(text);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << text;
        EXPECT_NE(std::get<std::string>(parsed).find(says), std::string::npos)
            << text << " -> " << std::get<std::string>(parsed);
    }
}

const char* const kCdgRecipe = R"([disc]
name = cdg
layout = audio
[audio]
pregap = 2s
length = 2s
tone = 440
cdg = memory-preset colour=0 repeat=16
cdg = colours-low 000 FFF F00 0F0 00F FF0 0FF F0F
cdg = border-preset colour=2
cdg = @10 tile row=5 column=10 colours=0,1 pixels=3F,21,21,21,21,21,21,21,21,21,21,3F
cdg = tile-xor row=5 column=11 colours=0,3 pixels=0C,0C,0C,0C,0C,0C,0C,0C,0C,0C,0C,0C
cdg = scroll-preset colour=1 h=left h-offset=2
cdg = scroll-copy v=up v-offset=3
cdg = @1s tile row=18 column=55 colours=4,5 pixels=1,2,3,4,5,6,7,8,9,A,B,C
[audio]
length = 1s
)";

// The packs a track's instructions ask for, by pack number from its index 1.
std::map<std::int64_t, CdgPack> expectedPacks(const TrackRecipe& track) {
    std::map<std::int64_t, CdgPack> packs;
    std::int64_t next = 0;
    for (const CdgInstruction& instruction : track.graphics) {
        next = instruction.atPack >= 0 ? instruction.atPack : next;
        for (int repeat = 0; repeat < instruction.count; ++repeat) {
            CdgData data = instruction.data;
            data[1] = instruction.count > 1 ? static_cast<std::uint8_t>(repeat) : data[1];
            packs[next++] = makeCdgPack(instruction.instruction, data);
        }
    }
    return packs;
}

// Reads a track's R-W packs through the drive (READ CD, sub-channel 4) and
// checks each against the recipe's: graphics where it asked for them, zeros
// elsewhere. `track` counts the recipe's tracks from 0.
void expectTrackPacksAsWritten(const std::string& recipeText, std::size_t track) {
    testing::ScratchFolder scratch;
    auto result = scratch.build("cdg.recipe", recipeText);
    ASSERT_TRUE(std::holds_alternative<BuiltDisc>(result)) << std::get<BuildError>(result).text();
    const BuiltDisc& built = std::get<BuiltDisc>(result);
    ASSERT_FALSE(built.subchannel.empty());
    EXPECT_EQ(std::filesystem::file_size(built.subchannel),
              static_cast<std::uintmax_t>(built.plan.leadOut + 2) * 96)
        << "the last packs' symbols reach two sectors into the lead-out";
    auto recipe = parseRecipe(recipeText, scratch.path() / "cdg.recipe");
    ASSERT_TRUE(std::holds_alternative<Recipe>(recipe));
    const auto wanted = expectedPacks(std::get<Recipe>(recipe).tracks.at(track));

    testing::DriveQueries drive(built.descriptor);
    const TrackPlacement& placed = built.plan.tracks.at(track);
    const int sectors = placed.writtenEnd - placed.start;
    const testing::Answer answer = drive.readCdAudio(placed.start, sectors, 4);
    ASSERT_TRUE(answer.ok) << int(answer.key) << "/" << int(answer.asc);
    ASSERT_EQ(answer.data.size(), static_cast<std::size_t>(sectors) * (2352 + 96));
    std::size_t graphics = 0;
    for (int sector = 0; sector < sectors; ++sector) {
        const std::uint8_t* rw = &answer.data[static_cast<std::size_t>(sector) * 2448 + 2352];
        for (std::size_t p = 0; p < kPacksPerSector; ++p) {
            const std::int64_t number = sector * 4 + static_cast<std::int64_t>(p);
            CdgPack got{};
            for (std::size_t i = 0; i < kPackSymbols; ++i) {
                got[i] = rw[p * kPackSymbols + i] & 0x3F;
            }
            const auto found = wanted.find(number);
            const CdgPack none{};
            EXPECT_EQ(got, found == wanted.end() ? none : found->second) << "pack " << number;
            graphics += found == wanted.end() ? 0 : 1;
        }
    }
    EXPECT_EQ(graphics, wanted.size());
}

TEST(CdgTrack, RwPacksComeBackThroughTheDriveExactlyAsWritten) {
    ASSERT_NO_FATAL_FAILURE(expectTrackPacksAsWritten(kCdgRecipe, 0));

    // Raw P-W is the file as written; Q is the position, P the pregap.
    testing::ScratchFolder scratch;
    auto result = scratch.build("cdg.recipe", kCdgRecipe);
    ASSERT_TRUE(std::holds_alternative<BuiltDisc>(result)) << std::get<BuildError>(result).text();
    const BuiltDisc& built = std::get<BuiltDisc>(result);
    testing::DriveQueries drive(built.descriptor);
    const testing::Answer raw = drive.readCdAudio(0, 2, 1);
    ASSERT_TRUE(raw.ok);
    std::ifstream file(built.subchannel, std::ios::binary);
    std::vector<char> first(96);
    file.read(first.data(), 96);
    EXPECT_EQ(std::memcmp(raw.data.data() + 2352, first.data(), 96), 0);
    EXPECT_EQ(raw.data[2352] & 0x80, 0x80) << "P is set in the pregap";
    const TrackPlacement& track = built.plan.tracks.front();
    const testing::Answer q = drive.readCdAudio(track.start + 5, 1, 2);
    ASSERT_TRUE(q.ok);
    EXPECT_EQ(q.data[2352 + 1], 0x01) << "track 1";
    EXPECT_EQ(q.data[2352 + 2], 0x01) << "index 1";
    EXPECT_EQ(q.data[2352 + 5], 0x05) << "5 frames into the track";
}

// A pack's symbols spread over it and the 7 packs after it, so packs at a
// track's end lean on the sectors that follow: the next track, the run-out
// of a track written track-at-once, or the lead-out at the end of the disc.
TEST(CdgTrack, PacksUpToATracksLastSectorComeBackWhole) {
    const std::string toTheEnd =
        "cdg = @19 memory-preset colour=1 repeat=3\n"
        "cdg = tile row=1 column=1 colours=0,F pixels=3F,1,2,3,4,5,6,7,8,9,A,3F\n";
    for (const std::string& disc : {
             "[disc]\nlayout = audio\n[audio]\nlength = 20\n" + toTheEnd + "[audio]\nlength = 20\n",
             "[disc]\nlayout = audio\n[audio]\nlength = 20\n" + toTheEnd,
             "[disc]\nlayout = audio\nmedium = cd-r\nwrite-method = tao\n"
             "[audio]\nlength = 20\n" +
                 toTheEnd,
         }) {
        SCOPED_TRACE(disc);
        ASSERT_NO_FATAL_FAILURE(expectTrackPacksAsWritten(disc, 0));
    }
}

TEST(CdgTrack, LeadOutRecordsCarryTheLeadOutPosition) {
    testing::ScratchFolder scratch;
    auto result = scratch.build("cdg.recipe", kCdgRecipe);
    ASSERT_TRUE(std::holds_alternative<BuiltDisc>(result)) << std::get<BuildError>(result).text();
    const BuiltDisc& built = std::get<BuiltDisc>(result);
    std::ifstream file(built.subchannel, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(built.plan.leadOut + 1) * 96);
    std::array<std::uint8_t, 96> raw{};
    file.read(reinterpret_cast<char*>(raw.data()), raw.size());
    ASSERT_TRUE(file);
    std::array<std::uint8_t, 12> q{};
    for (std::size_t bit = 0; bit < raw.size(); ++bit) {
        EXPECT_EQ(raw[bit] & 0x80, 0) << "P is clear";
        q[bit / 8] |= (raw[bit] & 0x40) ? static_cast<std::uint8_t>(0x80 >> (bit % 8)) : 0;
    }
    EXPECT_EQ(q[1], 0xAA) << "the lead-out";
    EXPECT_EQ(q[2], 0x01);
    EXPECT_EQ(q[5], 0x01) << "one frame into it";
}

}  // namespace
}  // namespace kel::mkdisc
