// The player end to end on an emulated CD+G disc: the whole track reaches the
// wave output (a WAV file here) sample for sample, its graphics are checked
// to the last sector, and the window's buttons stop it and take snapshots.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "diag/device/device_access.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/cdg/cdg_player.h"
#include "diag/tools/cdg/cdg_player_window.h"
#include "diag/tools/cdg/cdg_snapshot.h"
#include "diag/tools/cdg/cdg_threads.h"
#include "diag/ui/messages.h"
#include "emulated_disc.h"
#include "tests/diag/ui/qt_app.h"

namespace kel::diag {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One 4-second track: an off-screen tile one second in, a bad scroll offset
// in its very last sector.
const testing::BuiltImage* CdgDisc() {
    return testing::BuildImage("cdgplay",
                               "layout = audio\n[audio]\nlength = 4s\n"
                               "cdg = memory-preset colour=0\n"
                               "cdg = colours-low 000 FFF F00 0F0 00F FF0 0FF F0F\n"
                               "cdg = @1s tile row=18 column=3 colours=1,2 "
                               "pixels=3F,3F,3F,3F,3F,3F,3F,3F,3F,3F,3F,3F\n"
                               "cdg = @299 scroll-copy h-offset=7\n");
}

const testing::BuiltImage* LongDisc() {
    return testing::BuildImage("cdglong", "layout = audio\n[audio]\nlength = 20s\n");
}

class CdgPlayerTest : public testing::EmulatedDiscTest {
protected:
    void SetUp() override {
        test::app();
        EmulatedDiscTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ::setenv("KEL_AUDIO_OUT", (folder_ / "out.wav").c_str(), 1);
        Options().tempPath = (folder_ / "temp").string() + "/";
        std::filesystem::create_directories(folder_ / "temp");
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages.push_back(id);
            texts.push_back(text);
            return answer::kOk;
        });
    }
    // The disc with its sub-channel file, where the CD+G packs are.
    void insertWithSubchannel(const testing::BuiltImage& image) {
        std::filesystem::path subchannel = image.cue;
        subchannel.replace_extension(".sub");
        ASSERT_TRUE(std::filesystem::exists(subchannel)) << subchannel;
        insert(image, "[disc]\nsubchannel = " + subchannel.string() + "\n");
    }

    void TearDown() override {
        SetSnapshotNameDialog({});
        EmulatedDiscTest::TearDown();
    }

    // The samples as the WAV file holds them, after its 44-byte header.
    Bytes wavData() {
        std::ifstream in(folder_ / "out.wav", std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return bytes.size() < 44 ? Bytes{} : Bytes(bytes.begin() + 44, bytes.end());
    }

    // The track's audio read straight from the drive.
    Bytes trackAudio(const TrackInfo& t) {
        Bytes audio;
        std::vector<std::uint8_t> sector(2448);
        for (std::int32_t block = t.start; block < t.end; ++block) {
            EXPECT_TRUE(device().ReadWithSubcode(std::uint32_t(block), sector, 1));
            audio.insert(audio.end(), sector.begin(), sector.begin() + 2352);
        }
        return audio;
    }

    // Track `index`'s samples as mkdisc wrote them into the BIN.
    static Bytes binAudio(const testing::BuiltImage& image, std::size_t index) {
        const mkdisc::TrackPlacement& t = image.plan.tracks.at(index);
        std::ifstream in(image.cue.parent_path() / image.plan.binNames.at(t.binFile),
                         std::ios::binary);
        in.seekg((t.binFrame + t.start - t.storedFrom) * 2352);
        Bytes audio(std::size_t(t.end - t.start) * 2352);
        in.read(reinterpret_cast<char*>(audio.data()), std::streamsize(audio.size()));
        return in ? audio : Bytes{};
    }

    bool tempFolderEmpty() { return std::filesystem::is_empty(folder_ / "temp"); }

    std::vector<std::string> texts;
};

