// The real KELCD32 over drives that a user's machine may really have: an image
// that is gone, a device that is not there, an older SCSI-2 drive that
// refuses READ LONG and the block-length switch, a drive that refuses READ
// CAPACITY; and every request code of the link, once each.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/base/paths.h"
#include "platform/link/link_dir.h"
#include "server/client/link_client.h"
#include "server/request_codes.h"
#include "tests/server/windows_gone.h"
#include "tests/support/temp_folder.h"

namespace kel::server {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr int kSmallDisc = 300;
constexpr int kLargeDisc = 600;

std::string Code(std::uint16_t code) {
    return std::to_string(code);
}

class DriveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = kel::test::makeUniqueFolder("kel-faults-");
        ::setenv("KEL_LINK_DIR", (folder_ / "link").c_str(), 1);
        ::setenv("KEL_RUNTIME_DIR", (folder_ / "run").c_str(), 1);
        Write("small.iso", std::string(kSmallDisc * 2048, '\0'));
        Write("large.iso", std::string(kLargeDisc * 2048, '\0'));
        Write("audio.bin", std::string(kSmallDisc * 2352, '\0'));
        Write("mixed.cue",
              "FILE \"small.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
              "FILE \"audio.bin\" BINARY\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n");
    }

    void TearDown() override {
        Stop();
        // The last server still takes its window out of the folder.
        EXPECT_TRUE(NoWindowWithin(10s)) << "a server outlived its test";
        fs::remove_all(folder_);
    }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
    }

    // A descriptor over `image` with the drive section and faults given.
    std::string Drive(const std::string& name, const std::string& image,
                      const std::string& more = "") {
        Write(name, "[disc]\nimage = " + image + "\n" + more);
        return (folder_ / name).string();
    }

    void Serve(const std::string& drives) {
        Stop();
        ::setenv("KEL_DRIVES", drives.c_str(), 1);
        client_.emplace();
        std::string error;
        ASSERT_TRUE(client_->connect(15s, error)) << error;
    }

    void Stop() {
        if (client_ && client_->server() != 0) {
            client_->request({"0"});
        }
        client_.reset();
    }

    Lines Request(const Lines& lines) {
        auto reply = client_->request(lines);
        return reply ? LinkClient::lines(*reply) : Lines{"<no reply>"};
    }

    std::size_t ReplySize(const Lines& lines) {
        auto reply = client_->request(lines);
        return reply ? reply->size() : 0;
    }

    // One drive with the small disc and one standing empty: the device list
    // is whole and each answers under its own device number.
    void ExpectGoodAndEmptyDrive(const std::string& good, const std::string& empty) {
        Lines list = Request({Code(kSystemDeviceList)});
        // Two drives, six lines each, the count and the count line: no status.
        ASSERT_EQ(list.size(), 15u);
        EXPECT_EQ(list.back(), "15");
        EXPECT_EQ(list[1], "0");
        EXPECT_EQ(list[7], "1");
        // The empty drive: no medium, tray closed.
        EXPECT_EQ(Request({Code(kDiscVolumeInfo), empty}),
                  (Lines{Code(kDiscVolumeInfo), "0", "0", "0", "14849", "14849", "6"}));
        EXPECT_EQ(Request({Code(kDiscVolumeInfo), good})[4], std::to_string(kSmallDisc));
    }

    std::string ServerLog() {
        std::ifstream in(folder_ / "run" / "KELCD32.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Whether every link window (this test's clients and their servers) is
    // gone within `limit`.
    bool NoWindowWithin(std::chrono::milliseconds limit) {
        return kel::test::NoWindowWithin(folder_ / "link", limit);
    }

    fs::path folder_;
    std::optional<LinkClient> client_;
};

TEST_F(DriveFaults, FullRuntimeFolderLeavesAnEmptyDriveAndSaysWhy) {
    // A small file system of its own for the runtime folder, nearly full: the
    // log still fits (one page), the drive's shared state does not.
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "this machine lets no test mount a file system of its own (unshare -rm)";
    }
    const fs::path run = folder_ / "full";
    const fs::path out = folder_ / "client.out";
    fs::create_directories(run);
    const std::string script =
        "mount -t tmpfs -o size=256k tmpfs " + run.string() + " && head -c 258048 /dev/zero > " +
        run.string() + "/fill && KEL_RUNTIME_DIR=" + run.string() +
        " KEL_DRIVES=D:=" + (folder_ / "small.iso").string() + " " +
        (paths::programDir() / "kelcd-client").string() + " " + Code(kDiscVolumeInfo) + " 0 > " +
        out.string() + " 2>&1; echo exit $? >> " + out.string() + "; cat " + run.string() +
        "/KELCD32.log >> " + out.string();
    ASSERT_EQ(std::system(("unshare -rm sh -c '" + script + "'").c_str()), 0);
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    // The server answered (no signal ended it): the drive stands empty.
    EXPECT_NE(text.str().find("8490\n0\n0\n0\n14849\n14849\n6\nexit 0\n"), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("cannot keep the drive state in " + run.string() +
                              ": No space left on device"),
              std::string::npos)
        << text.str();
}

