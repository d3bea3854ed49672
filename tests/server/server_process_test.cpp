// The real KELCD32 process against emulated drives, through the link as a
// front end talks to it: reply lines, sector bytes and drive state.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <variant>

#include "emu/disc/loader.h"
#include "emu/sector/sector.h"
#include "server/client/link_client.h"
#include "tests/server/windows_gone.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/build_disc.h"
#include "tools/mkdisc/recipe_parser.h"

namespace kel::server {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr const char* kMixedRecipe = R"([disc]
name = mixed
layout = mixed
[inquiry]
vendor = KELTEST
[faults]
hard = 100-110
[data]
file = README.TXT text=hello
file = DATA.BIN size=200000
volume-id = MIXED
[audio]
length = 2s
pregap = 2s
[audio]
length = 1s
pre-emphasis = yes
copy = yes
)";

constexpr const char* kAudioRecipe = R"([disc]
name = audio
layout = audio
[audio]
length = 10s
[audio]
length = 5s
)";

constexpr const char* kCdrRecipe = R"([disc]
name = cdr
layout = multi-session
medium = cd-r
state = appendable
write-method = tao
[atip]
lead-in-start = 97:15:17
last-lead-out = 79:59:74
[data]
volume-id = FIRST
file = ONE.TXT text=first session
[session]
import = yes
[data]
volume-id = SECOND
file = TWO.TXT text=second session
)";

class ServerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v xorriso >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "xorriso is not installed; it makes the data track";
        }
        folder_ = kel::test::makeUniqueFolder("kel-server-");
        ::setenv("KEL_LINK_DIR", (folder_ / "link").c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "run").c_str(), 1);
        mixed_ = Build(kMixedRecipe, "mixed");
        audio_ = Build(kAudioRecipe, "audio");
        empty_ = Build(kAudioRecipe, "empty");
        cdr_ = Build(kCdrRecipe, "cdr");
        std::string drives =
            "D:=" + mixed_.descriptor.string() + ";E:=" + audio_.descriptor.string() +
            ";F:=" + empty_.descriptor.string() + ";G:=" + cdr_.descriptor.string();
        ::setenv("KEL_DRIVES", drives.c_str(), 1);
        // The client's window lives in the link folder set above.
        client_.emplace();
        std::string error;
        ASSERT_TRUE(client_->connect(15s, error)) << error;
        // Drive F: stands empty with its tray open.
        ASSERT_EQ(Request({"13585", "2"}), (Lines{"13585", "2"}));
    }

    void TearDown() override {
        if (client_ && client_->server() != 0) {
            client_->request({"0"});
        }
        client_.reset();
        if (!folder_.empty()) {
            // The server still takes its window out of the folder.
            EXPECT_TRUE(kel::test::NoWindowWithin(folder_ / "link", 10s))
                << "a server outlived its test";
            fs::remove_all(folder_);
        }
    }

    mkdisc::BuiltDisc Build(const char* recipeText, const std::string& name) {
        fs::path out = folder_ / name;
        std::string text = recipeText;
        text.replace(text.find("name = ") + 7,
                     text.find('\n', text.find("name = ")) - text.find("name = ") - 7, name);
        auto recipe = mkdisc::parseRecipe(text, folder_ / (name + ".recipe"));
        if (auto* error = std::get_if<mkdisc::BuildError>(&recipe)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        auto built = mkdisc::buildDisc(std::get<mkdisc::Recipe>(recipe), {out});
        if (auto* error = std::get_if<mkdisc::BuildError>(&built)) {
            ADD_FAILURE() << error->text();
            return {};
        }
        return std::get<mkdisc::BuiltDisc>(built);
    }

    Lines Request(const Lines& lines) {
        auto reply = client_->request(lines);
        return reply ? LinkClient::lines(*reply) : Lines{"<no reply>"};
    }

    std::vector<std::uint8_t> Sectors(const Lines& lines) {
        auto reply = client_->request(lines);
        return reply ? *reply : std::vector<std::uint8_t>{};
    }

    std::vector<std::uint8_t> BinBytes(const mkdisc::BuiltDisc& disc, std::size_t offset,
                                       std::size_t size) {
        std::ifstream in(disc.bins.front(), std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        std::vector<std::uint8_t> bytes(size);
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
        return bytes;
    }

    // The audio status, DiscLba and current track of a position query.
    struct Position {
        int status;
        long lba;
        int track;
    };
    Position Query(int device) {
        Lines reply = Request({"4871", std::to_string(device)});
        EXPECT_EQ(reply.size(), 16u);
        if (reply.size() != 16u) {
            return {-1, -1, -1};
        }
        return {std::stoi(reply[14]), std::stol(reply[11]), std::stoi(reply[13])};
    }

    fs::path folder_;
    mkdisc::BuiltDisc mixed_, audio_, empty_, cdr_;
    std::optional<LinkClient> client_;
};

TEST_F(ServerProcess, ListsEveryConfiguredDrive) {
    Lines reply = Request({"16645"});
    ASSERT_EQ(reply.size(), 27u);
    EXPECT_EQ(reply[1], "0");
    EXPECT_EQ(reply[2], "5");
    EXPECT_EQ(reply[5], "KELTEST");
    EXPECT_EQ(reply[7], "1");
    EXPECT_EQ(reply[13], "2");
    EXPECT_EQ(reply[19], "3");
    EXPECT_EQ(reply[25], "4");
    EXPECT_EQ(reply[26], "27");
}

TEST_F(ServerProcess, TableOfContentsMatchesTheImage) {
    auto loaded = emu::loadDrive(mixed_.cue);
    ASSERT_TRUE(std::holds_alternative<emu::LoadedDrive>(loaded));
    const emu::Disc& disc = std::get<emu::LoadedDrive>(loaded).disc;
    Lines expected{"8490", "1", "3", "3", std::to_string(disc.leadOut)};
    for (const emu::Track& track : disc.tracks) {
        expected.push_back(std::to_string(track.number));
        expected.push_back(std::to_string(track.start));
        expected.push_back(std::to_string(track.control));
        expected.push_back("1");
    }
    expected.push_back("18");
    EXPECT_EQ(Request({"8490", "0"}), expected);
    // The tray-open drive fails with "medium not present, tray open".
    EXPECT_EQ(Request({"8490", "2"}), (Lines{"8490", "0", "0", "0", "14850", "14850", "6"}));
}

TEST_F(ServerProcess, RecordableDiscListsBothSessionsAndRefusesItsGap) {
    auto loaded = emu::loadDrive(cdr_.descriptor);
    ASSERT_TRUE(std::holds_alternative<emu::LoadedDrive>(loaded))
        << std::get<emu::LoadError>(loaded).text();
    const emu::Disc& disc = std::get<emu::LoadedDrive>(loaded).disc;
    ASSERT_EQ(disc.tracks.size(), 2u);
    Lines reply = Request({"8490", "3"});
    ASSERT_EQ(reply.size(), 14u);
    EXPECT_EQ(Lines(reply.begin() + 1, reply.begin() + 4), (Lines{"1", "2", "2"}));
    EXPECT_EQ(reply[6], std::to_string(disc.tracks[0].start));
    EXPECT_EQ(reply[10], std::to_string(disc.tracks[1].start));
    EXPECT_EQ(reply[13], "14");

    // The second session's first sector reads; the gap before it does not.
    std::int32_t second = disc.tracks[1].start;
    EXPECT_EQ(Sectors({"9226", "3", std::to_string(second + 16), "0"}).size(), 2352u);
    EXPECT_EQ(Request({"9226", "3", std::to_string(second - 1000), "0"}),
              (Lines{"9226", "LOGICAL_BLOCK_ADDRESS_OUT_OF_RANGE", "8448", "2"}));
}

TEST_F(ServerProcess, RawCookedAndAudioSectorsMatchTheImage) {
    std::vector<std::uint8_t> raw = Sectors({"9226", "0", "16", "0"});
    ASSERT_EQ(raw.size(), 2352u);
    EXPECT_EQ(raw, BinBytes(mixed_, 16 * 2352, 2352));
    EXPECT_EQ(raw[12], 0x00);  // header: 00:02:16, mode 1
    EXPECT_EQ(raw[13], 0x02);
    EXPECT_EQ(raw[14], 0x16);
    EXPECT_EQ(raw[15], 0x01);
    std::uint32_t edc = emu::sector::edc(std::span(raw).first(2064));
    EXPECT_EQ(raw[2064] | raw[2065] << 8 | raw[2066] << 16 | std::uint32_t{raw[2067]} << 24, edc);

    std::vector<std::uint8_t> cooked = Sectors({"9262", "0", "16", "0", "2"});
    ASSERT_EQ(cooked.size(), 4096u);
    EXPECT_TRUE(std::equal(cooked.begin(), cooked.begin() + 2048, raw.begin() + 16));

    std::vector<std::uint8_t> run = Sectors({"9263", "0", "20", "0", "27"});
    EXPECT_EQ(run, BinBytes(mixed_, 20 * 2352, 27 * 2352));

    std::vector<std::uint8_t> audio = Sectors({"9264", "1", "300", "0", "3"});
    EXPECT_EQ(audio, BinBytes(audio_, 300 * 2352, 3 * 2352));
}

TEST_F(ServerProcess, InjectedBadSectorIsNamed) {
    EXPECT_EQ(Request({"9226", "0", "105", "0"}),
              (Lines{"9226", "UNRECOVERED_READ_ERROR", "4352", "2"}));
    EXPECT_EQ(Request({"9263", "0", "95", "0", "10"}),
              (Lines{"9263", "UNRECOVERED_READ_ERROR", "4352", "2"}));
}

TEST_F(ServerProcess, LockedTrayRefusesEjectAndMediaChangeFollowsASwap) {
    EXPECT_EQ(Request({"13593", "0"}), (Lines{"13593", "2"}));
    EXPECT_EQ(Request({"13585", "0"}), (Lines{"13585", "21250", "2"}));
    EXPECT_EQ(Request({"13613", "0"}), (Lines{"13613", "2"}));

    // Settle: the first polls may see the unit attention of the last load.
    for (int i = 0; i < 3; ++i) {
        Request({"12570", "0"});
    }
    EXPECT_EQ(Request({"12570", "0"}), (Lines{"12570", "1", "3"}));
    EXPECT_EQ(Request({"13585", "0"}), (Lines{"13585", "2"}));
    EXPECT_EQ(Request({"12570", "0"}), (Lines{"12570", "255", "3"}));
    EXPECT_EQ(Request({"12570", "0"}), (Lines{"12570", "1", "3"}));
    EXPECT_EQ(Request({"13577", "0"}), (Lines{"13577", "2"}));
    EXPECT_EQ(Request({"12570", "0"}), (Lines{"12570", "255", "3"}));
    // A loaded drive passes through "not ready" and one unit attention, each
    // a change of the start status, before it settles.
    int polls = 0;
    while (Request({"12570", "0"}) != Lines{"12570", "1", "3"} && polls < 4) {
        ++polls;
    }
    EXPECT_LT(polls, 4);
    EXPECT_EQ(Request({"12557", "0"}), (Lines{"12557", "0", "0", "4"}));
}

TEST_F(ServerProcess, PlayAdvancesWithTheClockAndPausesAndResumes) {
    // Track 2 of the audio disc starts at 10 s + 2 s of lead-in time.
    EXPECT_EQ(Request({"5404", "1", "150", "1050"}), (Lines{"5404", "2"}));
    Position first = Query(1);
    EXPECT_EQ(first.status, 0x11);
    std::this_thread::sleep_for(300ms);
    Position later = Query(1);
    EXPECT_GE(later.lba - first.lba, 10);
    EXPECT_EQ(Request({"5425", "1"}), (Lines{"5425", "2"}));
    Position paused = Query(1);
    EXPECT_EQ(paused.status, 0x12);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(Query(1).lba, paused.lba);
    EXPECT_EQ(Request({"5407", "1"}), (Lines{"5407", "2"}));
    EXPECT_EQ(Query(1).status, 0x11);
    EXPECT_EQ(Request({"5411", "1"}), (Lines{"5411", "2"}));
    Lines seek = Request({"5409", "1", "800"});
    ASSERT_EQ(seek.size(), 3u);
    EXPECT_EQ(seek[1], "800");
}

TEST_F(ServerProcess, PlayInsideTheDataTrackFails) {
    EXPECT_EQ(Request({"5404", "0", "150", "300"}), (Lines{"5404", "25600", "2"}));
}

TEST_F(ServerProcess, UnknownCodesEchoAndCodeZeroEndsTheServer) {
    EXPECT_EQ(Request({"20771", "3"}), (Lines{"20771", "3"}));
    EXPECT_EQ(Request({"0"}), (Lines{"0", "2"}));
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(client_->request({"4386"}).has_value());
}

}  // namespace
}  // namespace kel::server
