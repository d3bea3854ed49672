// The record file and the report after playback: error messages with their
// packs, snapshots saved as numbered bitmaps that Qt reads back as drawn.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "diag/tools/cdg/cdg_record_file.h"
#include "diag/tools/cdg/cdg_report.h"
#include "diag/tools/cdg/cdg_snapshot.h"
#include "diag/ui/messages.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

struct Shown {
    int id;
    std::string text;
};

class CdgReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            shown.push_back({id, text});
            return answer::kOk;
        });
        std::string path;
        records = CdgRecordFile::Create(folder.path().string() + "/", path);
        ASSERT_NE(records, nullptr) << path;
    }
    void TearDown() override {
        SetMessageResponder({});
        SetSnapshotNameDialog({});
    }

    // A screen with a distinct colour in each corner region.
    static CdgScreen testScreen(std::uint8_t tint) {
        CdgScreen screen;
        for (int y = 0; y < kCdgHeight; ++y) {
            for (int x = 0; x < kCdgWidth; ++x) {
                screen.at(x, y) = std::uint8_t((x / 100 + 3 * (y / 72) + tint) % 16);
            }
        }
        for (std::size_t i = 0; i < kCdgColours; ++i) {
            screen.palette[i] = {std::uint8_t(i * 16), std::uint8_t(255 - i * 16),
                                 std::uint8_t(i * 8 + tint), 0};
        }
        return screen;
    }

    static void expectImage(const std::filesystem::path& file, const CdgScreen& screen) {
        QImage image(QString::fromStdString(file.string()));
        ASSERT_FALSE(image.isNull()) << file;
        ASSERT_EQ(image.width(), kCdgWidth);
        ASSERT_EQ(image.height(), kCdgHeight);
        ASSERT_EQ(image.format(), QImage::Format_Indexed8);
        ASSERT_EQ(image.colorCount(), 16);
        for (std::size_t i = 0; i < kCdgColours; ++i) {
            const CdgColour& c = screen.palette[i];
            EXPECT_EQ(image.color(int(i)), qRgb(c.red, c.green, c.blue)) << "colour " << i;
        }
        for (int y = 0; y < kCdgHeight; ++y) {
            for (int x = 0; x < kCdgWidth; ++x) {
                if (image.pixelIndex(x, y) != screen.at(x, y)) {
                    FAIL() << "pixel " << x << "," << y;
                }
            }
        }
    }

    kel::test::TempFolder folder;
    std::unique_ptr<CdgRecordFile> records;
    std::vector<Shown> shown;
};

TEST_F(CdgReportTest, OneErrorIsShownWithItsPacketAndPackBytes) {
    CdgPack pack{};
    for (std::size_t i = 0; i < pack.size(); ++i) {
        pack[i] = std::uint8_t(i * 2 + 1);
    }
    pack[1] = 6;
    ASSERT_TRUE(records->AppendError(301, 7001, pack));
    ReportCdgRecords(*records);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, 239);
    EXPECT_EQ(shown[0].text,
              "CD+G error occurred at packet 301 in input\nError: Invalid row number\n"
              "01 06 05 07 09 0b 0d 0f 11 13 15 17 19 1b 1d 1f 21 23 25 27 29 2b 2d 2f ");
}

TEST_F(CdgReportTest, ManyErrorsShareOneBoxWithTheirCountAndTheFirstPackets) {
    for (std::uint32_t packet = 302; packet < 302 + 40; ++packet) {
        ASSERT_TRUE(records->AppendError(packet, packet % 2 == 0 ? 7003 : 7002, CdgPack{}));
    }
    ReportCdgRecords(*records);
    ASSERT_EQ(shown.size(), 1u) << "one box per playback";
    EXPECT_EQ(shown[0].id, 240);
    const std::string zeros =
        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ";
    EXPECT_EQ(shown[0].text,
              "40 CD+G errors occurred in input; the first 3 of them:\n"
              "Packet 302: Invalid scroll amount\n" +
                  zeros + "\nPacket 303: Invalid column number\n" + zeros +
                  "\nPacket 304: Invalid scroll amount\n" + zeros);
}

TEST_F(CdgReportTest, SnapshotsGetOneNameAndRunningNumbersAndReadBackAsDrawn) {
    int asked = 0;
    SetSnapshotNameDialog([&] {
        ++asked;
        return (folder / "shot.bmp").string();
    });
    const CdgScreen screens[3] = {testScreen(0), testScreen(5), testScreen(9)};
    for (const CdgScreen& screen : screens) {
        ASSERT_TRUE(records->AppendSnapshot(1000, screen));
    }
    ReportCdgRecords(*records);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(shown.empty());
    for (int i = 0; i < 3; ++i) {
        const auto file = folder / ("shot00" + std::to_string(i + 1) + ".BMP");
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        EXPECT_EQ(std::filesystem::file_size(file), 118u + 64800u);
        expectImage(file, screens[i]);
    }
}

TEST_F(CdgReportTest, CancelledNameDialogSkipsThatSnapshotAndAsksAgain) {
    int asked = 0;
    SetSnapshotNameDialog([&] { return ++asked == 1 ? std::string() : (folder / "pic").string(); });
    records->AppendSnapshot(1, testScreen(1));
    records->AppendError(2, 7002, CdgPack{});
    records->AppendSnapshot(3, testScreen(2));
    records->AppendSnapshot(4, testScreen(3));
    ReportCdgRecords(*records);
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, 239);
    expectImage(folder / "pic001.BMP", testScreen(2));
    expectImage(folder / "pic002.BMP", testScreen(3));
    EXPECT_FALSE(std::filesystem::exists(folder / "pic003.BMP"));
}