// The drive's profile as Open leaves it for an MMC drive the database does
// not know: READ CD's samples are the disc's, little-endian.
TEST_F(CdgPlayerTest, WholeTrackIsPlayedAndCheckedToItsLastSector) {
    const testing::BuiltImage* image = CdgDisc();
    ASSERT_NE(image, nullptr);
    insertWithSubchannel(*image);
    ASSERT_TRUE(device().CDDALE()) << "the default of a drive reading CD-DA by READ CD";
    PlayCdgTrack(track(0));

    const Bytes played = wavData();
    const Bytes expected = binAudio(*image, 0);
    ASSERT_EQ(expected.size(), 300u * 2352u);
    EXPECT_EQ(played.size(), expected.size());
    EXPECT_TRUE(played == expected) << "the samples differ from the track's in the BIN";

    ASSERT_EQ(messages, (std::vector<int>{240}));
    EXPECT_EQ(texts[0].substr(0, texts[0].find('\n')),
              "2 CD+G errors occurred in input; the first 2 of them:");
    EXPECT_NE(texts[0].find("\nPacket 301: Invalid row number\n09 06 "), std::string::npos)
        << texts[0];
    EXPECT_NE(texts[0].find("\nPacket 1197: Invalid scroll amount\n09 18 "), std::string::npos)
        << texts[0];
    EXPECT_TRUE(tempFolderEmpty());
    EXPECT_EQ(device().cddaMode, 0) << "CD-DA reading is switched off afterwards";
}

TEST_F(CdgPlayerTest, BigEndianDriveHasItsSamplesSwapped) {
    const testing::BuiltImage* image = CdgDisc();
    ASSERT_NE(image, nullptr);
    insert(*image);
    device().profile->CDDALE = 0;
    PlayCdgTrack(track(0));
    Bytes expected = trackAudio(track(0));
    for (std::size_t i = 0; i + 1 < expected.size(); i += 2) {
        std::swap(expected[i], expected[i + 1]);
    }
    EXPECT_TRUE(wavData() == expected);
}

// The reader may finish while the player thread, held up, has not taken a
// single buffer: the ring is full, and the wake-up that tells the player the
// reading is over must still reach it.
TEST_F(CdgPlayerTest, TheEndOfReadingReachesAPlayerBehindAFullRing) {
    const testing::BuiltImage* image = CdgDisc();
    ASSERT_NE(image, nullptr);
    insert(*image);
    const TrackInfo& t = track(0);
    std::vector<std::uint8_t> ring(std::size_t(kCdgRingBuffers) * kCdgSectorBytes);
    CdgPlayback playback(device(), t.start, t.start + kCdgRingBuffers, ring.data(), kCdgFirstRead);
    playback.freeBuffers.Release(kCdgWindowBuffers);
    CdgReaderThread(playback);
    ASSERT_EQ(playback.sectorsRead, kCdgRingBuffers);

    std::promise<void> ended;
    std::future<void> end = ended.get_future();
    std::thread player([&] {
        CdgAudioThread(playback);
        ended.set_value();
    });
    const bool endedByItself = end.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    playback.stop = true;
    playback.filledBuffers.Release();
    player.join();
    EXPECT_TRUE(endedByItself) << "the player thread waited for a buffer that never comes";
}