// A runtime folder that cannot take the server's log (here it is a file)
// costs the log, not the server: it starts and lists its drive.
TEST_F(DriveFaults, RuntimeFolderWithoutRoomForTheLogStillGetsAServer) {
    Write("not-a-folder", "plain text");
    ::setenv("KEL_RUNTIME_DIR", (folder_ / "not-a-folder").c_str(), 1);
    Serve("D:=" + (folder_ / "small.iso").string());
    Lines list = Request({Code(kSystemDeviceList)});
    ASSERT_EQ(list.size(), 9u);
    EXPECT_EQ(list[1], "0");
    EXPECT_EQ(list.back(), "9");
}

// The user's tool: every reply goes to --out's file, however short; numbers
// are decimal, or hex after 0x, never octal; the server's lines go to its log,
// not into the pipe that reads the tool.
TEST_F(DriveFaults, ClientToolWritesEachReplyToItsFileAndReadsNumbersAsWritten) {
    std::string numbered;
    for (int block = 0; block < kSmallDisc; ++block) {
        std::string sector = "sector " + std::to_string(block);
        numbered += sector + std::string(2048 - sector.size(), '\0');
    }
    Write("numbered.iso", numbered);
    const fs::path out = folder_ / "pipe.out";
    const std::string client = "KEL_DRIVES=D:=" + (folder_ / "numbered.iso").string() + " " +
                               (paths::programDir() / "kelcd-client").string();
    auto read = [&](const std::string& block) {
        const fs::path file = folder_ / ("block-" + block);
        const std::string command = client + " --out " + file.string() + " " +
                                    Code(kDiscReadCooked) + " 0 " + block + " 0 1 2>&1 | cat >> " +
                                    out.string();
        EXPECT_EQ(std::system(("sh -c '" + command + "'").c_str()), 0) << block;
        std::ifstream in(file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    };
    EXPECT_EQ(read("010"), numbered.substr(10 * 2048, 2048));
    EXPECT_EQ(read("08"), numbered.substr(8 * 2048, 2048));
    EXPECT_EQ(read("0x10"), numbered.substr(16 * 2048, 2048));
    std::ifstream in(out);
    std::stringstream piped;
    piped << in.rdbuf();
    EXPECT_EQ(piped.str(), "2048\n2048\n2048\n");
    EXPECT_TRUE(NoWindowWithin(2s));
    EXPECT_NE(ServerLog().find("request 0: closing"), std::string::npos) << ServerLog();
    // Nothing keeps a server past its starter any more, so the tool offers no such option.
    EXPECT_NE(std::system((client + " --keep " + Code(kSystemDeviceList) + " 2>/dev/null").c_str()),
              0);
}

TEST_F(DriveFaults, ClientsStartedTogetherEachGetTheirOwnServer) {
    ::setenv("KEL_DRIVES", ("D:=" + (folder_ / "small.iso").string()).c_str(), 1);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::array<link::Handle, 2> servers{};
        std::array<std::string, 2> errors;
        auto runClient = [&](std::size_t i) {
            LinkClient client;
            if (client.connect(15s, errors[i])) {
                servers[i] = client.server();
                client.request({"0"});
            }
        };
        std::thread first(runClient, 0);
        std::thread second(runClient, 1);
        first.join();
        second.join();
        ASSERT_NE(servers[0], 0u) << errors[0];
        ASSERT_NE(servers[1], 0u) << errors[1];
        EXPECT_NE(servers[0], servers[1]);
    }
    EXPECT_TRUE(NoWindowWithin(2s));
}

TEST_F(DriveFaults, MissingImageIsAnEmptyDriveAndAMissingDeviceIsSkipped) {
    const std::string good = (folder_ / "small.iso").string();
    const std::string missing = (folder_ / "missing.cue").string();
    for (const std::string& drives :
         {"D:=" + good + ";E:=" + missing, "E:=" + missing + ";D:=" + good,
          "D:=" + good + ";F:=/dev/sr97;E:=" + missing}) {
        SCOPED_TRACE(drives);
        Serve(drives);
        ExpectGoodAndEmptyDrive("0", "1");
    }
    EXPECT_NE(ServerLog().find(missing), std::string::npos) << ServerLog();
}