TEST_F(CdgReportTest, SnapshotThatCannotBeCreatedIsReported) {
    SetSnapshotNameDialog([&] { return (folder / "gone" / "shot").string(); });
    records->AppendSnapshot(1, testScreen(0));
    ReportCdgRecords(*records);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, 131);
    EXPECT_NE(shown[0].text.find((folder / "gone" / "shot001.BMP").string()), std::string::npos);
}

TEST_F(CdgReportTest, EarlierSnapshotsAreNeverOverwritten) {
    // shot001 and shot003 from an earlier playback stay as they were.
    for (const char* earlier : {"shot001.BMP", "shot003.BMP"}) {
        std::ofstream(folder / earlier) << "earlier";
    }
    SetSnapshotNameDialog([&] { return (folder / "shot").string(); });
    records->AppendSnapshot(1, testScreen(1));
    records->AppendSnapshot(2, testScreen(2));
    ReportCdgRecords(*records);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(std::filesystem::file_size(folder / "shot001.BMP"), 7u);
    EXPECT_EQ(std::filesystem::file_size(folder / "shot003.BMP"), 7u);
    expectImage(folder / "shot002.BMP", testScreen(1));
    expectImage(folder / "shot004.BMP", testScreen(2));
}

TEST_F(CdgReportTest, SnapshotThatCannotBeWrittenIsReportedAndRemoved) {
    const CdgScreen screen = testScreen(0);
    std::array<std::uint8_t, kCdgColours * 4> palette{};
    std::array<std::uint8_t, kCdgPixels> pixels{};
    CopyPalette(screen, palette);
    CopyBottomUp(screen, pixels);
    // A stream that takes no bytes: every write fails.
    const std::string path = (folder / "shot001.BMP").string();
    std::ofstream(path) << "partial";
    std::FILE* readOnly = std::fopen(path.c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(WriteSnapshotBmp(readOnly, path, palette, pixels));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, 132);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CdgSnapshotName, FinalBmpInAnyCaseGivesWayToTheNumber) {
    EXPECT_EQ(SnapshotFileName("shot", 1), "shot001.BMP");
    EXPECT_EQ(SnapshotFileName("shot.bmp", 2), "shot002.BMP");
    EXPECT_EQ(SnapshotFileName("/a/shot.Bmp", 3), "/a/shot003.BMP");
    EXPECT_EQ(SnapshotFileName("shot.bmp.png", 12), "shot.bmp.png012.BMP");
    EXPECT_EQ(SnapshotFileName(".BMP", 1), "001.BMP");
}

TEST(CdgRecordFileLife, NamedAfterItsPrefixInTheFolderAndRemovedWhenClosed) {
    kel::test::TempFolder folder;
    std::string first;
    std::string second;
    auto a = CdgRecordFile::Create(folder.path().string() + "/", first);
    auto b = CdgRecordFile::Create(folder.path().string() + "/", second);
    ASSERT_TRUE(a && b);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::filesystem::path(first).filename().string().substr(0, 3), "CXG");
    EXPECT_TRUE(std::filesystem::exists(first));
    a.reset();
    EXPECT_FALSE(std::filesystem::exists(first));
    std::string missing;
    EXPECT_EQ(CdgRecordFile::Create((folder / "absent").string() + "/", missing), nullptr);
    EXPECT_NE(missing.find("absent/CXG"), std::string::npos);
}

// A crash during playback leaves its record file; the next start removes
// it, but never the file of a player that still runs.
TEST(CdgRecordFileLife, FilesOfRunsThatAreGoneAreRemovedAtStart) {
    kel::test::TempFolder folder;
    const std::string where = folder.path().string() + "/";
    std::string mine;
    auto own = CdgRecordFile::Create(where, mine);
    ASSERT_TRUE(own);
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another player: it makes its file, tells its name, and ends without
        // cleaning up when told to.
        std::string theirs;
        auto file = CdgRecordFile::Create(where, theirs);
        theirs.resize(file ? theirs.size() : 0);
        theirs.resize(64, '\0');
        char go = 0;
        const bool ok = ::write(fromChild[1], theirs.data(), theirs.size()) == 64 &&
                        ::read(toChild[0], &go, 1) == 1;
        ::_exit(ok ? 0 : 1);
    }
    char name[64] = {};
    ASSERT_EQ(::read(fromChild[0], name, sizeof name), 64);
    const std::filesystem::path theirs = name;
    ASSERT_TRUE(std::filesystem::exists(theirs));
    std::ofstream(folder / "CXG00AB.TMP") << "left by a crash";
    for (const char* other : {"CXG00AB.TXT", "MOV0001.TMP", "CXGZZZZ.TMP", "CXG00ABC.TMP"}) {
        std::ofstream(folder / other) << "not a record file";
    }
    CdgRecordFile::RemoveAbandoned(where);
    EXPECT_FALSE(std::filesystem::exists(folder / "CXG00AB.TMP"));
    EXPECT_TRUE(std::filesystem::exists(mine)) << "this run's";
    EXPECT_TRUE(std::filesystem::exists(theirs)) << "a running player's";
    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    CdgRecordFile::RemoveAbandoned(where);
    EXPECT_FALSE(std::filesystem::exists(theirs)) << "its player is gone";
    EXPECT_TRUE(std::filesystem::exists(mine));
    for (const char* other : {"CXG00AB.TXT", "MOV0001.TMP", "CXGZZZZ.TMP", "CXG00ABC.TMP"}) {
        EXPECT_TRUE(std::filesystem::exists(folder / other)) << other;
    }
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
        ::close(fd);
    }
    own.reset();
    EXPECT_FALSE(std::filesystem::exists(mine));
}

}  // namespace
}  // namespace kel::diag