TEST_F(CdgPlayerTest, PauseSnapshotAndStopFromTheWindow) {
    const testing::BuiltImage* image = LongDisc();
    ASSERT_NE(image, nullptr);
    insert(*image);
    SetSnapshotNameDialog([this] { return (folder_ / "shot").string(); });
    bool clicked = false;
    // The first thing the window's loop runs, before anything has played.
    QTimer::singleShot(0, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CdgPlayerWindow*>(widget)) {
                window->findChild<QPushButton*>("pause")->click();
                window->findChild<QPushButton*>("snapshot")->click();
                window->findChild<QPushButton*>("stop")->click();
                clicked = true;
            }
        }
    });
    PlayCdgTrack(track(0));
    ASSERT_TRUE(clicked);

    // Stopped within the ring: what played is the start of the track.
    const Bytes played = wavData();
    EXPECT_EQ(played.size() % 2352, 0u);
    EXPECT_LE(played.size(), 41u * 2352u);
    const Bytes expected = trackAudio(track(0));
    EXPECT_TRUE(std::equal(played.begin(), played.end(), expected.begin()));

    EXPECT_TRUE(messages.empty());
    QImage shot(QString::fromStdString((folder_ / "shot001.BMP").string()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(300, 216));
    EXPECT_EQ(shot.pixelIndex(150, 100), 0);
    EXPECT_TRUE(tempFolderEmpty());
}

// A close of the main window is held until playback ends: the whole track
// is played.
TEST_F(CdgPlayerTest, CloseOfTheMainWindowWaitsForTheEndOfPlayback) {
    const testing::BuiltImage* image =
        testing::BuildImage("cdgsecond", "layout = audio\n[audio]\nlength = 1s\n");
    ASSERT_NE(image, nullptr);
    insert(*image);
    CloseRequested() = true;
    PlayCdgTrack(track(0));
    CloseRequested() = false;
    const Bytes expected = trackAudio(track(0));
    EXPECT_EQ(wavData().size(), expected.size());
    EXPECT_TRUE(wavData() == expected);
}

// Without an output device the track still plays, silently and at its
// own pace, and the graphics are still checked.
TEST_F(CdgPlayerTest, PlaysOnWithoutAnOutputDevice) {
    const testing::BuiltImage* image = testing::BuildImage(
        "cdgshort",
        "layout = audio\n[audio]\nlength = 1s\n"
        "cdg = @70 tile row=20 column=0 colours=1,2 pixels=0,0,0,0,0,0,0,0,0,0,0,0\n");
    ASSERT_NE(image, nullptr);
    insertWithSubchannel(*image);
    ::setenv("KEL_AUDIO_OUT", (folder_ / "absent" / "out.wav").c_str(), 1);
    PlayCdgTrack(track(0));
    ASSERT_EQ(messages, (std::vector<int>{599, 239}));
    EXPECT_EQ(texts[0], "Unable to open audio output device\nNo audio output device found");
    EXPECT_EQ(texts[1].substr(0, texts[1].find('\n')),
              "CD+G error occurred at packet 281 in input");
}

TEST_F(CdgPlayerTest, RefusesTracksAndDrivesItCannotPlay) {
    const testing::BuiltImage* image = testing::MixedDisc();
    ASSERT_NE(image, nullptr);
    insert(*image);
    PlayCdgTrack(track(0));  // the data track
    PlayCdgTrack(track(2));  // the lead-out
    EXPECT_EQ(messages, (std::vector<int>{190, 190}));
    EXPECT_EQ(texts[0], "Track 1 does not contain audio data.");
    EXPECT_EQ(texts[1], "Track 170 does not contain audio data.");

    messages.clear();
    texts.clear();
    device().profile->SubRWDe = 0;
    PlayCdgTrack(track(1));
    ASSERT_EQ(messages, (std::vector<int>{233}));
    EXPECT_NE(texts[0].find("The ACME CDROM-4000 device"), std::string::npos) << texts[0];
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.wav"));
}

TEST_F(CdgPlayerTest, MissingTempFolderStopsBeforePlaying) {
    const testing::BuiltImage* image = CdgDisc();
    ASSERT_NE(image, nullptr);
    insert(*image);
    Options().tempPath = (folder_ / "absent").string() + "/";
    PlayCdgTrack(track(0));
    ASSERT_EQ(messages, (std::vector<int>{238}));
    EXPECT_NE(texts[0].find("absent/CXG"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.wav"));
}

}  // namespace
}  // namespace kel::diag