// A node that exists but serves no pass-through (a link in the test's own
// folder to /dev/null) stands empty at either letter: the list carries no
// status and the good drive answers under its own device number. So does a
// node of no device, where this user may make one.
TEST_F(DriveFaults, UnusableDeviceIsAnEmptyDriveAtEitherLetter) {
    std::vector<std::pair<fs::path, std::string>> nodes{{folder_ / "sg9", " is not a SCSI device"}};
    fs::create_symlink("/dev/null", nodes[0].first);
    const fs::path noDevice = folder_ / "sg21";
    if (std::system(("mknod " + noDevice.string() + " c 21 99 2>/dev/null").c_str()) == 0) {
        nodes.emplace_back(noDevice, ": No such device or address");
    }
    const std::string goodDisc = (folder_ / "small.iso").string();
    for (const auto& [node, why] : nodes) {
        for (const auto& [drives, good, empty] :
             {std::tuple{"D:=" + goodDisc + ";E:=" + node.string(), "0", "1"},
              std::tuple{"E:=" + goodDisc + ";D:=" + node.string(), "1", "0"}}) {
            SCOPED_TRACE(drives);
            Serve(drives);
            ExpectGoodAndEmptyDrive(good, empty);
        }
        EXPECT_NE(ServerLog().find(node.string() + why), std::string::npos) << ServerLog();
    }
}

// A device node this user may not open: one reached through a mount that
// allows no devices, which refuses every user, root too.
TEST_F(DriveFaults, DeviceThisUserMayNotOpenIsAnEmptyDriveAndTheLogSaysSo) {
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "this machine lets no test mount a file system of its own (unshare -rm)";
    }
    const fs::path node = folder_ / "sr9";
    const fs::path out = folder_ / "client.out";
    Write("sr9", "");
    const std::string client = (paths::programDir() / "kelcd-client").string() + " " +
                               Code(kSystemDeviceList) + " >> " + out.string() + " 2>&1";
    const std::string good = (folder_ / "small.iso").string();
    const std::string script =
        "mount --bind /dev/null " + node.string() + " && mount -o remount,bind,nodev " +
        node.string() + " && KEL_DRIVES=D:=" + good + "\\;E:=" + node.string() + " " + client +
        " && KEL_DRIVES=E:=" + good + "\\;D:=" + node.string() + " " + client;
    ASSERT_EQ(std::system(("unshare -rm sh -c '" + script + "'").c_str()), 0);
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    // Both lists whole: two drives and no status line before the count.
    const std::string tail = "\n2\n15\n";
    const std::size_t first = text.str().find(tail);
    ASSERT_NE(first, std::string::npos) << text.str();
    EXPECT_NE(text.str().find(tail, first + 1), std::string::npos) << text.str();
    EXPECT_NE(ServerLog().find("this user may not open " + node.string()), std::string::npos)
        << ServerLog();
}

TEST_F(DriveFaults, OlderDriveThatRefusesRawAccessAnswersWithAStatus) {
    Serve("D:=" + Drive("refusing.emu", "small.iso",
                        "[drive]\npersonality = scsi2\n[faults]\nreject-opcodes = 3E, 15\n"));
    const Lines refused{"INVALID_COMMAND_OPERATION_CODE", "8192", "2"};
    Lines one = Request({Code(kDiscReadData), "0", "16", "0"});
    EXPECT_EQ(Lines(one.begin() + 1, one.end()), refused);
    Lines run = Request({Code(kDiscReadRaw), "0", "16", "0", "2"});
    EXPECT_EQ(Lines(run.begin() + 1, run.end()), refused);
    // User data needs no switch.
    EXPECT_EQ(ReplySize({Code(kDiscReadCooked), "0", "16", "0", "2"}), 2u * 2048);
}

TEST_F(DriveFaults, TableOfContentsNeverShowsAnotherDrivesLeadOut) {
    Serve("D:=" + (folder_ / "large.iso").string() +
          ";E:=" + Drive("nocapacity.emu", "small.iso", "[faults]\nreject-opcodes = 25\n"));
    auto leadOut = [this](const char* device) {
        Lines toc = Request({Code(kDiscVolumeInfo), device});
        return toc.size() > 4 ? toc[4] : "<short reply>";
    };
    EXPECT_EQ(leadOut("1"), "0");
    EXPECT_EQ(leadOut("0"), std::to_string(kLargeDisc));
    EXPECT_EQ(leadOut("1"), "0");
}

// One row per request code: its parameter lines and what comes back, as
// lines after the code line or as a number of sector bytes.
struct Exchange {
    std::uint16_t code;
    Lines parameters;
    Lines answer;
    std::size_t sectorBytes = 0;
};

TEST_F(DriveFaults, EveryRequestCodeIsServed) {
    // D: an MMC drive; E: an older SCSI-2 drive with the vendor audio read,
    // whose paths are READ LONG, the block-length switch and that read.
    Serve("D:=" + (folder_ / "mixed.cue").string() + ";E:=" +
          Drive("older.emu", "mixed.cue", "[drive]\npersonality = scsi2\nvendor-cdda-read = on\n"));
    // Let both drives settle after the medium came in.
    for (const char* device : {"0", "1"}) {
        for (int i = 0; i < 3; ++i) {
            Request({Code(kDriveDeviceStatus), device});
        }
    }
    // The codes with replies of their own shape.
    EXPECT_EQ(Request({Code(kAudioQueryChannel), "0"}).back(), "16");
    EXPECT_EQ(Request({Code(kDiscVolumeInfo), "1"}).back(), "14");
    EXPECT_EQ(Request({Code(kDriveDeviceStatus), "1"}),
              (Lines{Code(kDriveDeviceStatus), "0", "0", "4"}));
    EXPECT_EQ(Request({Code(kSystemDeviceList)}).back(), "15");

    const std::string audio = std::to_string(kSmallDisc + 10);
    const std::vector<Exchange> exchanges{
        {kAudioGetChannelInfo, {}, {"2"}},
        {kAudioStatusInfo, {"0"}, {"0", "3"}},
        {kAudioSubChannel, {}, {"2"}},
        {kAudioIsDriveBusy, {}, {"2"}},
        {kAudioFastForward, {}, {"2"}},
        {kAudioPlay,
         {"0", std::to_string(kSmallDisc + 150), std::to_string(kSmallDisc + 300)},
         {"2"}},
        {kAudioPause, {"0"}, {"2"}},
        {kAudioResume, {"0"}, {"2"}},
        {kAudioStop, {"0"}, {"2"}},
        {kAudioSeek, {"0", audio}, {audio, "3"}},
        {kAudioSetChannelInfo, {}, {"2"}},
        {kDiscGet02, {}, {"2"}},
        {kDiscGet03, {}, {"2"}},
        {kDiscGet09, {}, {"2"}},
        {kDiscGet0E, {}, {"2"}},
        {kDiscGet26, {}, {"2"}},
        {kDiscSectorSize, {}, {"2"}},
        {kDiscReadAbsolute, {}, {"2"}},
        {kDiscReadPrefetch, {}, {"2"}},
        {kDiscReadVtoc, {}, {"2"}},
        {kDiscReadData, {"0", "16", "0"}, {}, 2352},
        {kDiscReadData, {"1", "16", "0"}, {}, 2352},
        {kDiscReadCooked, {"0", "16", "0", "3"}, {}, 3 * 2048},
        {kDiscReadCooked, {"1", "16", "0", "3"}, {}, 3 * 2048},
        {kDiscReadRaw, {"0", "16", "0", "3"}, {}, 3 * 2352},
        {kDiscReadRaw, {"1", "16", "0", "3"}, {}, 3 * 2352},
        {kDiscReadAudio, {"0", audio, "0", "3"}, {}, 3 * 2352},
        {kDiscReadAudio, {"1", audio, "0", "3"}, {}, 3 * 2352},
        {kDiscWrite + 5, {"7"}, {"7", "write"}},
        {kDriveHeaderAddress, {}, {"2"}},
        {kDriveHeaderError, {}, {"2"}},
        {kDriveHeadLocation, {}, {"2"}},
        {kDriveMediaChanged, {"1"}, {"1", "3"}},
        {kDriveHeaderBusy, {}, {"2"}},
        {kDriveHeaderDone, {}, {"2"}},
        {kDriveIsCdRom, {}, {"0", "3"}},
        {kDriveReadBytes, {}, {"2"}},
        {kDriveLock, {"1"}, {"2"}},
        {kDriveUnlock, {"1"}, {"2"}},
        {kDriveEject, {"1"}, {"2"}},
        {kDriveClose, {"1"}, {"2"}},
        {kDriveReset, {"0"}, {"2"}},
        {kDriveWriteBytes, {}, {"2"}},
        {kSystemDriveLetters, {}, {"2"}},
        {kSystemLetterCount, {}, {"2"}},
        {kSystemVdPreference, {}, {"2"}},
        {kSystemVersion, {}, {"2"}},
        {kSystemInstalled, {}, {"2"}},
        {kSystemSetVdPreference, {}, {"2"}},
    };
    for (const Exchange& exchange : exchanges) {
        Lines request{Code(exchange.code)};
        request.insert(request.end(), exchange.parameters.begin(), exchange.parameters.end());
        SCOPED_TRACE(request[0] + " on " + (request.size() > 1 ? request[1] : "-"));
        if (exchange.sectorBytes != 0) {
            EXPECT_EQ(ReplySize(request), exchange.sectorBytes);
            continue;
        }
        Lines expected{request[0]};
        expected.insert(expected.end(), exchange.answer.begin(), exchange.answer.end());
        EXPECT_EQ(Request(request), expected);
    }
}

}  // namespace
}  // namespace kel::server
